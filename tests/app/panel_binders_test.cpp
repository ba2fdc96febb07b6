// The binders of the editing panels one at a time: a host window with only
// their controls, a store and an editor, no console around them.

#include <gtest/gtest.h>

#include <QApplication>

#include "app/panel_binders.h"
#include "controls/value_controls.h"
#include "ui/basic_controls.h"
#include "ui/host_window.h"
#include "ui/ui_event.h"

namespace brisvel::app {
namespace {

// Counts what the binders ask of the panels as a whole.
struct CountingPanels final : IPanels {
  void ChannelRefresh() override { ++channelRefreshes; }
  void TabRefresh() override { ++tabRefreshes; }
  void ShowVolume(int) override { ++volumes; }
  void FullRefresh() override { ++fullRefreshes; }
  editing::CEditHistory* History() override { return nullptr; }
  int channelRefreshes = 0, tabRefreshes = 0, volumes = 0, fullRefreshes = 0;
};

class BinderTest : public ::testing::Test {
 protected:
  bool Load(const char* xml) { return window.LoadLayoutXml(QByteArray(xml)); }
  // The user typed text into an edit and left it.
  void Type(int id, const QString& text) {
    auto* e = window.Find<ui::SEdit2>(id);
    ASSERT_NE(e, nullptr) << id;
    e->setText(text);
    ui::RaiseEvent(e, ui::KillFocusArgs{});
  }

  ui::HostWindow window;
  CEffectStore store;
  editing::CChannelEditor editor{store, nullptr};
  CountingPanels panels;
};

TEST_F(BinderTest, TheLimiterBinderWritesTheCurrentChannelAndShowsIt) {
  ASSERT_TRUE(Load(R"(<layout width="200" height="120">
    <edit2 id="4003" pos="5,5" size="70,23"/><edit2 id="4004" pos="5,35" size="70,23"/>
    <combobox id="8004" pos="90,5" size="80,23"><items><item text="Atk*2"/><item text="Atk*4"/></items></combobox>
  </layout>)"));
  LimiterBinder binder(window, store, editor, panels);
  binder.Bind();  // no noise gate list in this layout: skipped
  store.SetCurrentChannel(2);
  binder.Refresh();
  EXPECT_EQ(window.Find<ui::SEdit2>(4003)->text(), "6.0dBu");
  Type(4003, "-12.3");
  EXPECT_EQ(static_cast<int16_t>(store.GetParam(param::Threshold(2))), -1230);
  EXPECT_EQ(window.Find<ui::SEdit2>(4003)->text(), "-12.3dBu");
  ui::RaiseEvent(window.Find<ui::SEdit2>(4004), ui::EditValueChangingArgs{-1});
  EXPECT_EQ(store.GetParam(param::Attack(2)), 1900);
  EXPECT_EQ(panels.channelRefreshes, 0);
}

TEST_F(BinderTest, TheDelayBinderShowsEveryChannelInTheChosenUnit) {
  ASSERT_TRUE(Load(R"(<layout width="300" height="120">
    <edit2 id="4100" pos="5,5" size="60,20"/><edit2 id="4102" pos="5,30" size="60,20"/>
    <skradiobtn id="7000" pos="100,5" size="40,20"/><skradiobtn id="7001" pos="100,30" size="40,20"/>
  </layout>)"));
  DelayBinder binder(window, store, editor, panels);
  binder.Bind();
  Type(4102, "1");
  EXPECT_EQ(store.GetParam(param::Delay(2)), 48);
  editor.SetDelayUnit(1);
  binder.Refresh();
  EXPECT_EQ(window.Find<ui::SEdit2>(4102)->text(), "34.60");
  EXPECT_EQ(window.Find<ui::SEdit2>(4100)->text(), "0.00");
  EXPECT_TRUE(window.Find<ui::SkRadioButton>(7001)->IsChecked());
}

TEST_F(BinderTest, TheStripBinderAsksThePanelsWhenTheChannelChanges) {
  ASSERT_TRUE(Load(R"(<layout width="300" height="120">
    <skcheckbtn id="1402" pos="5,5" size="40,20" autoCheck="0"/><skcheckbtn id="1404" pos="50,5" size="40,20" autoCheck="0"/>
    <edit2 id="6002" pos="5,30" size="60,20"/><edit2 id="6003" pos="70,30" size="60,20"/>
  </layout>)"));
  StripBinder binder(window, store, editor, panels);
  binder.Bind();
  ui::RaiseEvent(window.FindById(1402), ui::CmdArgs{});  // CH1 chosen
  EXPECT_EQ(store.CurrentChannel(), 2);
  EXPECT_EQ(panels.channelRefreshes, 1);
  EXPECT_EQ(panels.tabRefreshes, 1);
  ui::RaiseEvent(window.FindById(1402), ui::CmdArgs{});  // chosen already: no channel refresh
  EXPECT_EQ(panels.channelRefreshes, 1);
  Type(6003, "-6");
  EXPECT_EQ(store.GetParam(param::Volume(3)), 54);
  EXPECT_EQ(window.Find<ui::SEdit2>(6003)->text(), "-6dB");
  EXPECT_EQ(store.GetParam(param::Volume(2)), 66);  // not linked
}

}  // namespace
}  // namespace brisvel::app
