// Safe file access on Windows: only disk files are read (a device name or a
// folder is refused at once), reads are bounded, read-only and odd targets
// are not replaced, and a replacement is whole or not at all, keeping the old
// file's attributes and leaving no temporary file behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "settings/config_ini.h"
#include "settings/file_safety.h"
#include "settings/temp_folder.h"

namespace brisvel::settings {
namespace {

using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;
namespace fs = std::filesystem;

constexpr const char* kUserSettings = "[Config]\nLang = 0\n[Other]\nForeign = kept\n";

class WindowsFileTest : public ::testing::Test {
 protected:
  // What the folder holds beside the lock files that changes of shared files leave.
  size_t Entries() const {
    return static_cast<size_t>(std::count_if(fs::directory_iterator(dir_.path()), {}, [](const fs::directory_entry& e) {
      return e.path().extension() != ".lock";
    }));
  }
  TempFolder dir_;
  fs::path file_ = dir_ / "config.ini";
};

TEST_F(WindowsFileTest, ReadsAreBoundedAndOnlyOfDiskFiles) {
  const FileContent device = ReadRegularFile("NUL", 100);
  EXPECT_EQ(device.status, ReadStatus::kNotRegular);
  EXPECT_NE(device.error.find("a device"), std::string::npos) << device.error;
  EXPECT_EQ(ReadRegularFile(dir_.path(), 100).status, ReadStatus::kNotRegular);
  const FileContent missing = ReadRegularFile(dir_ / "none", 100);
  EXPECT_EQ(missing.status, ReadStatus::kMissing);
  EXPECT_NE(missing.error.find("none"), std::string::npos) << missing.error;
  EXPECT_EQ(ReadRegularFile(dir_ / "no-folder" / "none", 100).status, ReadStatus::kMissing);

  WriteFile(file_, std::string(100, 'a'));
  const FileContent exact = ReadRegularFile(file_, 100);
  EXPECT_EQ(exact.status, ReadStatus::kOk);
  EXPECT_EQ(exact.data, std::string(100, 'a'));
  const FileContent over = ReadRegularFile(file_, 99);
  EXPECT_EQ(over.status, ReadStatus::kTooLarge);
  EXPECT_EQ(over.size, 100u);
  EXPECT_TRUE(over.data.empty());
  WriteFile(file_, "");
  EXPECT_EQ(ReadRegularFile(file_, 0).status, ReadStatus::kOk);
}

TEST_F(WindowsFileTest, ReadOnlyAndOddTargetsAreNotReplaced) {
  WriteFile(file_, kUserSettings);
  ASSERT_TRUE(::SetFileAttributesW(file_.c_str(), FILE_ATTRIBUTE_READONLY));
  std::string why;
  EXPECT_FALSE(WriteFileAtomically(file_, "x", &why));
  EXPECT_NE(why.find("read-only"), std::string::npos) << why;
  ConfigIni config(file_);
  EXPECT_TRUE(config.Load());
  EXPECT_FALSE(config.SetLang(1));
  EXPECT_EQ(ReadFile(file_), kUserSettings);
  ASSERT_TRUE(::SetFileAttributesW(file_.c_str(), FILE_ATTRIBUTE_NORMAL));

  EXPECT_FALSE(WriteFileAtomically(dir_.path(), "x", &why));
  EXPECT_NE(why.find("a folder, not a regular file"), std::string::npos) << why;
  EXPECT_NE(WriteTargetProblem("NUL").find("a device"), std::string::npos);
  EXPECT_TRUE(WriteTargetProblem(dir_ / "new.ini").empty());
  EXPECT_EQ(Entries(), 1u);  // no temporary left by any refusal
}

TEST_F(WindowsFileTest, ReplacementIsWholeAndKeepsTheOldFilesAttributes) {
  // A new file, then a replacement of a hidden one: the new content, still hidden.
  ASSERT_TRUE(WriteFileAtomically(file_, kUserSettings));
  EXPECT_EQ(ReadFile(file_), kUserSettings);
  ASSERT_TRUE(::SetFileAttributesW(file_.c_str(), FILE_ATTRIBUTE_HIDDEN));
  const std::string bigger(200000, 'b');
  std::string why = "stale";
  ASSERT_TRUE(WriteFileAtomically(file_, bigger, &why)) << why;
  EXPECT_TRUE(why.empty());
  EXPECT_EQ(ReadFile(file_), bigger);
  EXPECT_TRUE(::GetFileAttributesW(file_.c_str()) & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(Entries(), 1u);

  // Another program has the file open without letting it be replaced: the
  // save fails, the file keeps its content and no temporary remains.
  HANDLE held = ::CreateFileW(file_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(WriteFileAtomically(file_, "lost?", &why));
  EXPECT_NE(why.find("cannot replace"), std::string::npos) << why;
  ::CloseHandle(held);
  EXPECT_EQ(ReadFile(file_), bigger);
  EXPECT_EQ(Entries(), 1u);

  // A reader that allows replacement (as the lock file's holders do) does not stop it.
  held = ::CreateFileW(file_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(WriteFileAtomically(file_, "after", &why)) << why;
  ::CloseHandle(held);
  EXPECT_EQ(ReadFile(file_), "after");
}

}  // namespace
}  // namespace brisvel::settings
