// Where the console and brisvelctl keep the user's files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "settings/data_folder.h"

namespace brisvel::settings {
namespace {

// Sets an environment variable for the test's life and restores it after.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) ::setenv(name, value, 1);
    else ::unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_) ::setenv(name_, old_->c_str(), 1);
    else ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(DataFolder, FollowsXdgDataHomeThenHome) {
  {
    ScopedEnv xdg("XDG_DATA_HOME", "/tmp/x//data/");
    EXPECT_EQ(DataFolderPath(), "/tmp/x/data/RezUriruBrisvel");
  }
  ScopedEnv home("HOME", "/home/someone");
  {
    ScopedEnv xdg("XDG_DATA_HOME", "");
    EXPECT_EQ(DataFolderPath(), "/home/someone/.local/share/RezUriruBrisvel");
  }
  ScopedEnv xdg("XDG_DATA_HOME", nullptr);
  EXPECT_EQ(DataFolderPath(), "/home/someone/.local/share/RezUriruBrisvel");
  ScopedEnv noHome("HOME", nullptr);
  // The user database still names a home folder; never the working directory.
  EXPECT_TRUE(DataFolderPath().is_absolute());
  EXPECT_EQ(DataFolderPath().filename(), "RezUriruBrisvel");
}

}  // namespace
}  // namespace brisvel::settings
