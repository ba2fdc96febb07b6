// The console's controls inside the toolkit: registered with the loader, found
// and driven by dialog handlers, silent when set by code, and the dialog keys
// next to a numeric edit.

#include "controls/car_view.h"
#include "controls/eq_graph.h"
#include "controls/value_controls.h"
#include "ui/layout_loader.h"
#include "ui/translation.h"
#include "ui/ui_test_support.h"

#include <QTimer>
#include <gtest/gtest.h>

namespace brisvel::ui::test {
namespace {

TEST(RegistryTest, EveryConsoleElementIsRegisteredWithTheLoader) {
  for (const char* name : {"skprogress", "skslider", "skcheckbtn", "skradiobtn", "moveThumb", "skeqgrid", "skeqcurve",
                           "skeq", "edit2", "skcarthumb", "skcargrid", "skcarcurve", "skcar", "gifplayer", "skrotaryknob",
                           "window", "text", "img", "button", "imgbtn", "check", "radio", "edit", "combobox", "tabctrl"})
    EXPECT_TRUE(ElementRegistry::Instance().Has(name)) << name;
  EXPECT_FALSE(ElementRegistry::Instance().Has("sknothing"));
}

// A handler in the style of the console's dialogs.
struct SampleHandler : DialogEventHandler {
  SkSlider* level = nullptr;
  SEdit2* text = nullptr;
  QWidget* missing = nullptr;
  std::vector<int> changes;
  int timerTicks = 0;
  void OnInit(HostWindow& dlg) override {
    level = dlg.Find<SkSlider>(7100);
    text = dlg.Find<SEdit2>("level_text");
    missing = dlg.FindById(8200);
    dlg.SetTimer(77, 20);
  }
  bool OnEvent(HostWindow& dlg, const Event& e) override {
    if (const auto* moved = e.As<SliderPosArgs>(); moved && e.senderId >= 7100 && e.senderId <= 7105) {
      changes.push_back(moved->position);
      if (text) text->SetText(QString::number(moved->position));
      return true;
    }
    if (e.Id() == EventCmd && e.senderName == "btn_ok") {
      dlg.EndDialog(1);
      return true;
    }
    return false;
  }
  void OnTimer(HostWindow& dlg, int id) override {
    if (id == 77 && ++timerTicks == 2) dlg.KillTimer(77);
  }
};

TEST(DialogHostTest, HandlerFindsControlsSkipsMissingOnesAndEndsTheDialog) {
  CCommonDlg<SampleHandler> dlg("XML_TEST_NONE");
  EXPECT_FALSE(dlg.Create());
  CCommonDlg<SampleHandler> host("", nullptr);
  ASSERT_TRUE(host.LoadLayoutXml(R"(<layout width="200" height="200">
      <skslider id="7100" pos="10,10" size="16,122" min="0" max="66" value="60" vertical="1"/>
      <edit2 name="level_text" pos="40,10" size="40,20"/>
      <button name="btn_ok" id="1" pos="100,150" size="60,24" text="OK"/>
    </layout>)"));
  SampleHandler& h = host.Handler();
  ASSERT_NE(h.level, nullptr);
  ASSERT_NE(h.text, nullptr);
  EXPECT_EQ(h.missing, nullptr);
  int result = -1;
  QTimer::singleShot(0, [&] {
    QTest::mouseClick(h.level, Qt::LeftButton, {}, QPoint(8, 2));
    QTRY_COMPARE_WITH_TIMEOUT(h.timerTicks, 2, 2000);
    QTest::mouseClick(host.FindByName("btn_ok"), Qt::LeftButton, {}, QPoint(5, 5));
  });
  result = host.DoModal();
  EXPECT_EQ(result, 1);
  ASSERT_EQ(h.changes.size(), 1u);
  EXPECT_EQ(h.text->text(), QString::number(h.changes[0]));
  EXPECT_FALSE(host.HasTimer(77));
}

// Sets every control of the window by code, the ways a window reloads its controls.
int SetEveryControlByCode(HostWindow& host) {
  int touched = 0;
  for (QWidget* w : host.Root()->findChildren<QWidget*>()) {
    ++touched;
    if (auto* r = dynamic_cast<SkRadioButton*>(w)) {
      r->CheckInGroup();
      r->SetChecked(false);
    } else if (auto* c = dynamic_cast<SkCheckButton*>(w)) {
      c->SetChecked(!c->IsChecked());
      c->SetChecked(!c->IsChecked());
    } else if (auto* k = dynamic_cast<SkRotaryKnob*>(w)) {
      k->SetValue(k->Max());
      k->SetRange(0, 10);
      k->SetValue(-5);
    } else if (auto* sl = dynamic_cast<SkSlider*>(w)) {
      sl->SetValue(sl->Max());
      sl->SetRange(sl->Min(), sl->Max() - 1);
      sl->SetValue(sl->Min());
    } else if (auto* p = dynamic_cast<SkProgress*>(w)) {
      p->SetValue(p->Max());
    } else if (auto* e = dynamic_cast<Edit*>(w)) {
      e->SetText("12");
      e->setText("-3dB");
    } else if (auto* cb = dynamic_cast<ComboBox*>(w)) {
      cb->setCurrentIndex(cb->count() - 1);
      cb->AddItem("x");
      cb->setCurrentIndex(0);
    } else if (auto* t = dynamic_cast<TabControl*>(w)) {
      t->setCurrentIndex(t->count() - 1);
    } else if (auto* eq = dynamic_cast<SkEQ*>(w)) {
      eq->Refresh();
    } else if (auto* car = dynamic_cast<SkCar*>(w)) {
      car->SetSpeakers({CarPoint{100, 100}, {200, 100}, {100, 300}, {200, 300}, {150, 50}, {150, 350}}, {150, 200});
    } else {
      --touched;
    }
  }
  QApplication::processEvents();
  return touched;
}

TEST(ControlContractTest, ValuesSetByCodeNeverRaiseEventsForAnyControl) {
  // The gallery holds one of every control the toolkit and the console have.
  HostWindow host;
  EventLog log;
  host.Router().OnIdRange(0, INT_MIN, INT_MAX, [&](const Event& e) { log.events.push_back(e); });
  ASSERT_TRUE(host.LoadLayout("XML_GALLERY"));
  host.show();
  QApplication::processEvents();
  EXPECT_GE(SetEveryControlByCode(host), 80);
  ASSERT_TRUE(SetTranslation("translator:en"));
  ASSERT_TRUE(SetTranslation("translator:cn"));
  for (const Event& e : log.events) ADD_FAILURE() << e.Name().toStdString() << " from " << e.senderId;
  EXPECT_TRUE(log.events.empty());
}

constexpr const char* kOkCancelLayout = R"(<layout width="300" height="120">
  <edit name="code" pos="5,5" size="100,23"/>
  <edit2 id="4000" pos="5,40" size="60,23" text="0dB"/>
  <button id="1" name="btnOK" pos="120,80" size="60,24" text="OK"/>
  <button id="2" name="btnCancel" pos="200,80" size="60,24" text="Cancel"/>
</layout>)";

// Records every event and leaves it to the dialog's standard buttons.
struct RecordingHandler : DialogEventHandler {
  EventLog log;
  bool OnEvent(HostWindow&, const Event& e) override {
    log.events.push_back(e);
    return false;
  }
};

TEST(DialogKeysTest, EnterIsOkAndEscapeIsCancelInModalDialogsOnly) {
  struct Case {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int result;
  } cases[] = {{Qt::Key_Return, Qt::NoModifier, 1}, {Qt::Key_Enter, Qt::KeypadModifier, 1},
               {Qt::Key_Escape, Qt::NoModifier, 2}};
  for (const Case& c : cases) {
    CCommonDlg<RecordingHandler> dlg("");
    const EventLog& log = dlg.Handler().log;
    ASSERT_TRUE(dlg.LoadLayoutXml(kOkCancelLayout));
    dlg.setModal(true);
    dlg.show();
    QApplication::processEvents();
    // From the text box, as after typing: the key goes up to the dialog.
    QTest::keyClick(dlg.FindByName("code"), c.key, c.modifiers);
    EXPECT_FALSE(dlg.isVisible()) << c.key;
    EXPECT_EQ(dlg.result(), c.result) << c.key;
    ASSERT_EQ(log.Count(EventCmd), 1) << c.key;  // the button's own click, so handlers see it
    EXPECT_EQ(log.Last(EventCmd)->senderId, c.result);
  }

  // Enter in a numeric edit applies its value and leaves the dialog open.
  CCommonDlg<RecordingHandler> dlg("");
  const EventLog& log = dlg.Handler().log;
  ASSERT_TRUE(dlg.LoadLayoutXml(kOkCancelLayout));
  dlg.setModal(true);
  dlg.show();
  QApplication::processEvents();
  // Untouched, Enter applies nothing and still does not close the dialog.
  QTest::keyClick(dlg.Find<SEdit2>(4000), Qt::Key_Return);
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_EQ(log.Count(EventEditValueChanging), 0);
  QTest::keyClicks(dlg.Find<SEdit2>(4000), "5");
  QTest::keyClick(dlg.Find<SEdit2>(4000), Qt::Key_Return);
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_EQ(log.Count(EventEditValueChanging), 1);
  EXPECT_EQ(log.Count(EventCmd), 0);
  // A hidden OK is not pressed.
  dlg.FindById(1)->hide();
  QTest::keyClick(dlg.FindByName("code"), Qt::Key_Return);
  EXPECT_TRUE(dlg.isVisible());
  dlg.done(0);

  // A window that is not a dialog run modally keeps both keys to itself.
  EventLog windowLog;
  auto window = MakeHost(kOkCancelLayout, &windowLog);
  ASSERT_TRUE(window);
  QTest::keyClick(window->FindByName("code"), Qt::Key_Return);
  QTest::keyClick(window->FindByName("code"), Qt::Key_Escape);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(windowLog.Count(EventCmd), 0);
}

}  // namespace
}  // namespace brisvel::ui::test
