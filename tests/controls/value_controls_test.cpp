// Interaction tests of the value controls with real mouse and key events:
// knob angles and end stops, fader clicks, numeric edit steps, wheel notches.

#include "controls/value_controls.h"

#include "ui/ui_test_support.h"

#include <QWheelEvent>
#include <cmath>
#include <gtest/gtest.h>

namespace brisvel::ui::test {
namespace {

constexpr const char* kKnobLayout = R"(<layout width="300" height="260">
  <skrotaryknob id="1000" pos="0,0" size="238,216" min="0" max="60" value="0" includedAngle="90"
     dotRadius="55" fgRadius="71" colorCircle="#91b136ff" skin="skin_volume_rotrayknob_bg1"
     dotSkin="skin_volume_rotrayknob_pos" focusable="1"/>
</layout>)";

class KnobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host = MakeHost(kKnobLayout, &log);
    ASSERT_TRUE(host);
    knob = host->Find<SkRotaryKnob>(1000);
    ASSERT_NE(knob, nullptr);
    ASSERT_EQ(knob->size(), QSize(238, 216));
  }
  QPoint Centre() const { return {119, 108}; }
  void Move(QPoint p) { QTest::mouseMove(knob, p); }

  EventLog log;
  std::unique_ptr<HostWindow> host;
  SkRotaryKnob* knob = nullptr;
};

// A point on the knob's dot circle at an angle in degrees, clockwise on screen
// from the right.
QPoint AtAngle(QPoint centre, double degrees, double radius = 80) {
  const double r = degrees * M_PI / 180;
  return centre + QPoint(static_cast<int>(std::lround(radius * std::cos(r))), static_cast<int>(std::lround(radius * std::sin(r))));
}

TEST_F(KnobTest, APressAnywhereLeavesTheValueAlone) {
  knob->SetValue(40);  // -20 dB on the compact window's knob
  // Ten points: the top (0 dB's old spot for a press), the ends, the
  // middle of the gap, the centre, and points all round.
  const QPoint points[] = {Centre() + QPoint(0, -80), Centre() + QPoint(50, 60), Centre() + QPoint(-50, 60),
                           Centre() + QPoint(0, 70),  Centre(),                  Centre() + QPoint(-80, 0),
                           Centre() + QPoint(80, 0),  Centre() + QPoint(60, -60), Centre() + QPoint(-60, -60),
                           Centre() + QPoint(3, 90)};
  for (const QPoint& p : points) {
    QTest::mousePress(knob, Qt::LeftButton, {}, p);
    QTest::mouseRelease(knob, Qt::LeftButton, {}, p);
    EXPECT_EQ(knob->Value(), 40) << p.x() << "," << p.y();
  }
  EXPECT_EQ(log.Count(EventSliderPos), 0);
  // A press in the gap does not even grip: moving from there turns nothing.
  QTest::mousePress(knob, Qt::LeftButton, {}, Centre() + QPoint(0, 70));
  Move(Centre() + QPoint(-80, 0));
  Move(Centre() + QPoint(0, -80));
  QTest::mouseRelease(knob, Qt::LeftButton, {}, Centre() + QPoint(0, -80));
  EXPECT_EQ(knob->Value(), 40);
  EXPECT_EQ(log.Count(EventSliderPos), 0);
}

TEST_F(KnobTest, DraggingTurnsTheValueFromWhereItWasGripped) {
  knob->SetValue(30);
  // Grip at the left, turn 45 degrees clockwise: 10 values up (60 per 270 degrees).
  QTest::mousePress(knob, Qt::LeftButton, {}, AtAngle(Centre(), 180));
  EXPECT_EQ(knob->Value(), 30);
  for (double a = 180; a <= 225; a += 5) Move(AtAngle(Centre(), a));
  EXPECT_EQ(knob->Value(), 40);
  EXPECT_EQ(log.Last(EventSliderPos)->As<SliderPosArgs>()->position, 40);
  EXPECT_EQ(log.Last(EventSliderPos)->senderId, 1000);
  // Back past the grip point: below where it started.
  for (double a = 225; a >= 135; a -= 5) Move(AtAngle(Centre(), a));
  EXPECT_EQ(knob->Value(), 20);
  QTest::mouseRelease(knob, Qt::LeftButton, {}, AtAngle(Centre(), 135));
  EXPECT_NEAR(knob->SweptAngle(), 90.0, 1e-9);  // the dot shows 20 of 60
}

TEST_F(KnobTest, DraggingThroughTheGapDoesNotJumpToTheOtherEnd) {
  knob->SetValue(55);
  QTest::mousePress(knob, Qt::LeftButton, {}, AtAngle(Centre(), 0));
  // On clockwise, past the end and through the gap to the start side.
  for (double a = 0; a <= 160; a += 5) Move(AtAngle(Centre(), a));
  EXPECT_EQ(knob->Value(), 60);
  const int events = log.Count(EventSliderPos);
  // Turning back moves it down again at once.
  Move(AtAngle(Centre(), 150));
  Move(AtAngle(Centre(), 140));
  EXPECT_LT(knob->Value(), 60);
  EXPECT_GT(log.Count(EventSliderPos), events);
  QTest::mouseRelease(knob, Qt::LeftButton, {}, AtAngle(Centre(), 140));
  // And the other way from the minimum.
  knob->SetValue(3);
  QTest::mousePress(knob, Qt::LeftButton, {}, AtAngle(Centre(), 180));
  for (double a = 180; a >= 20; a -= 5) Move(AtAngle(Centre(), a));
  EXPECT_EQ(knob->Value(), 0);
  QTest::mouseRelease(knob, Qt::LeftButton, {}, AtAngle(Centre(), 20));
}

TEST_F(KnobTest, KeysClampAndJumpToTheEnds) {
  knob->SetValue(58);
  QTest::keyClick(knob, Qt::Key_PageUp);
  EXPECT_EQ(knob->Value(), 60);
  QTest::keyClick(knob, Qt::Key_End);
  EXPECT_EQ(knob->Value(), 0);
  QTest::keyClick(knob, Qt::Key_Down);
  EXPECT_EQ(knob->Value(), 0);
  QTest::keyClick(knob, Qt::Key_Home);
  EXPECT_EQ(knob->Value(), 60);
  QTest::keyClick(knob, Qt::Key_PageDown);
  EXPECT_EQ(knob->Value(), 48);
  QTest::keyClick(knob, Qt::Key_Up);
  EXPECT_EQ(knob->Value(), 49);
  EXPECT_EQ(log.Count(EventSliderPos), 6);
  EXPECT_EQ(log.Last(EventSliderPos)->As<SliderPosArgs>()->position, 49);
}

TEST_F(KnobTest, DotFollowsTheValueFromLowerLeftOverTheTop) {
  knob->SetValue(0);
  const QPoint start = knob->DotPosition();
  EXPECT_LT(start.x(), 119);
  EXPECT_GT(start.y(), 108);
  knob->SetValue(30);
  EXPECT_EQ(knob->DotPosition().x(), 119);
  EXPECT_LT(knob->DotPosition().y(), 108 - 50);
  knob->SetValue(60);
  EXPECT_GT(knob->DotPosition().x(), 119);
  EXPECT_GT(knob->DotPosition().y(), 108);
}

constexpr const char* kSliderLayout = R"(<layout width="200" height="200">
  <skslider id="2100" pos="10,10" size="22,93" min="-240" max="240" value="-240" vertical="1" thumbInRail="1"/>
  <skslider id="2200" pos="60,10" size="16,122" min="0" max="66" value="60" vertical="1" thumbInRail="0" showPercent="1"/>
</layout>)";

TEST(SliderTest, ClickOnTheRailMiddleGivesAboutZeroAndOnTheThumbNothing) {
  EventLog log;
  auto host = MakeHost(kSliderLayout, &log);
  ASSERT_TRUE(host);
  auto* fader = host->Find<SkSlider>(2100);
  ASSERT_NE(fader, nullptr);
  const QRect rail = fader->RailRect();
  const QPoint middle(fader->width() / 2, (rail.top() + rail.bottom()) / 2);
  QTest::mouseClick(fader, Qt::LeftButton, {}, middle);
  EXPECT_NEAR(fader->Value(), 0, 6);
  ASSERT_EQ(log.Count(EventSliderPos), 1);
  EXPECT_EQ(log.Last(EventSliderPos)->As<SliderPosArgs>()->position, fader->Value());

  const int before = fader->Value();
  ASSERT_TRUE(fader->ThumbRect().contains(middle));
  QTest::mouseClick(fader, Qt::LeftButton, {}, fader->ThumbRect().center());
  EXPECT_EQ(fader->Value(), before);
  EXPECT_EQ(log.Count(EventSliderPos), 1);
}

TEST(SliderTest, DraggingTheThumbMovesByTheRailFraction) {
  EventLog log;
  auto host = MakeHost(kSliderLayout, &log);
  ASSERT_TRUE(host);
  auto* gain = host->Find<SkSlider>(2200);
  ASSERT_NE(gain, nullptr);
  const QPoint grip = gain->ThumbRect().center();
  QTest::mousePress(gain, Qt::LeftButton, {}, grip);
  EXPECT_EQ(log.Count(EventSliderPos), 0);
  const int rail = gain->RailRect().bottom() - gain->RailRect().top();
  QTest::mouseMove(gain, grip + QPoint(0, rail / 2));
  EXPECT_EQ(gain->Value(), 60 - (rail / 2) * 67 / rail);
  EXPECT_GE(log.Count(EventSliderPos), 1);
  QTest::mouseMove(gain, grip + QPoint(0, rail * 3));  // far below: clamped
  EXPECT_EQ(gain->Value(), 0);
  QTest::mouseRelease(gain, Qt::LeftButton, {}, grip + QPoint(0, rail * 3));
  QTest::mouseMove(gain, QPoint(1, 1));
  EXPECT_EQ(gain->Value(), 0);
}

TEST(SliderTest, ValueTipShowsWhileThePointerIsOnTheThumb) {
  auto host = MakeHost(kSliderLayout);
  ASSERT_TRUE(host);
  auto* gain = host->Find<SkSlider>(2200);
  QTest::mouseMove(gain, gain->ThumbRect().center());
  auto tip = SSimpleToolTip::Acquire();
  EXPECT_TRUE(tip->isVisible());
  EXPECT_EQ(tip->Text(), "60");
  QTest::mouseMove(gain, QPoint(2, gain->height() - 2));
  EXPECT_FALSE(tip->isVisible());
}

constexpr const char* kEditLayout = R"(<layout width="200" height="100">
  <edit2 id="4000" pos="5,5" size="60,23" text="0dB"/>
  <edit2 id="4001" pos="5,40" size="60,23" text="1" wantReturn="1"/>
</layout>)";

TEST(Edit2Test, StepsAndEnterRaiseValueChanging) {
  EventLog log;
  auto host = MakeHost(kEditLayout, &log);
  ASSERT_TRUE(host);
  auto* edit = host->Find<SEdit2>(4000);
  ASSERT_NE(edit, nullptr);
  edit->setFocus();
  QTest::keyClick(edit, Qt::Key_Up);
  QTest::keyClick(edit, Qt::Key_Down);
  // Enter on a text nobody typed into applies nothing.
  QTest::keyClick(edit, Qt::Key_Return);
  ASSERT_EQ(log.Count(EventEditValueChanging), 2);
  QTest::keyClick(edit, Qt::Key_Backspace);
  QTest::keyClick(edit, Qt::Key_Return);
  ASSERT_EQ(log.Count(EventEditValueChanging), 3);
  QTest::keyClick(edit, Qt::Key_Return);  // applied already
  ASSERT_EQ(log.Count(EventEditValueChanging), 3);
  EXPECT_EQ(log.events[0].As<EditValueChangingArgs>()->step, 1);
  EXPECT_EQ(log.events[1].As<EditValueChangingArgs>()->step, -1);
  EXPECT_EQ(log.events[2].As<EditValueChangingArgs>()->step, 0);
  EXPECT_EQ(log.events[2].Name(), "on_edit_valuechanging");
  EXPECT_EQ(log.events[2].senderId, 4000);

  QWheelEvent wheel(QPointF(10, 10), edit->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, 120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(edit, &wheel);
  EXPECT_EQ(log.Last(EventEditValueChanging)->As<EditValueChangingArgs>()->step, 1);
}

TEST(Edit2Test, EnterIsALineBreakWithWantReturn) {
  EventLog log;
  auto host = MakeHost(kEditLayout, &log);
  auto* edit = host->Find<SEdit2>(4001);
  ASSERT_NE(edit, nullptr);
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(log.Count(EventEditValueChanging), 0);
  QTest::keyClick(edit, Qt::Key_Up);
  EXPECT_EQ(log.Count(EventEditValueChanging), 1);
}

}  // namespace
}  // namespace brisvel::ui::test

namespace brisvel::ui::test {
namespace {

TEST(SliderTest, HorizontalClicksKeysAndWheel) {
  EventLog log;
  auto host = MakeHost(R"(<layout width="260" height="60">
    <skslider id="3000" pos="10,10" size="201,16" min="0" max="100" value="0" thumbInRail="0"/>
  </layout>)", &log);
  auto* s = host->Find<SkSlider>(3000);
  ASSERT_NE(s, nullptr);
  EXPECT_FALSE(s->IsVertical());
  // x = 100 of a 0..200 rail: 0 + 100 * 101 / 200 = 50.
  QTest::mouseClick(s, Qt::LeftButton, {}, QPoint(100, 8));
  EXPECT_EQ(s->Value(), 50);
  QTest::mouseClick(s, Qt::LeftButton, {}, QPoint(200, 8));
  EXPECT_EQ(s->Value(), 100);
  QTest::keyClick(s, Qt::Key_PageDown);
  EXPECT_EQ(s->Value(), 80);
  QTest::keyClick(s, Qt::Key_End);
  EXPECT_EQ(s->Value(), 0);
  QTest::keyClick(s, Qt::Key_Left);
  EXPECT_EQ(s->Value(), 0);
  QWheelEvent up(QPointF(5, 5), s->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                 Qt::NoScrollPhase, false);
  QApplication::sendEvent(s, &up);
  EXPECT_EQ(s->Value(), 1);
  EXPECT_EQ(log.Count(EventSliderPos), 6);
}

TEST(SliderTest, ValueTipStandsLeftOfAVerticalThumb) {
  auto host = MakeHost(kSliderLayout);
  auto* gain = host->Find<SkSlider>(2200);
  QTest::mouseMove(gain, gain->ThumbRect().center());
  auto tip = SSimpleToolTip::Acquire();
  ASSERT_TRUE(tip->isVisible());
  const QRect t = gain->ThumbRect();
  EXPECT_EQ(tip->pos(), gain->mapToGlobal(QPoint(t.left() - 6 * 2 - 15, t.center().y() - 11)));
  QTest::mouseMove(gain, QPoint(2, gain->height() - 2));
}

TEST_F(KnobTest, WheelStepsAndTheKnobPaintsAtBothEnds) {
  knob->SetValue(20);
  QWheelEvent down(QPointF(5, 5), knob->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(knob, &down);
  EXPECT_EQ(knob->Value(), 19);
  EXPECT_TRUE(knob->hasFocus() || !knob->isActiveWindow());
  // A press exactly on the centre keeps the value.
  QTest::mousePress(knob, Qt::LeftButton, {}, Centre());
  EXPECT_EQ(knob->Value(), 19);
  QTest::mouseRelease(knob, Qt::LeftButton, {}, Centre());
  QImage image(knob->size(), QImage::Format_ARGB32_Premultiplied);
  knob->render(&image);
  knob->SetValue(0);
  knob->render(&image);
}

// A wheel event with the given angle delta (x, y) and pixel delta.
void Wheel(QWidget* w, QPoint angle, QPoint pixels = {}) {
  QWheelEvent e(QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)), pixels, angle, Qt::NoButton, Qt::NoModifier,
                Qt::NoScrollPhase, false);
  QApplication::sendEvent(w, &e);
}

TEST(WheelTest, OnlyVerticalNotchesStepKnobsAndSliders) {
  EventLog log;
  auto host = MakeHost(R"(<layout width="400" height="300">
    <skrotaryknob id="1000" pos="0,0" size="238,216" min="0" max="60" value="30" includedAngle="90" focusable="1"/>
    <skslider id="2100" pos="300,10" size="22,93" min="-240" max="240" value="0" vertical="1" thumbInRail="1"/>
  </layout>)", &log);
  ASSERT_TRUE(host);
  auto* knob = host->Find<SkRotaryKnob>(1000);
  auto* fader = host->Find<SkSlider>(2100);
  ASSERT_TRUE(knob && fader);
  for (QWidget* w : {static_cast<QWidget*>(knob), static_cast<QWidget*>(fader)}) {
    auto value = [&] { return w == knob ? knob->Value() : fader->Value(); };
    const int start = value();
    const int events = log.Count(EventSliderPos);
    // Horizontal tilt and horizontal swipe: nothing.
    Wheel(w, QPoint(120, 0));
    Wheel(w, QPoint(-120, 0));
    Wheel(w, QPoint(), QPoint(-30, 0));
    EXPECT_EQ(value(), start);
    EXPECT_EQ(log.Count(EventSliderPos), events);
    // Two notches in one event step twice, each reported.
    Wheel(w, QPoint(0, 240));
    EXPECT_EQ(value(), start + 2);
    EXPECT_EQ(log.Count(EventSliderPos), events + 2);
    Wheel(w, QPoint(0, -360));
    EXPECT_EQ(value(), start - 1);
    // A touchpad's small angle deltas add up to one notch.
    for (int i = 0; i < 7; ++i) Wheel(w, QPoint(0, 15));
    EXPECT_EQ(value(), start - 1);
    Wheel(w, QPoint(0, 15));
    EXPECT_EQ(value(), start);
    // Pixel deltas alone count as well: 20 pixels to the notch.
    Wheel(w, QPoint(), QPoint(0, -12));
    EXPECT_EQ(value(), start);
    Wheel(w, QPoint(), QPoint(0, -8));
    EXPECT_EQ(value(), start - 1);
    // A part notch one way does not carry into a turn the other way.
    Wheel(w, QPoint(0, 90));
    Wheel(w, QPoint(0, -60));
    EXPECT_EQ(value(), start - 1);
    Wheel(w, QPoint(0, -60));
    EXPECT_EQ(value(), start - 2);
  }
}

TEST(WheelTest, NumericEditStepsPerNotchAndIgnoresHorizontalMoves) {
  EventLog log;
  auto host = MakeHost(kEditLayout, &log);
  auto* edit = host->Find<SEdit2>(4000);
  ASSERT_NE(edit, nullptr);
  Wheel(edit, QPoint(120, 0));
  EXPECT_EQ(log.Count(EventEditValueChanging), 0);
  Wheel(edit, QPoint(0, -240));
  ASSERT_EQ(log.Count(EventEditValueChanging), 2);
  EXPECT_EQ(log.Last(EventEditValueChanging)->As<EditValueChangingArgs>()->step, -1);
}

TEST(Edit2Test, DoubleClickSelectsAllAndFocusLossIsReportedOnlyAfterTyping) {
  EventLog log;
  auto host = MakeHost(kEditLayout, &log);
  auto* edit = host->Find<SEdit2>(4000);
  auto* other = host->Find<SEdit2>(4001);
  host->activateWindow();
  edit->setFocus();
  QTest::mouseDClick(edit, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(edit->selectedText(), edit->text());
  other->setFocus();
  if (edit->hasFocus()) GTEST_SKIP() << "the platform gives no focus changes";
  // In and out again without typing: leaving the field is not an edit.
  EXPECT_EQ(log.Count(EventKillFocus), 0);
  edit->setFocus();
  edit->setText("5dB");  // set by code: not the user's change
  other->setFocus();
  EXPECT_EQ(log.Count(EventKillFocus), 0);
  edit->setFocus();
  QTest::keyClicks(edit, "1");
  other->setFocus();
  EXPECT_EQ(log.Count(EventKillFocus), 1);
  edit->setFocus();
  other->setFocus();
  EXPECT_EQ(log.Count(EventKillFocus), 1);
}

}  // namespace
}  // namespace brisvel::ui::test

namespace brisvel::ui::test {
namespace {

// The toolkit's promise the windows rely on when they reload their controls:
// a value, state, selection or text set by code raises no event, control by
// control.
TEST(CodeSetValues, RaiseNoEventInAnyControl) {
  constexpr const char* kLayout = R"(<layout width="400" height="300">
    <skslider id="1" pos="5,5" size="16,122" min="0" max="66" vertical="1"/>
    <skrotaryknob id="2" pos="30,5" size="120,120" min="0" max="60"/>
    <skcheckbtn id="3" pos="160,5" size="40,20"/>
    <skradiobtn id="4" pos="160,30" size="40,20"/>
    <skradiobtn id="5" pos="160,55" size="40,20"/>
    <combobox id="6" pos="210,5" size="80,20"/>
    <edit id="7" pos="210,30" size="80,20"/>
    <edit2 id="8" pos="210,55" size="80,20"/>
    <check id="9" pos="160,80" size="40,20"/>
  </layout>)";
  EventLog log;
  auto host = MakeHost(kLayout, &log);
  ASSERT_TRUE(host);
  host->Find<SkSlider>(1)->SetValue(30);
  host->Find<SkSlider>(1)->SetRange(-10, 10);
  host->Find<SkRotaryKnob>(2)->SetValue(45);
  host->Find<SkCheckButton>(3)->SetChecked(true);
  host->Find<SkRadioButton>(4)->CheckInGroup();
  host->Find<SkRadioButton>(5)->CheckInGroup();
  auto* list = host->Find<ComboBox>(6);
  list->AddItem("a");
  list->AddItem("b");
  list->setCurrentIndex(1);
  list->ClearItems();
  host->Find<Edit>(7)->setText("x");
  host->Find<SEdit2>(8)->setText("5dB");
  host->Find<SkCheckButton>(9)->SetChecked(true);
  // A focus that moves over untouched fields reports nothing either.
  host->activateWindow();
  host->Find<Edit>(7)->setFocus();
  host->Find<SEdit2>(8)->setFocus();
  host->Find<SkCheckButton>(3)->setFocus();
  EXPECT_TRUE(log.events.empty()) << log.events.size() << " events, the first " << log.events.front().Name().toStdString();
}

}  // namespace
}  // namespace brisvel::ui::test
