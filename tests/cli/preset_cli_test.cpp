// brisvelctl's PC-mode and scene commands as processes on config.ini and
// scene files: the list rules, duplicates, and errors that name the file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "cli_test_support.h"

namespace fs = std::filesystem;

namespace {

using brisvel::testing::CtlRun;

class PresetCommands : public brisvel::testing::CliFolderTest {
 protected:
  PresetCommands() : CliFolderTest("brisvelctl_presets_") {}
  void SetUp() override {
    CliFolderTest::SetUp();
    config_ = (dir / "config.ini").string();
    block_ = (dir / "factory.bin").string();
    ASSERT_EQ(Ctl("block factory -o " + block_).status, 0);
  }
  // With a data folder of the test's own.
  CtlRun Ctl(const std::string& args) {
    return brisvel::testing::RunCtl(args, brisvel::testing::DataFolderEnvironment(dir / "data"));
  }
  CtlRun Pc(const std::string& args) { return Ctl("pcmode --config " + config_ + " " + args); }
  static std::string Slurp(const fs::path& p) { return brisvel::testing::ReadAll(p); }

  std::string config_, block_;
};

TEST_F(PresetCommands, AddListDeleteFollowTheNameRules) {
  EXPECT_EQ(Pc("add '  Rock  ' --from " + block_).out, "1 Rock\n");
  EXPECT_EQ(Pc("add ABCDEFGHIJKLMNOPQRSTUVWXY --from " + block_).out, "2 ABCDEFGHIJKLMNOPQRST\n");
  CtlRun dup = Pc("add rOCK --from " + block_);
  EXPECT_EQ(dup.status, 1);
  EXPECT_NE(dup.out.find("A scene with the same name already exists"), std::string::npos);
  CtlRun empty = Pc("add ' ' --from " + block_);
  EXPECT_EQ(empty.status, 1);
  EXPECT_NE(empty.out.find("Name cannot be empty"), std::string::npos);
  EXPECT_EQ(Pc("list").out, "1 Rock\n2 ABCDEFGHIJKLMNOPQRST\n");

  CtlRun missing = Pc("delete 3");
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.out.find("no PC mode 3"), std::string::npos);
  EXPECT_EQ(Pc("delete 1").status, 0);
  EXPECT_EQ(Pc("delete 1").status, 0);
  std::string text = Slurp(config_);
  std::erase(text, '\r');  // config.ini has the platform's line ends
  EXPECT_NE(text.find("[PCMode]\nCount = 0"), std::string::npos);
  EXPECT_EQ(text.find("[PCModeName]"), std::string::npos);
}

TEST_F(PresetCommands, ExportImportAndShowOfSceneFiles) {
  ASSERT_EQ(Pc("add Hall --from " + block_).status, 0);
  const std::string cae = (dir / "hall.cae").string();
  ASSERT_EQ(Pc("export 1 " + cae).status, 0);
  CtlRun show = Ctl("scene show " + cae);
  EXPECT_EQ(show.status, 0);
  EXPECT_NE(show.out.find("data: \"Hall\" MainVol="), std::string::npos);

  // A copy retyped in lower case, a broken one, and a duplicate of Hall.
  std::string text = Slurp(cae);
  std::string lower = text;
  const size_t at = lower.find('=') + 1;
  for (size_t i = at; i < lower.size(); ++i) lower[i] = static_cast<char>(std::tolower(lower[i]));
  std::ofstream(dir / "lower.cae", std::ios::binary) << lower;
  std::string broken = text;
  broken[at + 200] = broken[at + 200] == '0' ? '1' : '0';
  std::ofstream(dir / "broken.cae", std::ios::binary) << broken;

  CtlRun imp = Pc("import " + cae + " " + (dir / "broken.cae").string());
  EXPECT_EQ(imp.status, 1);
  EXPECT_NE(imp.out.find("0 scene files imported successfully.\n1 scene file reads failed:broken.cae \n"
                         "1 scenes have already existed：hall.cae "),
            std::string::npos);
  EXPECT_NE(imp.out.find("broken.cae: no valid [CAEConfig] data record"), std::string::npos);
  EXPECT_EQ(Pc("import --allow-duplicates " + (dir / "lower.cae").string()).status, 0);
  EXPECT_EQ(Pc("list").out, "1 Hall\n2 Hall\n");

  CtlRun bad = Ctl("scene show " + (dir / "broken.cae").string());
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.out.find("broken.cae: no valid [CAEConfig] data record"), std::string::npos);
  CtlRun none = Ctl("scene show " + (dir / "none.bae").string());
  EXPECT_EQ(none.status, 1);
  EXPECT_NE(none.out.find("none.bae: the file cannot be read"), std::string::npos);
}

TEST_F(PresetCommands, AConfigThatCannotBeReadWhollyIsNeverRewritten) {
  // A line the settings store cannot keep: reading works, writing is refused.
  const std::string original = "[Config]\nLang = 1\nthis line has no equals sign\n";
  std::ofstream(config_, std::ios::binary) << original;
  CtlRun add = Pc("add Mine --from " + block_);
  EXPECT_EQ(add.status, 1);
  EXPECT_NE(add.out.find(config_), std::string::npos);
  EXPECT_EQ(Slurp(config_), original);

  fs::remove(config_);
  fs::create_directory(config_);
  CtlRun list = Pc("list");
  EXPECT_EQ(list.status, 1);
  EXPECT_NE(list.out.find(config_), std::string::npos);
}

}  // namespace
