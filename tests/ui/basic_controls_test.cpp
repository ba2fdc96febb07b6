// The toolkit's check and radio buttons and level bar: clicks, keys and the
// state-dependent options.

#include "ui/basic_controls.h"

#include "ui_test_support.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QImage>

namespace brisvel::ui::test {
namespace {

constexpr const char* kCheckLayout = R"(<layout width="300" height="120">
  <skcheckbtn id="1400" pos="5,5" size="80,23" skin="_button" text="CH1" autoCheck="0"/>
  <skcheckbtn id="1501" pos="100,5" size="65,30" skin="_button" multitext="1" text1="GEQ" text2="PEQ"
      multitip="1" tip1="graphic" tip2="parametric" multicolor="1" colortext1="#ffffffff" colortext2="#00ff00ff"/>
  <window pos="0,50,-0,-0">
    <skradiobtn id="7000" pos="5,5" size="40,23" text="MS" checked="1"/>
    <skradiobtn id="7001" pos="50,5" size="40,23" text="CM"/>
    <skradiobtn id="7002" pos="95,5" size="40,23" text="IN"/>
  </window>
</layout>)";

TEST(CheckButtonTest, WithoutAutoCheckAClickNeverTogglesButIsReported) {
  EventLog log;
  auto host = MakeHost(kCheckLayout, &log);
  auto* sel = host->Find<SkCheckButton>(1400);
  ASSERT_NE(sel, nullptr);
  QTest::mouseClick(sel, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_FALSE(sel->IsChecked());
  EXPECT_EQ(log.Count(EventCmd), 1);
  EXPECT_EQ(log.Count(EventStateChanged), 0);
  QTest::keyClick(sel, Qt::Key_Space);
  EXPECT_FALSE(sel->IsChecked());
  EXPECT_EQ(log.Count(EventCmd), 2);
  sel->SetChecked(true);  // only the owner sets it
  EXPECT_TRUE(sel->IsChecked());
}

TEST(CheckButtonTest, AutoCheckTogglesBeforeTheClickAndAppliesStateOptions) {
  EventLog log;
  auto host = MakeHost(kCheckLayout, &log);
  auto* toggle = host->Find<SkCheckButton>(1501);
  ASSERT_NE(toggle, nullptr);
  EXPECT_EQ(toggle->ShownText(), "GEQ");
  EXPECT_EQ(toggle->toolTip(), "graphic");
  bool checkedAtClick = false;
  host->Router().OnId(EventCmd, 1501, [&](const Event&) { checkedAtClick = toggle->IsChecked(); });
  QTest::mouseClick(toggle, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_TRUE(toggle->IsChecked());
  EXPECT_TRUE(checkedAtClick);
  EXPECT_EQ(toggle->ShownText(), "PEQ");
  EXPECT_EQ(toggle->toolTip(), "parametric");
  EXPECT_EQ(toggle->TextColor(), QColor(0, 255, 0));
  // A press outside followed by a release inside is not a click.
  QTest::mousePress(host->Root(), Qt::LeftButton, {}, QPoint(250, 100));
  QTest::mouseRelease(toggle, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_TRUE(toggle->IsChecked());
}

TEST(RadioButtonTest, ClickChecksOneOfItsGroup) {
  EventLog log;
  auto host = MakeHost(kCheckLayout, &log);
  auto* ms = host->Find<SkRadioButton>(7000);
  auto* cm = host->Find<SkRadioButton>(7001);
  ASSERT_TRUE(ms && cm);
  EXPECT_TRUE(ms->IsChecked());
  QTest::mouseClick(cm, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_TRUE(cm->IsChecked());
  EXPECT_FALSE(ms->IsChecked());
  QTest::mouseClick(cm, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_TRUE(cm->IsChecked());
  EXPECT_EQ(log.Count(EventCmd), 2);
}

TEST(ProgressTest, PositionPartFollowsTheValue) {
  auto host = MakeHost(R"(<layout width="200" height="200">
    <skprogress name="h" pos="0,0" size="100,10" min="0" max="100" value="0"/>
    <skprogress name="v" pos="0,20" size="10,100" min="-50" max="50" value="0" vertical="1"/>
  </layout>)");
  auto* h = host->Find<SkProgress>("h");
  auto* v = host->Find<SkProgress>("v");
  ASSERT_TRUE(h && v);
  EXPECT_TRUE(h->PositionRect().isEmpty());
  h->SetValue(37);
  EXPECT_EQ(h->PositionRect(), QRect(0, 0, 37, 10));
  h->SetValue(500);
  EXPECT_EQ(h->Value(), 100);
  EXPECT_EQ(h->PositionRect().width(), 100);
  EXPECT_EQ(v->PositionRect(), QRect(0, 50, 10, 50));
}

TEST(CheckButtonTest, SpaceTogglesWithAutoCheckAndDoubleClickCountsAsPress) {
  EventLog log;
  auto host = MakeHost(kCheckLayout, &log);
  auto* toggle = host->Find<SkCheckButton>(1501);
  QTest::keyClick(toggle, Qt::Key_Space);
  EXPECT_TRUE(toggle->IsChecked());
  EXPECT_EQ(log.Count(EventCmd), 1);
  EXPECT_EQ(log.Count(EventStateChanged), 1);
  EXPECT_TRUE(log.Last(EventStateChanged)->As<StateChangedArgs>()->checked);
  QTest::mouseDClick(toggle, Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseRelease(toggle, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_FALSE(toggle->IsChecked() && log.Count(EventCmd) < 2);
}

TEST(RadioButtonTest, FocusChecksAndTheOwnerMayUncheck) {
  EventLog log;
  auto host = MakeHost(kCheckLayout, &log);
  auto* in = host->Find<SkRadioButton>(7002);
  auto* ms = host->Find<SkRadioButton>(7000);
  QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
  QApplication::sendEvent(in, &focus);
  EXPECT_TRUE(in->IsChecked());
  EXPECT_FALSE(ms->IsChecked());
  in->SetChecked(false);
  EXPECT_FALSE(in->IsChecked());
}

}  // namespace
}  // namespace brisvel::ui::test

namespace brisvel::ui::test {
namespace {

// The crossover panel's narrow type lists beside a list wide enough for any label.
constexpr const char* kListLayout = R"(<layout width="320" height="80" font="size:11">
  <combobox id="1" pos="5,5" size="88,23" curSel="0"><items><item text="Butterworth"/><item text="Bessel"/></items></combobox>
  <combobox id="2" pos="5,40" size="200,23" curSel="0"><items><item text="Butterworth"/><item text="Bessel"/></items></combobox>
</layout>)";

TEST(ComboBoxTest, ANarrowListShowsItsWholeLabelAndOpensWideEnough) {
  auto host = MakeHost(kListLayout);
  ASSERT_NE(host, nullptr);
  auto* narrow = host->Find<ComboBox>(1);
  auto* wide = host->Find<ComboBox>(2);
  ASSERT_TRUE(narrow && wide);
  const int label = narrow->fontMetrics().horizontalAdvance("Butterworth");
  ASSERT_GT(label + 30, narrow->width()) << "the label no longer needs the room beside the arrow";
  // The label's pixels are those of the wide list, to its last letter.
  const QImage a = narrow->grab().toImage();
  const QImage b = wide->grab().toImage();
  const int right = std::min(a.width() - 1, 5 + label + 1);
  int differing = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < right; ++x) differing += a.pixel(x, y) != b.pixel(x, y);
  EXPECT_EQ(differing, 0);
  // A short label is drawn by the style as before.
  narrow->setCurrentIndex(1);
  wide->setCurrentIndex(1);
  const QImage c = narrow->grab().toImage();
  const QImage d = wide->grab().toImage();
  differing = 0;
  for (int y = 0; y < c.height(); ++y)
    for (int x = 0; x < 50; ++x) differing += c.pixel(x, y) != d.pixel(x, y);
  EXPECT_EQ(differing, 0);
  narrow->showPopup();
  EXPECT_GE(narrow->view()->width(), label);
  narrow->hidePopup();
}

}  // namespace
}  // namespace brisvel::ui::test
