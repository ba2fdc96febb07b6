// Car geometry: the stored record and its hex text, the default layout, the
// view mappings and the delays derived from listener and speaker positions.
#include "core/car_geometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <vector>

#include "core/hex_text.h"

namespace brisvel {
namespace {

CarDelaySettings SampleRecord() {
  CarDelaySettings r = CarDelaySettings::Default();
  r.listener = {530, 1580};
  r.speakers = {{{0, 2680}, {1825, 2680}, {0, 0}, {1825, 0}, {608, 0}, {-7, 123456}}};
  r.delays = {0.0, 12.5, -3.25, 1e-9, 6920.0, 100.0 / 3};
  r.positionsValid = 1;
  r.reserved = {1, 2, 3, 4};
  return r;
}

TEST(CarDelaySettingsTest, LayoutIsLittleEndianInRecordOrder) {
  const auto bytes = SampleRecord().Encode();
  ASSERT_EQ(bytes.size(), 136u);
  EXPECT_EQ(bytes[0], 0x21);  // 1825 = 0x0721
  EXPECT_EQ(bytes[1], 0x07);
  EXPECT_EQ(bytes[8], 0x30);  // -2000 = 0xFFFFF830
  EXPECT_EQ(bytes[11], 0xFF);
  EXPECT_EQ(bytes[20], 10);   // mmPerPx
  EXPECT_EQ(bytes[24], 0x12);  // listener x 530 = 0x212
  EXPECT_EQ(bytes[32 + 5 * 8], 0xF9);  // CH6 x = -7
  // delay CH2 = 12.5 = 0x4029000000000000
  EXPECT_EQ(bytes[80 + 8 + 7], 0x40);
  EXPECT_EQ(bytes[80 + 8 + 6], 0x29);
  EXPECT_EQ(bytes[128], 1);
  EXPECT_EQ(bytes[132], 1);
  EXPECT_EQ(bytes[135], 4);
}

TEST(CarDelaySettingsTest, DecodeOfEncodeGivesTheSameRecord) {
  const CarDelaySettings r = SampleRecord();
  const auto bytes = r.Encode();
  const CarDelaySettings back = CarDelaySettings::Decode(bytes);
  EXPECT_EQ(back.Encode(), bytes);
  EXPECT_EQ(back.speakers, r.speakers);
  EXPECT_EQ(back.delays, r.delays);
  EXPECT_EQ(back.reserved, r.reserved);
}

TEST(CarDelaySettingsTest, ShortInputLeavesTheRestZero) {
  const auto full = SampleRecord().Encode();
  const CarDelaySettings r = CarDelaySettings::Decode(std::span(full).first(26));
  EXPECT_EQ(r.carWidth, 1825);
  EXPECT_EQ(r.mmPerPx, 10);
  EXPECT_EQ(r.listener.x, 530 & 0xFFFF);
  EXPECT_EQ(r.listener.y, 0);
  EXPECT_EQ(r.positionsValid, 0);
  EXPECT_EQ(r.delays[1], 0.0);
}

TEST(CarDelayTextTest, ZeroRecordHasCheckByteFF) {
  const std::vector<uint8_t> zeros(136, 0);
  const std::string text = EncodeHexWithCheck(zeros);
  ASSERT_EQ(text.size(), 274u);
  EXPECT_EQ(text.substr(272), "FF");
}

TEST(CarDelayTextTest, EncodesUpperCaseAndRoundTrips) {
  const CarDelaySettings r = SampleRecord();
  const std::string text = EncodeCarDelayText(r);
  ASSERT_EQ(text.size(), 274u);
  EXPECT_TRUE(std::none_of(text.begin(), text.end(), [](char c) { return std::islower(static_cast<unsigned char>(c)); }));
  EXPECT_EQ(text.substr(0, 8), "21070000");
  EXPECT_EQ(DecodeCarDelayText(text).Encode(), r.Encode());
}

TEST(CarDelayTextTest, RejectedValuesGiveTheDefaultRecord) {
  const auto defaults = CarDelaySettings::Default().Encode();
  const std::string good = EncodeCarDelayText(SampleRecord());
  std::string lower = good;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) { return std::tolower(c); });
  ASSERT_NE(lower, good);
  std::string badChar = good;
  badChar[10] = 'G';
  std::string wrongCheck = good;
  wrongCheck.back() = wrongCheck.back() == '0' ? '1' : '0';
  const std::string tooLong = EncodeHexWithCheck(std::vector<uint8_t>(137, 0x11));

  for (const std::string& bad : {lower, badChar, wrongCheck, good.substr(1), tooLong, std::string()}) {
    EXPECT_EQ(DecodeCarDelayText(bad).Encode(), defaults) << bad;
  }
  EXPECT_EQ(DecodeCarDelayText(std::nullopt).Encode(), defaults);
}

TEST(CarDelayTextTest, ShorterValueWithCorrectCheckIsAccepted) {
  // carWidth 2000, zhouJu 3000, xStart -1000, yStart -1500, mmPerScale 250, mmPerPx 5
  CarDelaySettings head;
  head.carWidth = 2000;
  head.zhouJu = 3000;
  head.xStart = -1000;
  head.yStart = -1500;
  head.mmPerScale = 250;
  head.mmPerPx = 5;
  const auto full = head.Encode();
  const std::string text = EncodeHexWithCheck(std::span(full).first(24));
  ASSERT_EQ(text.size(), 50u);
  const CarDelaySettings r = DecodeCarDelayText(text);
  EXPECT_EQ(r.carWidth, 2000);
  EXPECT_EQ(r.zhouJu, 3000);
  EXPECT_EQ(r.mmPerPx, 5);
  EXPECT_EQ(r.listener, (CarPoint{0, 0}));
  EXPECT_EQ(r.positionsValid, 0);
  EXPECT_EQ(r.reserved, (std::array<uint8_t, 4>{}));
}

TEST(CarDelayTextTest, UndrawableScaleFallsBackToDefault) {
  CarDelaySettings r = SampleRecord();
  r.mmPerPx = 0;
  EXPECT_EQ(DecodeCarDelayText(EncodeCarDelayText(r)).Encode(), CarDelaySettings::Default().Encode());
  r = SampleRecord();
  r.mmPerScale = -5;
  EXPECT_EQ(DecodeCarDelayText(EncodeCarDelayText(r)).Encode(), CarDelaySettings::Default().Encode());
}

TEST(CarPositionsTest, DefaultPositionsOfTheDefaultCar) {
  const CarDelaySettings d = CarDelaySettings::Default();
  EXPECT_EQ(d.carWidth, 1825);
  EXPECT_EQ(d.zhouJu, 2680);
  EXPECT_EQ(d.mmPerScale, 500);
  EXPECT_EQ(d.positionsValid, 0);
  const CarPositions p = DefaultCarPositions(d.carWidth, d.zhouJu);
  const std::array<CarPoint, 6> expected = {{{0, 2680}, {1825, 2680}, {0, 0}, {1825, 0}, {608, 0}, {1216, 0}}};
  EXPECT_EQ(p.speakers, expected);
  EXPECT_EQ(p.listener, (CarPoint{530, 1580}));
  // Divisions truncate toward zero for a negative width too.
  EXPECT_EQ(DefaultCarPositions(-100, 10).speakers[4], (CarPoint{-33, 0}));
  EXPECT_EQ(DefaultCarPositions(-100, 10).speakers[5], (CarPoint{-66, 0}));
}

TEST(CarViewMetricsTest, DefaultCarBodyPlacement) {
  CarViewMetrics m;  // ldist 40, bdist 20, start -2000, 10 mm/px
  m.left = 0;
  m.top = 0;
  m.right = 600;
  m.bottom = 700;
  EXPECT_EQ(m.OriginX(), 40 + 200);
  EXPECT_EQ(m.OriginY(), 700 - 20 - 200);
  const auto car = m.CarRect();
  EXPECT_EQ(car[2] - car[0], 182);
  EXPECT_EQ(car[3] - car[1], 268);
  EXPECT_EQ(car[0], m.left + m.ldist + 200);
  EXPECT_EQ(car[3], m.bottom - m.bdist - 200);
  EXPECT_EQ(m.MmToPx({0, 0}), (CarPoint{car[0], car[3]}));
}

TEST(CarViewMetricsTest, MappingsTruncateAndInvertOnWholePixels) {
  CarViewMetrics m;
  m.ldist = 45;
  m.bdist = 40;
  m.left = 10;
  m.bottom = 750;
  EXPECT_EQ(m.MmToPx({1825, 2680}), (CarPoint{10 + 45 + 382, 750 - 40 - 468}));
  EXPECT_EQ(m.MmToPx({-2005, -2005}), (CarPoint{10 + 45 + 0, 750 - 40 - 0}));  // -5/10 truncates to 0
  for (const CarPoint mm : {CarPoint{0, 0}, CarPoint{530, 1580}, CarPoint{1820, 2680}, CarPoint{-2000, 4000}}) {
    EXPECT_EQ(m.PxToMm(m.MmToPx(mm)), mm);
  }
  EXPECT_EQ(m.PxToMm({10 + 45, 750 - 40}), (CarPoint{-2000, -2000}));
}

TEST(CarDelaysTest, EqualDistancesGiveZeroDelays) {
  const CarPoint l{100, 100};
  const std::vector<CarPoint> s = {{150, 100}, {50, 100}, {100, 150}, {100, 50}, {130, 140}, {70, 60}};
  const CarDelayGeometry g = ComputeCarDelays(l, s, 10);
  EXPECT_DOUBLE_EQ(g.farthestPx, 50.0);
  for (size_t i = 0; i < 6; ++i) {
    EXPECT_DOUBLE_EQ(g.delayMm[i], 0.0) << i;
    EXPECT_TRUE(g.hasVirtualPoint[i]);
    EXPECT_EQ(g.virtualPoints[i], s[i]) << i;
  }
  EXPECT_EQ(g.soundSpace, (std::array<int, 4>{50, 50, 150, 150}));
}

TEST(CarDelaysTest, FarthestSpeakerHasNoDelayOthersTheDifference) {
  const CarPoint l{0, 0};
  const std::vector<CarPoint> s = {{300, 400}, {30, 40}, {0, 100}, {-60, -80}, {0, -100}, {3, 4}};
  const CarDelayGeometry g = ComputeCarDelays(l, s, 10);
  EXPECT_DOUBLE_EQ(g.farthestPx, 500);
  EXPECT_DOUBLE_EQ(g.delayMm[0], 0.0);
  EXPECT_DOUBLE_EQ(g.delayMm[1], 4500.0);
  EXPECT_DOUBLE_EQ(g.delayMm[2], 4000.0);
  EXPECT_DOUBLE_EQ(g.delayMm[3], 4000.0);
  EXPECT_DOUBLE_EQ(g.delayMm[4], 4000.0);
  EXPECT_DOUBLE_EQ(g.delayMm[5], 4950.0);
  EXPECT_EQ(g.virtualPoints[1], (CarPoint{300, 400}));
  EXPECT_EQ(g.virtualPoints[3], (CarPoint{-300, -400}));
  EXPECT_EQ(g.virtualPoints[4], (CarPoint{0, -500}));
  EXPECT_EQ(g.soundSpace, (std::array<int, 4>{-500, -500, 500, 500}));
}

TEST(CarDelaysTest, VirtualPointsAndSoundSpaceTruncateTowardZero) {
  const CarPoint l{0, 0};
  const std::vector<CarPoint> s = {{10, 10}, {-3, 0}};
  const CarDelayGeometry g = ComputeCarDelays(l, s, 10);
  // D = 14.142..., V2 = (-14.14, 0) -> (-14, 0)
  EXPECT_EQ(g.virtualPoints[1], (CarPoint{-14, 0}));
  EXPECT_EQ(g.soundSpace, (std::array<int, 4>{-14, -14, 14, 14}));
}

TEST(CarDelaysTest, SpeakerOnTheListenerHasNoVirtualPointButADelay) {
  const CarPoint l{200, 300};
  const std::vector<CarPoint> s = {{200, 300}, {200, 320}};
  const CarDelayGeometry g = ComputeCarDelays(l, s, 10);
  EXPECT_FALSE(g.hasVirtualPoint[0]);
  EXPECT_TRUE(g.hasVirtualPoint[1]);
  EXPECT_DOUBLE_EQ(g.distancePx[0], 0.0);
  EXPECT_DOUBLE_EQ(g.delayMm[0], 200.0);
  EXPECT_DOUBLE_EQ(g.delayMm[1], 0.0);

  const CarDelayGeometry all = ComputeCarDelays(l, std::vector<CarPoint>(6, l), 10);
  for (size_t i = 0; i < 6; ++i) EXPECT_DOUBLE_EQ(all.delayMm[i], 0.0);
  EXPECT_EQ(all.soundSpace, (std::array<int, 4>{200, 300, 200, 300}));
}

TEST(CarDelaysTest, FarApartPointsStayDefined) {
  const CarPoint l{INT32_MIN, INT32_MIN};
  const std::vector<CarPoint> s = {{INT32_MAX, INT32_MAX}, {INT32_MIN + 1, INT32_MIN}};
  const CarDelayGeometry g = ComputeCarDelays(l, s, 10);
  EXPECT_DOUBLE_EQ(g.delayMm[0], 0.0);
  EXPECT_GT(g.delayMm[1], 0.0);
  EXPECT_EQ(g.soundSpace[0], INT32_MIN);
  EXPECT_EQ(g.soundSpace[2], INT32_MAX);
}

}  // namespace
}  // namespace brisvel
