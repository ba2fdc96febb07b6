// The settings dialog in its three layouts on the simulated processor:
// device-mode save and recall with the next slot, PC modes with config.ini
// following at once, scene-file import, and the batch workers behind the
// progress window, also with replies lost at random.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QTest>
#include <random>

#include "app/application.h"
#include "app/demo/simulated_device.h"
#include "app/preset_dialogs.h"
#include "app/refresh.h"
#include "app_test_support.h"
#include "settings/scene_files.h"
#include "device/sim_processor.h"
#include "editing/presets.h"
#include "presets/file_choice.h"
#include "presets/sys_setting.h"
#include "settings/config_ini.h"
#include "ui/basic_controls.h"
#include "ui/message_box.h"

namespace brisvel::app {
namespace {

namespace ids = layout::sys_setting;
using test::PrivateFolders;
using test::StartedConsole;

// Answers message boxes from a script and records their texts and owners.
struct Answers {
  explicit Answers(std::vector<int> yesNo = {}) : yesNo_(std::move(yesNo)) {
    ui::SetMessageBoxResponder([this](const ui::MessageBoxRequest& r) {
      texts.push_back(r.text);
      owned.push_back(r.owner != nullptr);
      at.push_back(clock.isValid() ? clock.elapsed() : 0);
      if (r.buttons != ui::MessageButtons::YesNo) return ui::kIdOk;
      return next_ < yesNo_.size() ? yesNo_[next_++] : ui::kIdNo;
    });
  }
  ~Answers() { ui::SetMessageBoxResponder({}); }
  QString Last() const { return texts.empty() ? QString() : texts.back(); }
  std::vector<QString> texts;
  std::vector<bool> owned;
  std::vector<qint64> at;  // ms since clock started
  QElapsedTimer clock;

 private:
  std::vector<int> yesNo_;
  size_t next_ = 0;
};

// Answers the duplicate-name question with one choice and records the names asked about.
struct Duplicates {
  explicit Duplicates(editing::DuplicateChoice choice) {
    presets::SetDuplicateResponder([this, choice](const QString& existing) {
      asked << existing;
      return choice;
    });
  }
  ~Duplicates() { presets::SetDuplicateResponder({}); }
  QStringList asked;
};

struct Files {
  explicit Files(QStringList answer) {
    presets::SetFileDialogResponder([this, answer](const presets::FileDialogRequest& r) {
      requests.push_back(r);
      return answer;
    });
  }
  ~Files() { presets::SetFileDialogResponder({}); }
  std::vector<presets::FileDialogRequest> requests;
};

class PresetDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folders_.WriteConfig("[Config]\nLang = 1\n");
    console_ = std::make_unique<StartedConsole>(true);
    ASSERT_TRUE(console_->ok);
    app_ = console_->app.get();
    ASSERT_TRUE(app_->Store().IsProcessorConnected());
    QObject::connect(&app_->Refresher(), &RefreshNotifier::Refresh, [this](RefreshKind) { ++refreshes_; });
    editing::SetNextDeviceModeSlot(0);
  }
  void TearDown() override {
    dlg_.reset();
    editing::SetNextDeviceModeSlot(0);
    console_.reset();
  }

  presets::CSysSettingDlg& Open(const char* layout) {
    context_ = std::make_unique<presets::PresetContext>(presets::PresetContext{app_->Config(), app_->Store()});
    context_->manager = app_->DeviceManager();
    context_->language = 1;
    context_->refresh = [this](bool send) {
      if (send) app_->Refresher().Send(RefreshKind::kRecall);
      else app_->Refresher().Post(RefreshKind::kFull);
    };
    dlg_ = std::make_unique<presets::CSysSettingDlg>(QString::fromLatin1(layout), nullptr, *context_);
    EXPECT_TRUE(dlg_->Create());
    dlg_->show();
    QApplication::processEvents();
    return *dlg_;
  }
  template <class T>
  T* Get(const char* name) {
    return dlg_->Find<T>(QString::fromLatin1(name));
  }
  void Click(const char* name) {
    auto* w = dlg_->FindByName(QString::fromLatin1(name));
    ASSERT_NE(w, nullptr) << name;
    QTest::mouseClick(w, Qt::LeftButton);
  }
  void Choose(const char* combo, int index) {
    auto* c = Get<ui::ComboBox>(combo);
    ASSERT_NE(c, nullptr);
    c->setCurrentIndex(index);
    Q_EMIT c->activated(index);
  }
  void SetByte(size_t at, uint8_t value) {
    EffectBlock b = app_->Store().Block();
    b[at] = value;
    app_->Store().ReplaceBlock(b);
  }
  std::vector<std::string> Stored() {
    settings::ConfigIni config(app_->Config().Path());
    config.Load();
    std::vector<std::string> names;
    for (const PCModeRecord& r : config.LoadPCModes()) names.push_back(r.Name());
    return names;
  }

  PrivateFolders folders_;
  std::unique_ptr<StartedConsole> console_;
  CApplication* app_ = nullptr;
  std::unique_ptr<presets::PresetContext> context_;
  std::unique_ptr<presets::CSysSettingDlg> dlg_;
  int refreshes_ = 0;
};

TEST_F(PresetDialogTest, DeviceModesSaveIntoTheChosenSlotAndWalkOn) {
  Open(ids::kDevicePresetLayout);
  auto* combo = Get<ui::ComboBox>(ids::kDevMode);
  ASSERT_NE(combo, nullptr);
  EXPECT_EQ(combo->currentText(), "USER-1");
  EXPECT_FALSE(Get<QWidget>(ids::kSending)->isVisible());

  Answers answers({ui::kIdYes});
  Choose(ids::kDevMode, 2);
  app_->Store().SetParam(1, 33);  // MainVol, sent by the effect sender
  Click(ids::kSave);
  EXPECT_EQ(answers.texts.front(), "Do you want to replace the selected device mode?");
  EXPECT_EQ(answers.Last(), "Save successfully");
  EXPECT_EQ(combo->currentText(), "USER-4");
  EXPECT_EQ(editing::NextDeviceModeSlot(), 3);

  Choose(ids::kDevMode, 8);
  EXPECT_FALSE(Get<QWidget>(ids::kSave)->isEnabled());
  Choose(ids::kDevMode, 7);
  EXPECT_TRUE(Get<QWidget>(ids::kSave)->isEnabled());

  // Reopened, the dialog starts at the next slot.
  dlg_.reset();
  Open(ids::kSysSettingLayout);
  EXPECT_EQ(Get<ui::ComboBox>(ids::kDevMode)->currentText(), "USER-4");
}

TEST_F(PresetDialogTest, RecallingTheFactorySettingSendsModeNineAndReloads) {
  Open(ids::kDevicePresetLayout);
  auto processor = app_->Simulator()->Processor();
  sim::SimState state = processor->State();
  state.slots[8][10] = 0x5A;
  processor->SetState(state);
  app_->Store().SetLinkFlags({1, 1, 1, 1});

  Answers answers;
  Choose(ids::kDevMode, 8);
  const int before = refreshes_;
  Click(ids::kRecall);
  EXPECT_TRUE(answers.texts.empty());
  EXPECT_EQ(processor->State().currentMode, 8);
  EXPECT_EQ(app_->Store().Block()[10], 0x5A);
  EXPECT_EQ(app_->Store().LinkFlags(), (std::array<int32_t, 4>{}));
  EXPECT_EQ(refreshes_, before + 1);

  ASSERT_TRUE(app_->Simulator()->Unplug());
  ASSERT_TRUE(test::WaitUntil([&] { return !app_->Store().IsProcessorConnected(); }, 5000));
  Click(ids::kRecall);
  EXPECT_EQ(answers.Last(), "Device not connected");
  EXPECT_TRUE(answers.owned.back());
}

TEST_F(PresetDialogTest, PCModesAddRecallWithoutProcessorAndDelete) {
  Open(ids::kMyPresetLayout);
  Answers answers({ui::kIdYes});
  auto* input = Get<ui::Edit>(ids::kNameInput);
  auto* combo = Get<ui::ComboBox>(ids::kPCMode);
  ASSERT_TRUE(input && combo);
  EXPECT_EQ(input->maxLength(), 20);

  input->setText("  Rock  ");
  SetByte(20, 0x42);
  Click(ids::kAddPCMode);
  EXPECT_EQ(combo->currentText(), "Rock");
  EXPECT_EQ(Stored(), (std::vector<std::string>{"Rock"}));
  input->setText("ROCK");
  Click(ids::kAddPCMode);
  EXPECT_EQ(answers.Last(), "A scene with the same name already exists");
  input->setText(" \t ");
  Click(ids::kAddPCMode);
  EXPECT_EQ(answers.Last(), "Name cannot be empty");

  ASSERT_TRUE(app_->Simulator()->Unplug());
  ASSERT_TRUE(test::WaitUntil([&] { return !app_->Store().IsProcessorConnected(); }, 5000));
  SetByte(20, 0);
  const int before = refreshes_;
  Choose(ids::kPCMode, 0);
  EXPECT_EQ(input->text(), "Rock");
  Click(ids::kRecallPCMode);
  EXPECT_EQ(answers.Last(), "Device not connected");
  EXPECT_EQ(app_->Store().Block()[20], 0x42);
  ASSERT_TRUE(test::WaitUntil([&] { return refreshes_ > before; }, 5000));

  Click(ids::kDeletePCMode);
  EXPECT_EQ(answers.texts[answers.texts.size() - 1], "Whether you want to delete the selected scene?");
  EXPECT_EQ(combo->count(), 0);
  EXPECT_TRUE(input->text().isEmpty());
  EXPECT_TRUE(Stored().empty());
  EXPECT_NE(folders_.ReadConfig().indexOf("[PCMode]\r\nCount = 0") + folders_.ReadConfig().indexOf("[PCMode]\nCount = 0"), -2);
}

TEST_F(PresetDialogTest, ImportingThreeFilesAddsOneAndSummarisesTheRest) {
  settings::ConfigIni& config = app_->Config();
  std::vector<PCModeRecord> list;
  editing::AddPCMode(config, list, "Hall", app_->Store().Block());
  const QString dir = folders_.Root();
  auto write = [&](const QString& file, const std::string& name) {
    PCModeRecord r;
    r.SetName(name);
    EXPECT_EQ(scene::WriteSceneFile((dir + "/" + file).toStdString(), r), scene::SceneError::kNone);
    return dir + "/" + file;
  };
  const QString good = write("club.cae", "Club");
  const QString dup = write("hall.cae", "HALL");
  const QString broken = write("broken.cae", "Broken");
  QFile f(broken);
  ASSERT_TRUE(f.open(QIODevice::ReadWrite));
  QByteArray text = f.readAll();
  text[text.size() - 3] = text[text.size() - 3] == '0' ? '1' : '0';
  f.seek(0);
  f.write(text);
  f.close();

  Open(ids::kSysSettingLayout);
  Answers answers;
  Duplicates duplicates(editing::DuplicateChoice::kSkip);
  Files files({broken, dup, good});
  Click(ids::kImport);
  ASSERT_EQ(files.requests.size(), 1u);
  EXPECT_EQ(files.requests[0].folder, QDir::homePath());  // the first time
  EXPECT_EQ(duplicates.asked, QStringList{"Hall"});
  EXPECT_EQ(files.requests[0].title, "Please select one or more vehicle scene files");
  EXPECT_EQ(files.requests[0].filter, "Car audio effect file(*.cae)");
  EXPECT_EQ(answers.Last(),
            "1 scene files imported successfully.\n1 scene file reads failed:broken.cae \n"
            "1 scenes have already existed：hall.cae ");
  EXPECT_EQ(Get<ui::ComboBox>(ids::kPCMode)->currentText(), "Club");
  EXPECT_EQ(Stored(), (std::vector<std::string>{"Hall", "Club"}));

  // Export of the selected mode proposes its name.
  Files save({dir + "/out.cae"});
  Click(ids::kExport);
  EXPECT_EQ(save.requests[0].proposed, "Club");
  EXPECT_EQ(save.requests[0].folder, dir);  // where the import found its files
  EXPECT_EQ(answers.Last(), "Exporting the scene successfully");
  EXPECT_EQ(scene::ReadSceneFile((dir + "/out.cae").toStdString()).record->Name(), "Club");
}

TEST_F(PresetDialogTest, ImportingSeveralFilesKeepsTheSelectionAsItWas) {
  const QString dir = folders_.Root();
  QStringList scenes;
  for (const char* name : {"Club", "Hall", "Street", "Park"}) {
    PCModeRecord r;
    r.SetName(name);
    scenes << dir + "/" + QString::fromLatin1(name) + ".cae";
    ASSERT_EQ(scene::WriteSceneFile(scenes.back().toStdString(), r), scene::SceneError::kNone);
  }
  Open(ids::kMyPresetLayout);
  auto* combo = Get<ui::ComboBox>(ids::kPCMode);
  auto* input = Get<ui::Edit>(ids::kNameInput);
  ASSERT_NE(combo, nullptr);
  ASSERT_NE(input, nullptr);
  Answers answers;
  Duplicates duplicates(editing::DuplicateChoice::kSkip);
  {
    // Into an empty list: nothing was selected and nothing is.
    Files files({scenes[0], scenes[1]});
    Click(ids::kImport);
    QTest::qWait(300);  // the settings file's watcher has seen the save
    EXPECT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->currentIndex(), -1);
    EXPECT_TRUE(input->text().isEmpty());
  }
  {
    // A chosen mode stays chosen, with its name in the box.
    Choose(ids::kPCMode, 1);
    EXPECT_EQ(input->text(), "Hall");
    Files files({scenes[2], scenes[0], scenes[3]});  // Club is a duplicate: skipped
    Click(ids::kImport);
    QTest::qWait(300);
    EXPECT_EQ(combo->count(), 4);
    EXPECT_EQ(combo->currentText(), "Hall");
    EXPECT_EQ(input->text(), "Hall");
  }
  EXPECT_EQ(Stored(), (std::vector<std::string>{"Club", "Hall", "Street", "Park"}));
}

TEST_F(PresetDialogTest, BatchExportAndImportRoundTripTheUserSlots) {
  auto processor = app_->Simulator()->Processor();
  sim::SimState state = processor->State();
  for (int i = 0; i < 8; ++i) state.slots[i][30] = static_cast<uint8_t>(0x30 + i);
  processor->SetState(state);
  processor->SetLatency(std::chrono::microseconds(1000));
  const QString bae = folders_.Root() + "/all.bae";
  Open(ids::kSysSettingLayout);
  Answers answers;

  // The processor exchanges of one slot under the same pacing, for the floor.
  editing::DevicePresetLink link(app_->Store(), *app_->DeviceManager());
  QElapsedTimer clock;
  clock.start();
  ASSERT_TRUE(link.RecallDeviceMode(0) && link.ReadCurrentParam());
  const qint64 exportExchange = clock.restart();
  ASSERT_TRUE(link.LoadBlock(app_->Store().Block()) && link.SaveDeviceMode(0));
  const qint64 importExchange = clock.restart();
  {
    Files files({bae});
    answers.clock.start();
    Click(ids::kBatchExport);
    std::printf("[ figures  ] batch export, 8 modes, 1 ms pacing: worker %lld ms, window closed after %lld ms; "
                "floor 8500 + 9 x %lld ms exchanges = %lld ms\n",
                static_cast<long long>(answers.at.back()), static_cast<long long>(answers.clock.elapsed()),
                static_cast<long long>(exportExchange), static_cast<long long>(8500 + 9 * exportExchange));
  }
  EXPECT_EQ(answers.Last(), "Exporting the scene successfully");
  EXPECT_FALSE(dlg_->Handler().BatchRunning());
  std::string text;
  ASSERT_EQ(scene::ReadSceneText(bae.toStdString(), text), scene::SceneError::kNone);
  EXPECT_EQ(scene::ParseBatchCount(text), 8);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(scene::ParseBatchRecord(text, i)->block[30], 0x30 + i) << i;

  state = processor->State();
  for (int i = 0; i < 8; ++i) state.slots[i][30] = 0;
  processor->SetState(state);
  {
    Files files({bae});
    answers.clock.start();
    Click(ids::kBatchImport);
    std::printf("[ figures  ] batch import, 8 modes, 1 ms pacing: worker %lld ms, window closed after %lld ms; "
                "floor 9700 + 8 x %lld ms exchanges = %lld ms\n",
                static_cast<long long>(answers.at.back()), static_cast<long long>(answers.clock.elapsed()),
                static_cast<long long>(importExchange), static_cast<long long>(9700 + 8 * importExchange));
  }
  EXPECT_EQ(answers.Last(), "Batch import success");
  for (int i = 0; i < 8; ++i) EXPECT_EQ(processor->State().slots[i][30], 0x30 + i) << i;

  // Nine records: refused before anything is written, and the message says so.
  state = processor->State();
  for (int i = 0; i < 8; ++i) state.slots[i][30] = 0;
  processor->SetState(state);
  PCModeRecord ninth;
  ninth.block[30] = 0x99;
  ASSERT_EQ(scene::WriteBatchCount(bae.toStdString(), 9), scene::SceneError::kNone);
  ASSERT_EQ(scene::WriteBatchRecord(bae.toStdString(), 8, ninth), scene::SceneError::kNone);
  {
    Files files({bae});
    Click(ids::kBatchImport);
  }
  EXPECT_TRUE(answers.Last().startsWith("Batch import failure\n")) << answers.Last().toStdString();
  EXPECT_TRUE(answers.Last().contains("nothing was written")) << answers.Last().toStdString();
  for (int i = 0; i < 8; ++i) EXPECT_EQ(processor->State().slots[i][30], 0) << i;
  EXPECT_TRUE(answers.owned.back());
  EXPECT_FALSE(dlg_->Handler().BatchRunning());
  EXPECT_TRUE(dlg_->isVisible());
}

TEST_F(PresetDialogTest, LostRepliesEndTheBatchClearlyWithoutAHalfWrittenSlot) {
  auto processor = app_->Simulator()->Processor();
  const QString bae = folders_.Root() + "/all.bae";
  Open(ids::kSysSettingLayout);
  Answers answers;
  {
    Files files({bae});
    Click(ids::kBatchExport);
  }
  ASSERT_EQ(answers.Last(), "Exporting the scene successfully");
  std::string text;
  ASSERT_EQ(scene::ReadSceneText(bae.toStdString(), text), scene::SceneError::kNone);

  // Replies go missing somewhere in the import; every slot afterwards holds
  // either its old block or the file's, never a mixture.
  sim::SimState state = processor->State();
  for (int i = 0; i < 8; ++i) state.slots[i].fill(static_cast<uint8_t>(0xE0 + i));
  processor->SetState(state);
  const sim::SimState before = processor->State();
  std::mt19937 random(static_cast<unsigned>(::testing::UnitTest::GetInstance()->random_seed()) + 13);
  processor->DropReplies(6, std::uniform_int_distribution<int>(5, 120)(random));
  {
    Files files({bae});
    Click(ids::kBatchImport);
  }
  EXPECT_FALSE(dlg_->Handler().BatchRunning());
  EXPECT_TRUE(dlg_->isVisible());
  EXPECT_TRUE(answers.Last().startsWith("Batch import failure\n") || answers.Last() == "Batch import success")
      << answers.Last().toStdString();
  if (answers.Last() != "Batch import success") {
    EXPECT_TRUE(answers.Last().contains("written")) << answers.Last().toStdString();
  }
  const sim::SimState after = processor->State();
  for (int i = 0; i < 8; ++i) {
    const auto record = scene::ParseBatchRecord(text, i);
    ASSERT_TRUE(record);
    EXPECT_TRUE(after.slots[i] == before.slots[i] || after.slots[i] == record->block) << "slot " << i;
  }
}

}  // namespace
}  // namespace brisvel::app
