// Where the console and brisvelctl keep the user's files on Windows: the local
// application data folder, as the environment or else the shell names it.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "settings/data_folder.h"

namespace brisvel::settings {
namespace {

// Sets an environment variable for the test's life and restores it after.
class ScopedEnv {
 public:
  ScopedEnv(const wchar_t* name, const wchar_t* value) : name_(name) {
    if (const wchar_t* old = ::_wgetenv(name)) old_ = old;
    Put(value ? value : L"");
  }
  ~ScopedEnv() { Put(old_ ? old_->c_str() : L""); }

 private:
  // "NAME=" removes the variable.
  void Put(const wchar_t* value) { ::_wputenv((std::wstring(name_) + L"=" + value).c_str()); }

  const wchar_t* name_;
  std::optional<std::wstring> old_;
};

TEST(DataFolder, LocalApplicationDataThenTheShellsKnownFolder) {
  {
    ScopedEnv local(L"LOCALAPPDATA", L"D:\\Users\\someone\\AppData\\Local\\");
    EXPECT_EQ(DataFolderPath(), std::filesystem::path(L"D:\\Users\\someone\\AppData\\Local\\RezUriruBrisvel"));
  }
  // Unset, empty or relative: the shell's folder of this user, never the working directory.
  for (const wchar_t* value : {static_cast<const wchar_t*>(nullptr), L"", L"relative\\folder"}) {
    ScopedEnv local(L"LOCALAPPDATA", value);
    const std::filesystem::path folder = DataFolderPath();
    EXPECT_TRUE(folder.is_absolute()) << folder;
    EXPECT_EQ(folder.filename(), "RezUriruBrisvel");
    EXPECT_EQ(folder.parent_path().filename(), "Local") << folder;
  }
}

}  // namespace
}  // namespace brisvel::settings
