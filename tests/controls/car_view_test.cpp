// Tests of the car delay view: the default car's placement, delays from
// positions, dragging clamped to the car body, the overlay timer, and no
// event before the view has speakers.

#include "controls/car_view.h"

#include "ui/ui_test_support.h"

#include <gtest/gtest.h>

namespace brisvel::ui::test {
namespace {

constexpr const char* kCarLayout = R"(<layout width="700" height="700">
  <skcar name="car_delay" id="700" pos="0,0,-0,-0" skin="skin_carbk_png" ldist="45" tdist="20" rdist="20" bdist="40">
    <img name="car_pic" skin="skin_car_png" pos="0,0,10,10"/>
    <skcargrid colorCoords="#aaaaaaff" colorGuidLine="#555555ff" colorText="#aaaaaaff"/>
    <skcarcurve colorCar="#00888811" colorSpeakser="#ff8888ff" colorSoundSpace="#ffaaaaff" colorVirt="#ffaaaaff"/>
    <text name="ch1_tip" show="0"/><text name="ch2_tip" show="0"/><text name="ch3_tip" show="0"/>
    <text name="ch4_tip" show="0"/><text name="ch5_tip" show="0"/><text name="ch6_tip" show="0"/>
    <text name="car_pos_tip" show="0"/>
    <skcarthumb data="0" skin="skin_people_png" size="50,50"/>
    <skcarthumb data="1" skin="skin_yuan_png" text="CH1" size="50,50"/>
    <skcarthumb data="2" skin="skin_yuan_png" text="CH2" size="50,50"/>
    <skcarthumb data="3" skin="skin_yuan_png" text="CH3" size="50,50"/>
    <skcarthumb data="4" skin="skin_yuan_png" text="CH4" size="50,50"/>
    <skcarthumb data="5" skin="skin_yuan_png" text="CH5" size="50,50"/>
    <skcarthumb data="6" skin="skin_yuan_png" text="CH6" size="50,50"/>
  </skcar>
</layout>)";

class CarViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host = MakeHost(kCarLayout, &log);
    ASSERT_TRUE(host);
    car = host->Find<SkCar>("car_delay");
    ASSERT_NE(car, nullptr);
    ASSERT_EQ(car->size(), QSize(700, 700));
  }
  QPoint Centre(const QWidget* w) const { return w->geometry().center() + QPoint(1, 1) - QPoint(w->width() % 2, w->height() % 2); }

  EventLog log;
  std::unique_ptr<HostWindow> host;
  SkCar* car = nullptr;
};

TEST_F(CarViewTest, DefaultCarStands200PxFromPlotLeftAndBottom) {
  const QRect body = car->CarRect();
  const int plotLeft = 45;
  const int plotBottom = 700 - 40;
  EXPECT_EQ(body.left(), plotLeft + 200);
  EXPECT_EQ(body.bottom(), plotBottom - 200);
  EXPECT_EQ(body.right() - body.left(), 182);
  EXPECT_EQ(body.bottom() - body.top(), 268);
  // The picture extends half the car's width above and below, plus 20 px at each side.
  const QWidget* pic = host->FindByName("car_pic");
  EXPECT_EQ(pic->geometry().left(), body.left() - 20);
  EXPECT_EQ(pic->geometry().top(), body.top() - 91);
}

TEST_F(CarViewTest, NothingButThePictureBeforeSpeakers) {
  EXPECT_EQ(car->SpeakerCount(), 0);
  EXPECT_FALSE(car->Listener()->isVisible());
  EXPECT_FALSE(car->Speaker(1)->isVisible());
  EXPECT_FALSE(host->FindByName("ch1_tip")->isVisible());
  EXPECT_FALSE(car->OverlayVisible());
}

TEST_F(CarViewTest, EqualDistancesGiveZeroDelays) {
  const CarPoint l{900, 1340};
  car->SetSpeakers({CarPoint{1400, 1340}, CarPoint{400, 1340}, CarPoint{900, 1840}, CarPoint{900, 840},
                    CarPoint{1200, 1740}, CarPoint{600, 940}},
                   l);
  ASSERT_EQ(car->SpeakerCount(), 6);
  for (int i = 0; i < 6; ++i) {
    EXPECT_NEAR(car->DelayMm(i), 0.0, 1e-9) << i;
    EXPECT_EQ(car->Geometry().virtualPoints[i], car->SpeakerPx(i)) << i;
  }
  EXPECT_TRUE(car->Listener()->isVisible());
  EXPECT_TRUE(car->Speaker(6)->isVisible());
  auto* tip = AsElement(host->FindByName("ch1_tip"));
  EXPECT_EQ(tip->ShownText(), "0.000ms");
  EXPECT_TRUE(tip->Widget()->isVisible());
  // Thumbs are centred on their positions.
  const CarPoint s = car->SpeakerPx(0);
  EXPECT_EQ(car->Speaker(1)->geometry().topLeft(), QPoint(s.x - 25, s.y - 25));
  EXPECT_EQ(car->ListenerPx(), (CarPoint{245 + 90, 660 - 200 - 134}));
}

TEST_F(CarViewTest, FartherSpeakerSetsTheOthersDelays) {
  car->SetSpeakers({CarPoint{0, 2680}, CarPoint{1820, 2680}, CarPoint{0, 0}, CarPoint{1820, 0}, CarPoint{600, 0},
                    CarPoint{1210, 0}},
                   CarPoint{530, 1580});
  int zero = 0;
  for (int i = 0; i < 6; ++i) {
    EXPECT_GE(car->DelayMm(i), 0.0);
    zero += car->DelayMm(i) == 0.0;
  }
  EXPECT_EQ(zero, 1);
  // The farthest is CH4 (rear right); the front-left speaker is nearer and waits.
  EXPECT_EQ(car->DelayMm(3), 0.0);
  EXPECT_GT(car->DelayMm(0), 100.0);
  EXPECT_NE(car->Speaker(1)->toolTip().indexOf("Delay:"), -1);
}

TEST_F(CarViewTest, DraggingStopsAtTheCarEdgeAndRaisesTheEvent) {
  car->SetSpeakers({CarPoint{0, 2680}, CarPoint{1820, 2680}, CarPoint{0, 0}, CarPoint{1820, 0}, CarPoint{600, 0},
                    CarPoint{1210, 0}},
                   CarPoint{530, 1580});
  SkCarThumb* listener = car->Listener();
  const QPoint grip(25, 25);  // the thumb's centre
  QTest::mousePress(listener, Qt::LeftButton, {}, grip);
  QTest::mouseMove(listener, grip + QPoint(-400, -600));
  const QRect body = car->CarRect();
  EXPECT_EQ(car->ListenerPx(), (CarPoint{body.left(), body.top()}));
  EXPECT_EQ(car->ListenerMm(), (CarPoint{0, 2680}));
  EXPECT_EQ(listener->geometry().topLeft(), QPoint(body.left() - 25, body.top() - 25));
  ASSERT_EQ(log.Count(EventCarDelayChanged), 1);
  EXPECT_EQ(log.Last(EventCarDelayChanged)->Name(), "onCarDelayChanged");
  EXPECT_EQ(log.Last(EventCarDelayChanged)->senderId, 700);
  // Listener on the front-left speaker: that speaker is now nearest.
  auto* posTip = AsElement(host->FindByName("car_pos_tip"));
  EXPECT_TRUE(posTip->Widget()->isVisible());
  EXPECT_EQ(posTip->ShownText(), "0.000m,2.680m");
  EXPECT_TRUE(car->OverlayVisible());
  // The overlay layers cover the whole view.
  EXPECT_EQ(car->Grid()->geometry(), car->rect());
  EXPECT_EQ(car->Curve()->geometry(), car->rect());
  QTest::mouseRelease(listener, Qt::LeftButton, {}, listener->mapFromParent(QPoint(body.left(), body.top())));
  EXPECT_FALSE(posTip->Widget()->isVisible());
  EXPECT_TRUE(car->OverlayVisible());
  // The overlay hides 3 s after the release.
  QTRY_VERIFY_WITH_TIMEOUT(!car->OverlayVisible(), 6000);
}

TEST_F(CarViewTest, NoEventWhileThereAreNoSpeakers) {
  SkCarThumb* listener = car->Listener();
  listener->show();
  QTest::mousePress(listener, Qt::LeftButton, {}, QPoint(25, 25));
  QTest::mouseMove(listener, QPoint(60, 10));
  QTest::mouseRelease(listener, Qt::LeftButton, {}, QPoint(60, 10));
  EXPECT_EQ(log.Count(EventCarDelayChanged), 0);
  EXPECT_FALSE(car->OverlayVisible());
}

TEST_F(CarViewTest, ResizeKeepsPointsAtTheirDistanceFromTheBottomLeft) {
  car->SetSpeakers({CarPoint{0, 2680}, CarPoint{1820, 2680}, CarPoint{0, 0}, CarPoint{1820, 0}, CarPoint{600, 0},
                    CarPoint{1210, 0}},
                   CarPoint{530, 1580});
  const int fromBottom = car->height() - car->Speaker(3)->y();
  host->setFixedSize(700, 760);
  QApplication::processEvents();
  ASSERT_EQ(car->height(), 760);
  EXPECT_EQ(car->height() - car->Speaker(3)->y(), fromBottom);
  EXPECT_EQ(car->SpeakerPx(2).y, 760 - 40 - 200);
}

}  // namespace
}  // namespace brisvel::ui::test

namespace brisvel::ui::test {
namespace {

TEST_F(CarViewTest, DraggingAgainWithinThreeSecondsKeepsTheOverlay) {
  car->SetSpeakers({CarPoint{0, 2680}, CarPoint{1820, 2680}, CarPoint{0, 0}, CarPoint{1820, 0}, CarPoint{600, 0},
                    CarPoint{1210, 0}},
                   CarPoint{530, 1580});
  SkCarThumb* ch4 = car->Speaker(4);
  QTest::mousePress(ch4, Qt::LeftButton, {}, QPoint(25, 25));
  QTest::mouseMove(ch4, QPoint(15, 15));
  QTest::mouseRelease(ch4, Qt::LeftButton, {}, QPoint(15, 15));
  ASSERT_TRUE(car->OverlayVisible());
  QTest::qWait(1500);
  QTest::mousePress(ch4, Qt::LeftButton, {}, QPoint(25, 25));
  QTest::mouseMove(ch4, QPoint(20, 20));
  QTest::qWait(2000);
  EXPECT_TRUE(car->OverlayVisible());  // the drag stopped the timer
  QTest::mouseRelease(ch4, Qt::LeftButton, {}, QPoint(20, 20));
  EXPECT_EQ(log.Count(EventCarDelayChanged), 2);
  // CH4 moved 10 px and then 5 px left and up, inside the car body.
  EXPECT_EQ(car->SpeakerMm(3), (CarPoint{1670, 150}));
}

TEST_F(CarViewTest, APressOrAMoveOntoTheSamePointAppliesNothing) {
  car->SetSpeakers({CarPoint{0, 2680}, CarPoint{1820, 2680}, CarPoint{0, 0}, CarPoint{1820, 0}, CarPoint{600, 0},
                    CarPoint{1210, 0}},
                   CarPoint{530, 1580});
  SkCarThumb* ch2 = car->Speaker(1);
  const CarPoint before = car->SpeakerMm(1);
  QTest::mousePress(ch2, Qt::LeftButton, {}, QPoint(25, 25));
  QTest::mouseMove(ch2, QPoint(25, 25));
  QTest::mouseRelease(ch2, Qt::LeftButton, {}, QPoint(25, 25));
  EXPECT_EQ(log.Count(EventCarDelayChanged), 0);
  EXPECT_EQ(car->SpeakerMm(1), before);
}

TEST_F(CarViewTest, AThumbBeyondTheCountFollowsButChangesNothing) {
  car->SetSpeakers({CarPoint{0, 2680}, CarPoint{1820, 2680}, CarPoint{0, 0}, CarPoint{1820, 0}, CarPoint{600, 0},
                    CarPoint{1210, 0}},
                   CarPoint{530, 1580});
  auto* extra = new SkCarThumb(car);
  extra->SetAttribute("data", "9");
  extra->SetOwner(car);
  extra->setGeometry(300, 300, 50, 50);
  extra->show();
  const auto before = car->Geometry().delayMm;
  QTest::mousePress(extra, Qt::LeftButton, {}, QPoint(25, 25));
  QTest::mouseMove(extra, QPoint(35, 45));
  QTest::mouseRelease(extra, Qt::LeftButton, {}, QPoint(35, 45));
  EXPECT_EQ(extra->pos(), QPoint(310, 320));
  EXPECT_EQ(log.Count(EventCarDelayChanged), 0);
  EXPECT_EQ(car->Geometry().delayMm, before);
}

}  // namespace
}  // namespace brisvel::ui::test
