// The console's side of the edit history in process: input gathered into
// steps (a press to its release, one key press), the offline question's
// answers on a store that a processor's block replaced, and the menu texts.
#include "app/edit_history.h"

#include <QCoreApplication>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

#include "editing/editing_test_support.h"
#include "editing/channel_editor.h"
#include "ui/translation.h"

namespace brisvel::app {
namespace {

void Settle() {
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

// A console with a store, a history and the A/B comparison only.
class HistoryConsole : public IConsole {
 public:
  CEffectStore store;
  editing::testing::FakeProcessorLink device{store};
  editing::CEditHistory history{store};
  editing::CAbCompare ab{store, history};
  RefreshNotifier refresher;
  settings::ConfigIni* config = nullptr;
  settings::CaeData cae;
  QString folder;
  int refreshes = 0;

  HistoryConsole() {
    QObject::connect(&refresher, &RefreshNotifier::Refresh, [this](RefreshKind) { ++refreshes; });
  }
  CEffectStore& Store() override { return store; }
  CDeviceManager* DeviceManager() override { return nullptr; }
  editing::IEditLink* EditLink() override { return &device; }
  bool IsConnected() const override { return store.ConnectedFlag(); }
  settings::ConfigIni& Config() override { return *config; }
  const settings::CaeData& CaeData() const override { return cae; }
  const QString& DataFolder() const override { return folder; }
  int Language() const override { return 1; }
  void SwitchLanguage(int) override {}
  void ExitRoutine() override {}
  RefreshNotifier& Refresher() override { return refresher; }
  editing::CEditHistory* History() override { return &history; }
  editing::CAbCompare* AbCompare() override { return &ab; }
};

TEST(EditSteps, APressToItsReleaseIsOneStepAndAKeyPressIsOne) {
  HistoryConsole app;
  editing::CChannelEditor editor(app.store, &app.device);
  EditStepFilter filter(app.history);
  qApp->installEventFilter(&filter);
  QSlider slider(Qt::Vertical);
  slider.setRange(0, 66);
  slider.resize(30, 200);
  QObject::connect(&slider, &QSlider::valueChanged, [&](int v) { editor.SetMasterVolume(v); });
  slider.show();

  QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(15, 100));
  for (int y = 110; y <= 190; y += 20) {
    QTest::mouseMove(&slider, QPoint(15, y));
    slider.setValue(slider.value() - 5);  // what the drag does to the value
  }
  QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(15, 190));
  Settle();
  EXPECT_EQ(app.history.UndoCount(), 1u);
  EXPECT_EQ(app.history.UndoName(), "Master volume");

  slider.setFocus();
  QTest::keyClick(&slider, Qt::Key_Up);
  Settle();
  EXPECT_EQ(app.history.UndoCount(), 2u);
  EXPECT_FALSE(app.history.Recording());
  qApp->removeEventFilter(&filter);

  const int refreshes = app.refreshes;
  UndoStep(app);
  UndoStep(app);
  EXPECT_EQ(app.store.Block(), FactoryBlock());
  EXPECT_EQ(app.refreshes, refreshes + 2);
  // The File pop-up's items, in English and translated.
  ASSERT_TRUE(ui::SetTranslation(ui::TranslatorForLanguage(1)));
  EXPECT_EQ(RedoItemText(&app.history), "Redo Master volume");
  EXPECT_EQ(UndoItemText(&app.history), "Undo");
  ASSERT_TRUE(ui::SetTranslation(ui::TranslatorForLanguage(0)));
  EXPECT_EQ(RedoItemText(&app.history), QString::fromUtf8("重做 总音量"));  // the step name follows the language
  EXPECT_EQ(UndoItemText(&app.history), QString::fromUtf8("撤销"));
  ui::SetTranslation(ui::TranslatorForLanguage(1));
}

class OfflineAnswers : public ::testing::TestWithParam<OfflineChoice> {};

TEST_P(OfflineAnswers, EachAnswerLeavesTheChosenBlockAndOneStepToTheOther) {
  HistoryConsole app;
  editing::CChannelEditor editor(app.store, &app.device);
  app.store.SetConnectedFlag(false);
  const EffectBlock start = app.store.Block();
  app.history.Record("CH5 volume", [&] { return editor.SetChannelVolume(0, 12); });
  const EffectBlock mine = app.store.Block();
  // The processor connects and its block replaces the editor's.
  EffectBlock processor = FactoryBlock();
  WriteParam(processor, param::Volume(1), 7);
  app.store.ReplaceBlock(processor);
  app.store.SetConnectedFlag(true);

  QStringList asked;
  std::vector<OfflineChoice> answers{GetParam()};
  if (GetParam() == OfflineChoice::kShowDifferences) answers.push_back(OfflineChoice::kKeepProcessor);
  SetOfflineQuestionResponder([&](const QString& differences) {
    asked << differences;
    const OfflineChoice c = answers.front();
    if (answers.size() > 1) answers.erase(answers.begin());
    return c;
  });
  AfterProcessorBlockRead(app, nullptr);
  SetOfflineQuestionResponder({});

  ASSERT_FALSE(asked.isEmpty());
  EXPECT_TRUE(asked[0].contains("CH5:\n  Volume_0: -48dB -> 6dB")) << asked[0].toStdString();
  EXPECT_TRUE(asked[0].contains("CH6:\n  Volume_1: 6dB -> -53dB")) << asked[0].toStdString();
  EXPECT_FALSE(app.history.OfflineEdits());
  if (GetParam() == OfflineChoice::kSendMine) {
    EXPECT_EQ(app.store.Block(), mine);
    EXPECT_EQ(app.history.UndoName(), "Send my settings to the processor");
    UndoStep(app);
    EXPECT_EQ(app.store.Block(), processor);
    EXPECT_EQ(app.history.UndoName(), "CH5 volume");
    UndoStep(app);  // from the processor's block to mine before the edit
    EXPECT_EQ(app.store.Block(), start);
    EXPECT_FALSE(app.history.CanUndo());
  } else {
    EXPECT_EQ(asked.size(), GetParam() == OfflineChoice::kShowDifferences ? 2 : 1);
    EXPECT_EQ(app.store.Block(), processor);
    EXPECT_EQ(app.history.UndoName(), "Keep the processor's settings");
    UndoStep(app);
    EXPECT_EQ(app.store.Block(), mine);
    EXPECT_EQ(app.store.PendingParams().count(param::Volume(1)), 1u);  // mine goes out
  }
}

INSTANTIATE_TEST_SUITE_P(EveryAnswer, OfflineAnswers,
                         ::testing::Values(OfflineChoice::kKeepProcessor, OfflineChoice::kSendMine,
                                           OfflineChoice::kShowDifferences),
                         [](const ::testing::TestParamInfo<OfflineChoice>& info) {
                           switch (info.param) {
                             case OfflineChoice::kKeepProcessor: return std::string("KeepProcessor");
                             case OfflineChoice::kSendMine: return std::string("SendMine");
                             case OfflineChoice::kShowDifferences: return std::string("ShowDifferences");
                           }
                           return std::string("Unknown");
                         });

TEST(OfflineConnection, WithoutOfflineEditsAConnectionEndsTheHistoryOnlyWhenTheBlockChanged) {
  HistoryConsole app;
  editing::CChannelEditor editor(app.store, &app.device);
  app.history.Record("CH5 volume", [&] { return editor.SetChannelVolume(0, 12); });
  bool asked = false;
  SetOfflineQuestionResponder([&](const QString&) {
    asked = true;
    return OfflineChoice::kKeepProcessor;
  });
  AfterProcessorBlockRead(app, nullptr);  // the same block came back
  EXPECT_TRUE(app.history.CanUndo());
  app.store.ReplaceBlock(FactoryBlock());
  AfterProcessorBlockRead(app, nullptr);
  SetOfflineQuestionResponder({});
  EXPECT_FALSE(asked);
  EXPECT_FALSE(app.history.CanUndo());
}

}  // namespace
}  // namespace brisvel::app
