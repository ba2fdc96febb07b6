// End-to-end tests of the settings dialog: the real console on the simulated
// processor under the X server, real clicks and keys, file dialogs answered by
// typing, and the results read back through the control channel.

#include <QDir>
#include <QFileInfo>

#include "core/param_table.h"
#include "settings/scene_files.h"
#include "e2e_support.h"

namespace brisvel::app::e2e {
namespace {

constexpr char kDevice[] = "XML_DEVICE_PRESET";
constexpr char kMine[] = "XML_MY_PRESET";
constexpr char kSettings[] = "XML_SYSSETTING";
constexpr char kProgress[] = "XML_PROGRESS";

// Clicks the main window's control when its layout shows it, or opens the
// dialog through the control channel.
bool Open(Console& c, const QString& button, const QString& word, const char* layout) {
  const Control b = c.Ctrl(kMain, button);
  if (b.found && b.visible) ClickAt(b.Centre());
  else c.Query("open " + word);
  return Console::WaitFor([&] { return c.HasWindow(layout); }, 10000);
}

// An item of the main window's "File" pop-up, or the control channel when
// the layout shows no "File" button.
bool OpenFromFileMenu(Console& c, const QString& item, const QString& word, const char* layout) {
  const Control file = c.Ctrl(kMain, "9003");
  if (!file.found || !file.visible) return Open(c, "-", word, layout);
  ClickAt(file.Centre());
  return ChooseMenuItem(c, item, 5000) && Console::WaitFor([&] { return c.HasWindow(layout); }, 10000);
}

// The text of the message box that comes up (line breaks as "\n"); answered
// with the button id.
QString Answer(Console& c, const QString& button, int timeoutMs = 20000) {
  if (!Console::WaitFor([&] { return c.HasWindow(kMsgBox); }, timeoutMs)) return "<no message>";
  const QString text = c.Query(QString("text ") + kMsgBox + " msgtext");
  c.Click(kMsgBox, button);
  Console::WaitFor([&] { return !c.HasWindow(kMsgBox); }, 5000);
  return text;
}

// Picks the item by keys in the open drop-down list.
void Choose(Console& c, const char* layout, const QString& combo, int downs) {
  c.Click(layout, combo);
  QThread::msleep(300);
  PressKey("Home");
  for (int i = 0; i < downs; ++i) PressKey("Down");
  PressKey("Return");
  QThread::msleep(200);
}

// Clicks the button until its file dialog comes up (the dialog ignores
// clicks until the last batch run has ended), then answers it.
bool ClickAndAnswerFileDialog(Console& c, const char* layout, const QString& button, const QString& typed) {
  for (int i = 0; i < 5; ++i) {
    c.Click(layout, button);
    if (Console::WaitFor([&] { return c.Query("filedialog") != "none"; }, 2000)) return TypeIntoFileDialog(c, typed);
  }
  return false;
}

// The console on the simulated processor, logged in to the main window.
using EndToEndPresets = MainWindowSession;

TEST_F(EndToEndPresets, DeviceModesSaveWalkOnAndTheFactoryEntryRecallsModeNine) {
  ASSERT_TRUE(Open(*c, "9005", "device-preset", kDevice));
  EXPECT_EQ(c->Ctrl(kDevice, "combo_devmode").text, "USER-1");

  Choose(*c, kDevice, "combo_devmode", 2);
  ASSERT_EQ(c->Ctrl(kDevice, "combo_devmode").text, "USER-3");
  c->Click(kDevice, "btnSave");
  EXPECT_EQ(Answer(*c, "6"), "Do you want to replace the selected device mode?");
  EXPECT_EQ(Answer(*c, "1"), "Save successfully");
  EXPECT_EQ(c->Ctrl(kDevice, "combo_devmode").text, "USER-4");

  Choose(*c, kDevice, "combo_devmode", 8);
  ASSERT_EQ(c->Ctrl(kDevice, "combo_devmode").text, "Factory allocation");
  EXPECT_EQ(c->Query("enabled XML_DEVICE_PRESET btnSave"), "0");
  c->Query("sim-slot-mainvol 8 21");
  c->Click(kDevice, "btnRecall");
  ASSERT_TRUE(Console::WaitFor([&] { return c->Query("sim").startsWith("mode=8 "); }, 10000)) << c->Query("sim").toStdString();
  EXPECT_TRUE(Console::WaitFor([&] { return c->Status("mainvol") == "21"; }, 10000)) << c->Status("mainvol").toStdString();
  EXPECT_FALSE(c->HasWindow(kMsgBox));

  // Reopened, the dialog starts at the slot after the last save.
  c->Click(kDevice, "btn_close");
  ASSERT_TRUE(Console::WaitFor([&] { return !c->HasWindow(kDevice); }, 5000));
  ASSERT_TRUE(Open(*c, "9005", "device-preset", kDevice));
  EXPECT_EQ(c->Ctrl(kDevice, "combo_devmode").text, "USER-4");
}

TEST_F(EndToEndPresets, PCModesAddRecallWithoutAProcessorDeleteAndImport) {
  // Three scene files: a new name, a broken check byte, an existing name.
  const QString dir = folders.dir.path();
  auto write = [&](const QString& file, const std::string& name) {
    PCModeRecord r;
    r.SetName(name);
    EXPECT_EQ(scene::WriteSceneFile((dir + "/" + file).toStdString(), r), scene::SceneError::kNone);
  };
  write("club.cae", "Club");
  write("rock.cae", "ROCK");
  write("broken.cae", "Broken");
  QFile broken(dir + "/broken.cae");
  ASSERT_TRUE(broken.open(QIODevice::ReadWrite));
  QByteArray text = broken.readAll();
  text[text.size() - 3] = text[text.size() - 3] == '0' ? '1' : '0';
  broken.seek(0);
  broken.write(text);
  broken.close();

  ASSERT_TRUE(OpenFromFileMenu(*c, "My Preset", "my-preset", kMine));
  c->Click(kMine, "txt_input");
  TypeText("  Rock  ");
  c->Click(kMine, "btnAddPCMode");
  ASSERT_TRUE(Console::WaitFor([&] { return c->Query("pcmodes") == "Rock"; }, 5000)) << c->Query("pcmodes").toStdString();
  EXPECT_EQ(c->Ctrl(kMine, "combo_pcmode").text, "Rock");

  // Recall without a processor: the block is loaded and the window refreshed.
  const QString vol = c->Status("mainvol");
  ASSERT_EQ(c->Query("unplug"), "ok");
  ASSERT_TRUE(Console::WaitFor([&] { return c->Status("connected") == "0"; }, 10000));
  c->Click(kMine, "btnRecallPCMode");
  EXPECT_EQ(Answer(*c, "1"), "Device not connected");
  EXPECT_EQ(c->Status("mainvol"), vol);

  // Import: one added, one unreadable, one duplicate skipped.
  c->Click(kMine, "btnImport");
  ASSERT_TRUE(AnswerFileDialog(*c, "\"" + dir + "/broken.cae\" \"" + dir + "/rock.cae\" \"" + dir + "/club.cae\""));
  ASSERT_TRUE(ChooseButton(*c, "Skip")) << Modal(*c).join('|').toStdString();
  EXPECT_EQ(Answer(*c, "1").toStdString(),
            "1 scene files imported successfully.\\n1 scene file reads failed:broken.cae \\n"
            "1 scenes have already existed：rock.cae ");
  EXPECT_EQ(c->Query("pcmodes"), "Rock|Club");
  EXPECT_EQ(c->Ctrl(kMine, "combo_pcmode").text, "Club");

  c->Click(kMine, "btnDeletePCMode");
  EXPECT_EQ(Answer(*c, "6"), "Whether you want to delete the selected scene?");
  EXPECT_EQ(c->Query("pcmodes"), "Rock");
  EXPECT_EQ(c->Ctrl(kMine, "txt_input").text, "");
}

TEST_F(EndToEndPresets, BatchExportThenImportRoundTripAndNineRecordsAreRefused) {
  for (int slot = 0; slot < 8; ++slot) c->Query(QString("sim-slot-mainvol %1 %2").arg(slot).arg(30 + slot));
  ASSERT_TRUE(OpenFromFileMenu(*c, "Settings", "settings", kSettings));
  const Control tab = c->Ctrl(kSettings, "tab_settings");
  ClickAt(tab.rect.topLeft() + QPoint(130, 12));  // the "PC Mode" tab
  QThread::msleep(300);

  const QString bae = folders.dir.path() + "/all.bae";
  c->Click(kSettings, "btnBatchExport");
  ASSERT_TRUE(AnswerFileDialog(*c, bae));
  EXPECT_TRUE(Console::WaitFor([&] { return c->HasWindow(kProgress); }, 10000));
  EXPECT_EQ(Answer(*c, "1", 40000), "Exporting the scene successfully");
  ASSERT_TRUE(Console::WaitFor([&] { return !c->HasWindow(kProgress); }, 10000));
  std::string text;
  ASSERT_EQ(scene::ReadSceneText(bae.toStdString(), text), scene::SceneError::kNone);
  EXPECT_EQ(scene::ParseBatchCount(text), 8);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(scene::ParseBatchRecord(text, i)->Name(), std::to_string(i));

  for (int slot = 0; slot < 8; ++slot) c->Query(QString("sim-slot-mainvol %1 0").arg(slot));
  ASSERT_TRUE(ClickAndAnswerFileDialog(*c, kSettings, "btnBatchImport", bae));
  EXPECT_EQ(Answer(*c, "1", 40000), "Batch import success");
  ASSERT_TRUE(Console::WaitFor([&] { return !c->HasWindow(kProgress); }, 10000));
  // The window answers again once the run has ended (600 ms after the progress window).
  QThread::msleep(1500);
  c->Click(kSettings, "btnDeletePCMode");
  EXPECT_EQ(Answer(*c, "1"), "No selection of the scene to delete!");

  // count 9: refused before any slot is written, saying so; the window stays usable.
  for (int slot = 0; slot < 8; ++slot) c->Query(QString("sim-slot-mainvol %1 0").arg(slot));
  ASSERT_EQ(scene::WriteBatchCount(bae.toStdString(), 9), scene::SceneError::kNone);
  ASSERT_EQ(scene::WriteBatchRecord(bae.toStdString(), 8, *scene::ParseBatchRecord(text, 7)),
            scene::SceneError::kNone);
  ASSERT_TRUE(ClickAndAnswerFileDialog(*c, kSettings, "btnBatchImport", bae));
  const QString refused = Answer(*c, "1", 40000);
  EXPECT_TRUE(refused.startsWith("Batch import failure\\n")) << refused.toStdString();
  EXPECT_TRUE(refused.contains("nothing was written")) << refused.toStdString();
  ASSERT_TRUE(Console::WaitFor([&] { return !c->HasWindow(kProgress); }, 10000));
  QThread::msleep(1500);
  c->Click(kSettings, "btn_close");
  EXPECT_TRUE(Console::WaitFor([&] { return !c->HasWindow(kSettings); }, 5000));
}

// "File" chooses an item (the layout's "File" button, 9003).
TEST_F(EndToEndPresets, SceneFilesOpenAndSaveFromTheFileMenuWhereTheLastOnesWereAndDuplicatesAsk) {
  const Control file = c->Ctrl(kMain, "9003");
  if (!file.found || !file.visible) GTEST_SKIP() << "the layout shows no File button";
  EXPECT_EQ(c->Query("folder scene"), QDir::homePath());  // the first time
  EXPECT_EQ(c->Query("folder report"), QDir::homePath());
  EXPECT_TRUE(c->Query("folder program").startsWith("error"));
  const QString dir = folders.dir.path() + "/car scenes";
  ASSERT_TRUE(QDir().mkpath(dir));
  PCModeRecord rock;
  rock.SetName("Rock");
  const QByteArray shown = QByteArray::fromHex(c->Query("block store").toLatin1());  // the editor's block
  ASSERT_EQ(shown.size(), static_cast<qsizetype>(kBlockSize));
  std::copy(shown.begin(), shown.end(), rock.block.begin());
  WriteParam(rock.block, param::kMainVol, 23);
  rock.channelNames = {"Tweeter L", "Tweeter R", "Mid L", "Mid R", "Sub", ""};
  ASSERT_EQ(scene::WriteSceneFile((dir + "/rock.cae").toStdString(), rock), scene::SceneError::kNone);

  // Open: into the editor and the processor as one step, with the channel names.
  ASSERT_TRUE(ChooseFromFileMenu(*c, "Open scene…"));
  ASSERT_TRUE(AnswerFileDialog(*c, dir + "/rock.cae"));
  EXPECT_TRUE(DeviceHas("MainVol", 23)) << c->Query("param MainVol").toStdString();
  EXPECT_EQ(c->Query("names"), "Tweeter L|Tweeter R|Mid L|Mid R|Sub|");
  EXPECT_EQ(History(*c, "undo"), "Scene opened: Rock");
  EXPECT_EQ(c->Query("folder scene"), dir);
  EXPECT_EQ(c->Query("folder measurement"), QDir::homePath());  // each kind for itself

  // Save as: the dialog starts in that folder, so a bare file name lands there.
  ASSERT_TRUE(ChooseFromFileMenu(*c, "Save scene as…"));
  ASSERT_TRUE(AnswerFileDialog(*c, "copy"));
  ASSERT_TRUE(Console::WaitFor([&] { return QFileInfo::exists(dir + "/copy.cae"); }, 5000));
  const scene::SceneReadResult copy = scene::ReadSceneFile((dir + "/copy.cae").toStdString());
  ASSERT_TRUE(copy.record);
  EXPECT_EQ(copy.record->Name(), "copy");
  EXPECT_EQ(copy.record->channelNames, rock.channelNames);
  EXPECT_EQ(ReadParam(copy.record->block, param::kMainVol), 23);

  // The recent scenes, the latest first.
  c->Click(kMain, "9003");
  QStringList recent;
  for (const QString& item : MenuItems(*c)) {
    const QString text = ItemText(item);
    if (text.endsWith(".cae")) recent << text;
  }
  PressKey("Escape");
  ASSERT_EQ(recent.size(), 2) << recent.join('|').toStdString();
  EXPECT_TRUE(recent[0].endsWith("/car scenes/copy.cae")) << recent[0].toStdString();
  EXPECT_TRUE(recent[1].endsWith("/car scenes/rock.cae")) << recent[1].toStdString();
  QThread::msleep(300);

  // Importing a name that exists asks each time: keep both, then replace, then skip.
  ASSERT_TRUE(OpenFromFileMenu(*c, "My Preset", "my-preset", kMine));
  c->Click(kMine, "btnImport");
  ASSERT_TRUE(AnswerFileDialog(*c, "rock.cae"));  // again in the scene folder
  EXPECT_EQ(Answer(*c, "1").toStdString(), "1 scene files imported successfully.\\n");
  EXPECT_EQ(c->Query("pcmodes"), "Rock");
  for (const char* choice : {"Keep both", "Replace", "Skip"}) {
    c->Click(kMine, "btnImport");
    ASSERT_TRUE(AnswerFileDialog(*c, "rock.cae"));
    const QStringList question = Modal(*c);
    ASSERT_FALSE(question.isEmpty());
    EXPECT_TRUE(question[0].contains("\"Rock\" already exists")) << question[0].toStdString();
    ASSERT_TRUE(ChooseButton(*c, choice)) << question.join('|').toStdString();
    Answer(*c, "1");
  }
  EXPECT_EQ(c->Query("pcmodes"), "Rock|Rock (2)");
  EXPECT_EQ(c->Query("folder scene"), dir);
}

}  // namespace
}  // namespace brisvel::app::e2e
