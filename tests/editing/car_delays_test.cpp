// Car view delays into Delay_n: channel order, the 20 ms limit in samples and
// in the three units, negative and non-finite delays, what is sent, and the
// record the dialog keeps.
#include "editing/car_delays.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/param_table.h"
#include "editing_test_support.h"

namespace brisvel::editing {
namespace {

CarDelaySettings WithDelays(std::array<double, 6> delays) {
  CarDelaySettings r = CarDelaySettings::Default();
  r.delays = delays;
  return r;
}

TEST(CarDelays, SpeakersDriveTheirChannelsInSamplesAndUnits) {
  // CH1 ... CH6 drive Box 2, 3, 4, 5, 0, 1. 346 mm is 1 ms, 48 samples.
  const auto out = CarDelayOutputs(WithDelays({346, 0, 173, 3.46, 6920, 100000}), 0);
  const int channels[6] = {2, 3, 4, 5, 0, 1};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(out[i].channel, channels[i]) << i;
  EXPECT_EQ(out[0].samples, 48);
  EXPECT_EQ(out[0].text, "1.000");
  EXPECT_EQ(out[1].samples, 0);
  EXPECT_EQ(out[1].text, "0.000");
  EXPECT_EQ(out[2].samples, 24);
  EXPECT_EQ(out[3].samples, 0);  // 0.48 samples truncate to 0
  EXPECT_EQ(out[3].text, "0.010");
  // 6.92 m of extra path is exactly 20 ms; anything beyond stays at 20 ms.
  EXPECT_EQ(out[4].samples, 960);
  EXPECT_EQ(out[4].text, "20.000");
  EXPECT_EQ(out[5].samples, 960);
  EXPECT_EQ(out[5].text, "20.000");

  const auto cm = CarDelayOutputs(WithDelays({346, 0, 0, 0, 0, 100000}), 1);
  EXPECT_EQ(cm[0].text, "34.60");
  EXPECT_EQ(cm[5].text, "692.00");
  const auto in = CarDelayOutputs(WithDelays({254, 0, 0, 0, 0, 100000}), 2);
  EXPECT_EQ(in[0].text, "10.00");
  EXPECT_EQ(in[5].text, "272.44");
  EXPECT_EQ(in[5].samples, 960);
}

TEST(CarDelays, NegativeAndNonFiniteDelaysGiveNoDelay) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (int unit : {0, 1, 2}) {
    const auto out = CarDelayOutputs(WithDelays({-500, nan, inf, -inf, -0.0, 1e300}), unit);
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(out[i].samples, 0) << "unit " << unit << " speaker " << i;
      EXPECT_EQ(std::stod(out[i].text), 0.0) << out[i].text;
    }
    EXPECT_EQ(out[5].samples, 960);
  }
}

TEST(CarDelays, ApplyWritesTheSixDelaysThroughTheStore) {
  CEffectStore store;
  testing::FakeProcessorLink link(store);
  store.SetDelayUnit(1);
  const CarDelayChanges c = ApplyCarDelays(store, WithDelays({346, 692, 0, 0, 10000, 0}));
  EXPECT_EQ(store.GetParam(param::Delay(2)), 48);
  EXPECT_EQ(store.GetParam(param::Delay(3)), 96);
  EXPECT_EQ(store.GetParam(param::Delay(0)), 960);
  EXPECT_EQ(c.delayTexts[2], "34.60");
  EXPECT_EQ(c.delayTexts[0], "692.00");
  EXPECT_EQ(c.channels, std::vector<int>({0, 1, 2, 3, 4, 5}));
  EXPECT_TRUE(c.delays);
  // Every changed delay waits for the processor.
  EXPECT_EQ(store.PendingParams().count(param::Delay(2)), 1u);
  EXPECT_EQ(store.PendingParams().count(param::Delay(0)), 1u);
  EXPECT_EQ(c.params.size(), 3u);
  // Nothing changed: nothing is reported as changed.
  EXPECT_TRUE(ApplyCarDelays(store, WithDelays({346, 692, 0, 0, 10000, 0})).params.empty());

  // The dialog tells applied delays from computed ones.
  EXPECT_TRUE(CarDelaysApplied(store, WithDelays({346, 692, 0, 0, 10000, 0})));
  EXPECT_FALSE(CarDelaysApplied(store, WithDelays({346, 692, 0, 70, 10000, 0})));
}

TEST(CarDelays, ListenerSeatsSitInTheFrontRowMirroredAcrossTheCar) {
  const CarDelaySettings car = CarDelaySettings::Default();
  const CarPositions def = DefaultCarPositions(car.carWidth, car.zhouJu);
  EXPECT_EQ(ListenerSeatPosition(ListenerSeat::kDriver, car.carWidth, car.zhouJu), def.listener);
  EXPECT_EQ(ListenerSeatPosition(ListenerSeat::kPassenger, car.carWidth, car.zhouJu), (CarPoint{1295, 1580}));
  EXPECT_EQ(ListenerSeatPosition(ListenerSeat::kCentre, car.carWidth, car.zhouJu), (CarPoint{912, 1580}));
  // A car twice as large has its seats twice as far out.
  EXPECT_EQ(ListenerSeatPosition(ListenerSeat::kDriver, 3650, 5360), (CarPoint{1060, 3160}));
}

TEST(CarDelays, OpeningPositionsAndTheKeptRecord) {
  CarDelaySettings r = CarDelaySettings::Default();
  const CarPositions def = OpeningPositions(r);
  EXPECT_EQ(def.speakers[4], (CarPoint{608, 0}));
  EXPECT_EQ(def.listener, (CarPoint{530, 1580}));

  const std::array<CarPoint, 6> moved = {CarPoint{1, 2}, {3, 4}, {5, 6}, {7, 8}, {9, 10}, {11, 12}};
  const std::array<double, 6> delays = {1, 2, 3, 4, 5, 6};
  r.reserved = {1, 2, 3, 4};
  const CarDelaySettings kept = WithViewState(r, moved, {100, 200}, delays);
  EXPECT_EQ(kept.positionsValid, 1);
  EXPECT_EQ(kept.speakers, moved);
  EXPECT_EQ(kept.delays, delays);
  EXPECT_EQ(kept.listener, (CarPoint{100, 200}));
  EXPECT_EQ(kept.carWidth, r.carWidth);
  EXPECT_EQ(kept.reserved, r.reserved);
  EXPECT_EQ(OpeningPositions(kept).speakers, moved);

  // Fewer speakers than six leave the others as they were.
  const CarDelaySettings partial = WithViewState(kept, std::span(moved).first(2), {0, 0}, std::span(delays).first(0));
  EXPECT_EQ(partial.speakers[5], moved[5]);
  EXPECT_EQ(partial.delays, delays);
}

TEST(CarDelays, AnUndrawableScaleFallsBackToTheDefaultRecord) {
  CarDelaySettings r = CarDelaySettings::Default();
  r.carWidth = 2000;
  EXPECT_EQ(DrawableCarRecord(r).carWidth, 2000);
  for (auto field : {&CarDelaySettings::mmPerPx, &CarDelaySettings::mmPerScale}) {
    for (int bad : {0, -10}) {
      CarDelaySettings b = r;
      b.*field = bad;
      const CarDelaySettings d = DrawableCarRecord(b);
      EXPECT_EQ(d.carWidth, 1825);
      EXPECT_EQ(d.mmPerPx, 10);
      EXPECT_EQ(d.mmPerScale, 500);
    }
  }
}

}  // namespace
}  // namespace brisvel::editing
