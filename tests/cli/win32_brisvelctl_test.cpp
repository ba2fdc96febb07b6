// brisvelctl on Windows, run as a process: device names and folders are
// neither read nor written, a read-only block file is not replaced, and a
// huge file is refused by its size.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>

#include "cli_test_support.h"

namespace fs = std::filesystem;

namespace {

using brisvel::testing::Ctl;
using brisvel::testing::ReadAll;

class WindowsBrisvelctlTest : public brisvel::testing::CliFolderTest {
 protected:
  WindowsBrisvelctlTest() : CliFolderTest("brisvelctl_win_test_") {}
};

TEST_F(WindowsBrisvelctlTest, DevicesFoldersAndHugeFilesAreRefused) {
  auto r = Ctl("block show NUL");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("a device"), std::string::npos) << r.out;
  r = Ctl("block factory -o NUL");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("a device"), std::string::npos) << r.out;
  r = Ctl("block factory -o '" + dir.string() + "'");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("folder"), std::string::npos) << r.out;

  const fs::path huge = dir / "huge.bin";
  std::ofstream(huge).put('x');
  fs::resize_file(huge, 3000000000ull);
  r = Ctl("block show '" + huge.string() + "'");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("3000000000 bytes, a parameter block has 1206"), std::string::npos) << r.out;
}

TEST_F(WindowsBrisvelctlTest, AReadOnlyBlockFileIsNotReplaced) {
  const fs::path block = dir / "block.bin";
  ASSERT_EQ(Ctl("block factory -o '" + block.string() + "'").status, 0);
  const std::string before = ReadAll(block);
  ASSERT_TRUE(::SetFileAttributesW(block.c_str(), FILE_ATTRIBUTE_READONLY));
  const auto r = Ctl("set '" + block.string() + "' MainVol=-3");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("read-only"), std::string::npos) << r.out;
  EXPECT_TRUE(ReadAll(block) == before);
  ::SetFileAttributesW(block.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(WindowsBrisvelctlTest, AnArgumentTheCodePageWouldAlterIsRefused) {
  const fs::path block = dir / "block.bin";
  ASSERT_EQ(Ctl("block factory -o '" + block.string() + "'").status, 0);
  const std::string before = ReadAll(block);
  // U+2212 MINUS SIGN would reach the program as "-": -3 dB instead of a refusal.
  const auto r = Ctl("set '" + block.string() + "' MainVol=\xE2\x88\x92" "3");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("MainVol=\xE2\x88\x92" "3\" has characters this system's code page cannot pass on"),
            std::string::npos)
      << r.out;
  EXPECT_TRUE(ReadAll(block) == before);
}

}  // namespace
