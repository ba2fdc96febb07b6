// The main window's editing controller on the offscreen platform, without a
// processor: refresh from the block, linked ranges, units, grouping menus,
// parse-and-show, the equaliser reset; and the control channel's block view.

#include <gtest/gtest.h>

#include <QApplication>
#include <set>

#include "app/demo/control_channel.h"
#include "app/demo/simulated_device.h"
#include "app/layout_ids/xml_mainwnd.h"
#include "app/main_dlg.h"
#include "app/ui_event_handler.h"
#include "app_test_support.h"
#include "core/scales.h"
#include "ui/basic_controls.h"
#include "ui/ui_event.h"
#include "controls/value_controls.h"

namespace brisvel::app {
namespace {

namespace ids = layout::mainwnd;
using test::PrivateFolders;
using test::StartedConsole;

class MainWindowEditing : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(console.ok);
    main = console.app->MainWindow();
    ASSERT_NE(main, nullptr);
    handler = main->Handler();
    ASSERT_NE(handler, nullptr);
  }
  CEffectStore& Store() { return console.app->Store(); }
  template <class T>
  T* C(int id) {
    T* c = main->Find<T>(id);
    EXPECT_NE(c, nullptr) << id;
    return c;
  }
  QString Text(int id) { return C<ui::SEdit2>(id)->text(); }
  // The user types text into an edit and leaves it.
  void Type(int id, const QString& text) {
    auto* e = C<ui::SEdit2>(id);
    e->setText(text);
    ui::RaiseEvent(e, ui::KillFocusArgs{});
  }
  void Step(int id, int step) { ui::RaiseEvent(C<ui::SEdit2>(id), ui::EditValueChangingArgs{step}); }
  void Slide(int id, int position) {
    auto* s = C<ui::SkSlider>(id);
    s->SetValue(position);
    ui::RaiseEvent(s, ui::SliderPosArgs{position});
  }
  void Click(int id, std::optional<bool> checkTo = std::nullopt) {
    QWidget* w = main->FindById(id);
    ASSERT_NE(w, nullptr) << id;
    if (checkTo) dynamic_cast<ui::SkCheckButton*>(w)->SetChecked(*checkTo);
    ui::RaiseEvent(w, ui::CmdArgs{});
  }
  bool Checked(int id) { return C<ui::SkCheckButton>(id)->IsChecked(); }
  void Refresh() { console.app->Refresher().Send(RefreshKind::kFull); }

  PrivateFolders folders;
  StartedConsole console{false};
  CMainDlg* main = nullptr;
  CUIEventHandler* handler = nullptr;
};

TEST_F(MainWindowEditing, TheRefreshNotificationReloadsEveryControlFromTheBlock) {
  CEffectStore& s = Store();
  s.SetParam(param::kMainVol, 0);
  s.SetParam(param::Volume(3), 57);
  s.SetParam(param::kMuteCtrl, 0x3F);
  s.SetParam(param::kPhaseCtrl, 0x05);
  s.SetParam(param::Delay(2), 960);
  s.SetParam(param::HpFreq(5), 0);
  s.SetParam(param::HpType(5), (1 << 6) | 3);
  s.SetParam(param::kNoiseGate, 7);
  s.SetParam(param::EqGain(5, 4), 450);
  s.SetLinkFlag(1, 6);
  s.SetCurrentChannel(5);
  s.SetInputMode(1);
  Refresh();

  EXPECT_EQ(C<ui::SkSlider>(ids::kMasterSlider)->Value(), 0);
  EXPECT_EQ(Text(ids::kMasterEdit), "OFF");
  EXPECT_TRUE(Checked(ids::kMasterMute));
  EXPECT_EQ(Text(ids::kChannelEdit + 3), "-3dB");
  EXPECT_EQ(C<ui::SkSlider>(ids::kChannelSlider + 3)->Value(), 57);
  EXPECT_TRUE(Checked(ids::kPhase + 0));
  EXPECT_FALSE(Checked(ids::kPhase + 1));
  EXPECT_TRUE(Checked(ids::kPhase + 2));
  EXPECT_EQ(Text(ids::kDelayEdit + 2), "20.000");
  EXPECT_TRUE(Checked(ids::kGrouping + 1));
  EXPECT_FALSE(Checked(ids::kGrouping + 0));
  EXPECT_TRUE(Checked(ids::kFourInputs));
  // Channel 5 (CH4) is current; the rear pair shows both selectors checked.
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(Checked(ids::kChannelSelect + i), i == 4 || i == 5) << i;
    EXPECT_EQ(Checked(ids::kDelaySelect + i), i == 4 || i == 5) << i;
  }
  EXPECT_EQ(ui::AsElement(main->FindById(ids::kGraphCaption))->SourceText(), "CH 4");
  EXPECT_EQ(Text(ids::kHpFreq), "OFF");
  EXPECT_EQ(C<ui::ComboBox>(ids::kHpType)->currentIndex(), 1);
  EXPECT_EQ(C<ui::ComboBox>(ids::kHpSlope)->currentIndex(), 3);
  EXPECT_EQ(C<ui::ComboBox>(ids::kNoiseGate)->currentIndex(), 7);
  EXPECT_EQ(Text(ids::kBandGain + 4), "4.5");
  EXPECT_EQ(C<ui::SkSlider>(ids::kBandSlider + 4)->Value(), 45);
}

TEST_F(MainWindowEditing, VolumeEditsCoverTheLinkedRangeAndDelaysIgnoreLinks) {
  CEffectStore& s = Store();
  s.SetLinkFlag(0, 3);  // front pair based on CH1
  s.SetCurrentChannel(3);
  Refresh();
  Slide(ids::kChannelSlider + 3, 40);
  EXPECT_EQ(s.GetParam(param::Volume(2)), 40);
  EXPECT_EQ(s.GetParam(param::Volume(3)), 40);
  EXPECT_EQ(C<ui::SkSlider>(ids::kChannelSlider + 2)->Value(), 40);
  EXPECT_EQ(Text(ids::kChannelEdit + 2), "-20dB");
  const int rearBefore = s.GetParam(param::Volume(5));
  Slide(ids::kChannelSlider + 4, 10);
  EXPECT_EQ(s.GetParam(param::Volume(4)), 10);
  EXPECT_EQ(s.GetParam(param::Volume(5)), rearBefore);

  const int otherDelay = s.GetParam(param::Delay(3));
  Type(ids::kDelayEdit + 2, "5");
  EXPECT_EQ(s.GetParam(param::Delay(2)), 240);
  EXPECT_EQ(s.GetParam(param::Delay(3)), otherDelay);
  EXPECT_EQ(Text(ids::kDelayEdit + 2), "5.000");
}

TEST_F(MainWindowEditing, TypedValuesShowWhatTheBlockHolds) {
  CEffectStore& s = Store();
  Type(ids::kChannelEdit + 4, "-75");
  EXPECT_EQ(s.GetParam(param::Volume(4)), 0);
  EXPECT_EQ(Text(ids::kChannelEdit + 4), "OFF");
  Type(ids::kChannelEdit + 4, "abc");
  EXPECT_EQ(Text(ids::kChannelEdit + 4), QString::fromStdString(VolumeText(s.GetParam(param::Volume(4)))));
  Type(ids::kMasterEdit, "9");
  EXPECT_EQ(s.GetParam(param::kMainVol), 66);
  EXPECT_EQ(Text(ids::kMasterEdit), "6dB");
  EXPECT_EQ(C<ui::SkSlider>(ids::kMasterSlider)->Value(), 66);
  Type(ids::kHpFreq, "15");
  EXPECT_EQ(s.GetParam(param::HpFreq(4)), 0);
  EXPECT_EQ(Text(ids::kHpFreq), "OFF");
  Step(ids::kHpFreq, +1);
  EXPECT_EQ(s.GetParam(param::HpFreq(4)), 20);
  EXPECT_EQ(Text(ids::kHpFreq), "20Hz");
  Step(ids::kHpFreq, -1);
  EXPECT_EQ(Text(ids::kHpFreq), "OFF");
  Type(ids::kThreshold, "-31");
  EXPECT_EQ(static_cast<int16_t>(s.GetParam(param::Threshold(4))), -3000);
  EXPECT_EQ(Text(ids::kThreshold), "-30.0dBu");
  Type(ids::kAttack, "0.25");
  EXPECT_EQ(Text(ids::kAttack), "0.3ms");
  // Enter (a step of 0) applies the typed text.
  auto* lp = C<ui::SEdit2>(ids::kLpFreq);
  lp->setText("30000");
  Step(ids::kLpFreq, 0);
  EXPECT_EQ(s.GetParam(param::LpFreq(4)), 20000);
  EXPECT_EQ(Text(ids::kLpFreq), "20000Hz");
}

TEST_F(MainWindowEditing, UnitRadiosAndTheHiddenListRewriteTheDelays) {
  CEffectStore& s = Store();
  s.SetParam(param::Delay(0), 48);
  Refresh();
  auto* cm = C<ui::SkRadioButton>(ids::kUnitRadio + 1);
  cm->CheckInGroup();
  ui::RaiseEvent(cm, ui::StateChangedArgs{true});
  EXPECT_EQ(s.DelayUnit(), 1);
  EXPECT_EQ(Text(ids::kDelayEdit + 0), "34.60");
  EXPECT_EQ(C<ui::ComboBox>(ids::kUnitList)->currentIndex(), 1);
  EXPECT_EQ(s.GetParam(param::Delay(0)), 48);
  ui::RaiseEvent(C<ui::ComboBox>(ids::kUnitList), ui::SelChangedArgs{2});
  EXPECT_EQ(s.DelayUnit(), 2);
  EXPECT_EQ(Text(ids::kDelayEdit + 0), "13.62");
  EXPECT_TRUE(Checked(ids::kUnitRadio + 2));
  EXPECT_FALSE(Checked(ids::kUnitRadio + 1));
}

TEST_F(MainWindowEditing, GroupingMenusChooseCopyOrLeaveTheLinks) {
  CEffectStore& s = Store();
  s.SetParam(param::Volume(3), 50);
  s.SetParam(param::EqGain(3, 30), 300);
  s.SetParam(param::Volume(2), 20);
  s.SetLinkFlag(3, 1);  // bass pair active
  Refresh();
  std::vector<QPoint> shownAt;
  int choice = 0;
  handler->SetMenuChooser([&](editing::LinkGroup, const QPoint& at) {
    shownAt.push_back(at);
    return choice;
  });
  // Dismissed: the box goes back to unchecked, links unchanged.
  Click(ids::kGrouping + 0, true);
  ASSERT_EQ(shownAt.size(), 1u);
  auto* box = C<ui::SkCheckButton>(ids::kGrouping + 0);
  EXPECT_EQ(shownAt[0], box->mapToGlobal(QPoint(0, box->height() + 2)));
  EXPECT_FALSE(Checked(ids::kGrouping + 0));
  EXPECT_EQ(s.LinkFlag(0), 0);
  EXPECT_EQ(s.LinkFlag(3), 1);
  // "Base of CH2": CH2 copied into CH1, CH2 current, the bass group cleared.
  choice = 204;
  Click(ids::kGrouping + 0, true);
  EXPECT_EQ(s.LinkFlag(0), 4);
  EXPECT_EQ(s.LinkFlag(3), 0);
  EXPECT_FALSE(Checked(ids::kGrouping + 3));
  EXPECT_EQ(s.CurrentChannel(), 3);
  EXPECT_EQ(s.GetParam(param::Volume(2)), 50);
  EXPECT_EQ(s.GetParam(param::EqGain(2, 30)), 300);
  EXPECT_EQ(Text(ids::kChannelEdit + 2), "-10dB");
  EXPECT_TRUE(Checked(ids::kChannelSelect + 2));
  EXPECT_TRUE(Checked(ids::kChannelSelect + 3));
  // Unchecking keeps the base selected.
  Click(ids::kGrouping + 0, false);
  EXPECT_EQ(s.LinkFlag(0), 0);
  EXPECT_EQ(s.CurrentChannel(), 3);
  EXPECT_FALSE(Checked(ids::kChannelSelect + 2));
  EXPECT_TRUE(Checked(ids::kChannelSelect + 3));
  // The four-speaker group links 2 ... 5.
  choice = 205;
  Click(ids::kGrouping + 2, true);
  EXPECT_EQ(s.LinkFlag(2), 5);
  for (int i = 2; i < 6; ++i) EXPECT_TRUE(Checked(ids::kChannelSelect + i)) << i;
}

TEST_F(MainWindowEditing, SelectingAChannelAndClickingTheSelectedOne) {
  CEffectStore& s = Store();
  Click(ids::kChannelSelect + 0);
  EXPECT_EQ(s.CurrentChannel(), 0);
  EXPECT_TRUE(Checked(ids::kChannelSelect + 0));
  EXPECT_TRUE(Checked(ids::kDelaySelect + 0));
  EXPECT_FALSE(Checked(ids::kChannelSelect + 4));
  const EffectBlock before = s.Block();
  Click(ids::kDelaySelect + 0);
  EXPECT_EQ(s.CurrentChannel(), 0);
  EXPECT_TRUE(Checked(ids::kChannelSelect + 0));
  EXPECT_EQ(s.Block(), before);
}

TEST_F(MainWindowEditing, ResetWithoutAProcessorRestoresTheFactoryCrossoverAndBands) {
  CEffectStore& s = Store();
  s.SetParam(param::HpFreq(4), 500);
  s.SetParam(param::EqGain(4, 10), -800);
  s.SetParam(param::Volume(4), 30);
  Refresh();
  EXPECT_EQ(Text(ids::kBandGain + 10), "-8.0");
  Click(ids::kResetEq);
  const EffectBlock& f = FactoryBlock();
  EXPECT_EQ(s.GetParam(param::HpFreq(4)), ReadParam(f, param::HpFreq(4)));
  EXPECT_EQ(s.GetParam(param::EqGain(4, 10)), ReadParam(f, param::EqGain(4, 10)));
  EXPECT_EQ(s.GetParam(param::Volume(4)), 30);  // volumes are not reset
  EXPECT_EQ(s.GetParam(param::kResetCtrl), 0);
  EXPECT_EQ(Text(ids::kHpFreq), QString::fromStdString(HighPassText(ReadParam(f, param::HpFreq(4)))));
  EXPECT_EQ(Text(ids::kBandGain + 10), QString::fromStdString(GainText(static_cast<int16_t>(ReadParam(f, param::EqGain(4, 10))))));
}

TEST_F(MainWindowEditing, MasterMuteSetsAllSixBits) {
  CEffectStore& s = Store();
  Click(ids::kMasterMute, true);
  EXPECT_EQ(s.GetParam(param::kMuteCtrl), 63);
  for (int i = 0; i < 6; ++i) EXPECT_TRUE(Checked(ids::kMute + i));
  Click(ids::kMute + 2, false);
  EXPECT_EQ(s.GetParam(param::kMuteCtrl), 63 & ~4);
  EXPECT_FALSE(Checked(ids::kMasterMute));
}

TEST_F(MainWindowEditing, TabReachesEveryControlPanelByPanel) {
  main->show();
  // The panels in reading order: upper row left to right, then the lower row.
  const QStringList panels = {"CHANNEL_DELAY", "CHANNEL_TAB", "limiter", "crossover", "equaliser"};
  auto panelOf = [&](QWidget* w) {
    for (int i = 0; i < panels.size(); ++i)
      if (main->FindByName(panels[i])->isAncestorOf(w)) return i;
    return -1;
  };
  QWidget* first = main->FindById(ids::kDelayEdit + 2);
  ASSERT_NE(first, nullptr);
  std::vector<QWidget*> chain;
  QWidget* w = first;
  do {
    if ((w->focusPolicy() & Qt::TabFocus) && w->isVisible() && w->isEnabled()) chain.push_back(w);
    w = w->nextInFocusChain();
  } while (w != first && chain.size() < 2000);
  int lastPanel = 0;
  std::set<QWidget*> reached(chain.begin(), chain.end());
  for (QWidget* c : chain) {
    const int p = panelOf(c);
    if (p < 0) continue;
    EXPECT_GE(p, lastPanel) << ui::ElementId(c) << " comes after a later panel";
    lastPanel = std::max(lastPanel, p);
  }
  // Every control the user edits is reachable (the graph's handles are dragged).
  for (QWidget* c : main->FindByName("main_body")->findChildren<QWidget*>()) {
    const bool editable = dynamic_cast<ui::SEdit2*>(c) || dynamic_cast<ui::SkSlider*>(c) ||
                          dynamic_cast<ui::ComboBox*>(c) || dynamic_cast<ui::SkCheckButton*>(c) ||
                          dynamic_cast<ui::Button*>(c);
    if (!editable || !c->isVisible() || !c->isEnabled()) continue;
    EXPECT_TRUE(reached.count(c)) << ui::ElementId(c) << " cannot be reached with Tab";
  }
}

TEST(ControlChannelBlock, ParamAndBlockReportTheStoreAndThePluggedProcessor) {
  PrivateFolders folders;
  StartedConsole console(true);
  ASSERT_TRUE(console.ok);
  demo::ControlChannel channel(*console.app);
  console.app->Store().SetParam(param::kMainVol, 33);
  const QString answer = channel.Execute("param MainVol");
  EXPECT_TRUE(answer.startsWith("store=33 device=")) << answer.toStdString();
  EXPECT_EQ(channel.Execute("param NoSuchName"), "error unknown parameter");
  const QString store = channel.Execute("block store");
  ASSERT_EQ(store.size(), 2412);
  EXPECT_EQ(QByteArray::fromHex(store.toLatin1()).at(param::kMainVol), 33);
  EXPECT_EQ(channel.Execute("block device").size(), 2412);
  ASSERT_TRUE(console.app->Simulator()->Unplug());
  EXPECT_EQ(channel.Execute("param MainVol"), "store=33");
  EXPECT_TRUE(channel.Execute("block device").startsWith("error"));
  console.app->Refresher().Send(RefreshKind::kFull);
  const QString slider = channel.Execute("ctrl XML_MAINWND 2000");
  EXPECT_TRUE(slider.contains(" 33|")) << slider.toStdString();
}

}  // namespace
}  // namespace brisvel::app
