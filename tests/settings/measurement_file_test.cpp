// measurements.ini: round trip of odd names and paths, one PC mode replaced
// without touching the others, and files that are not understood left alone.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "settings/measurement_file.h"
#include "temp_folder.h"

namespace brisvel::settings {
namespace {

KeptMeasurement Sample(int channel, double offset) {
  KeptMeasurement m;
  m.channel = channel;
  m.source = "/home/me/meas [left]=100%.txt";
  m.smoothing = 6;
  m.curve.hz = {20.0, 31.5, 1000.123, 20000.0};
  m.curve.db = {-3.25 + offset, 1.5, 0.0, -12.125};
  return m;
}

std::string Read(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(MeasurementFileTest, ModesRoundTripWithOddNamesAndReplaceOnlyTheirOwnSection) {
  testing::TempFolder dir;
  const auto file = MeasurementFileBeside(dir / "config.ini");
  EXPECT_EQ(file, dir / "measurements.ini");
  std::string error;
  ASSERT_EQ(LoadModeMeasurements(file, "none yet", &error), KeptMeasurements());  // no file: nothing kept

  const std::string odd = "Front [demo]\n=50%";
  ASSERT_TRUE(SaveModeMeasurements(file, odd, {Sample(0, 0), Sample(5, 1)}, &error)) << error;
  ASSERT_TRUE(SaveModeMeasurements(file, "Second", {Sample(2, 2)}, &error)) << error;
  EXPECT_EQ(LoadModeMeasurements(file, odd, &error), (KeptMeasurements{Sample(0, 0), Sample(5, 1)}));
  // A measured phase is kept with its points.
  KeptMeasurement phased = Sample(3, 4);
  phased.curve.phase = {-179.5, 12.25, 0.0, 170.0};
  ASSERT_TRUE(SaveModeMeasurements(file, "Second", {phased}, &error));
  EXPECT_EQ(LoadModeMeasurements(file, "Second", &error), KeptMeasurements{phased});
  EXPECT_EQ(LoadModeMeasurements(file, odd, &error)->size(), 2u);

  ASSERT_TRUE(SaveModeMeasurements(file, odd, {}, &error));  // nothing measured any more: the section goes
  EXPECT_EQ(LoadModeMeasurements(file, odd, &error), KeptMeasurements());
  EXPECT_EQ(Read(file).find("Front"), std::string::npos);
}

TEST(MeasurementFileTest, DamagedEntriesNeverBlockTheOthersAndAreKeptAsTheyAre) {
  testing::TempFolder dir;
  const auto file = dir / "measurements.ini";
  const std::string good = "[A]\nchannel1.source=a.txt\nchannel1.smoothing=3\nchannel1.points=20 1,30 2\n";
  const std::string bad[] = {
      "[A]\nchannel0.points=20 1,10 2\n",           // falling
      "[A]\nchannel0.points=20 1,abc\n",            // not a point
      "[A]\nchannel0.points=20 1 90,30 2\n",        // a phase on some points only
      "[A]\nchannel0.points=20 1 x,30 2 3\n",       // a phase that is no number
      "[A]\nchannel9.points=20 1,30 2\n",           // no such channel
      "[A]\nchannel0.smoothing=3\n",                // no points
      "[A]\nchannel0.points=20 nan,30 2\n",         // not finite
      "[A\nchannel0.points=20 1,30 2\n",            // a header that cannot be read
      "[A]\nchannel0.points=20 1,30 2\nchannel0.points=20 1,40 2\n",  // written twice
  };
  std::vector<std::string> texts;
  for (const std::string& damage : bad) texts.push_back(good + damage);
  texts.push_back("channel0.points=20 1,30 2\n" + good);  // before a section
  for (const std::string& text : texts) {
    const std::string damage = text.substr(0, good.size()) == good ? text.substr(good.size()) : text;
    { std::ofstream(file, std::ios::binary) << text; }
    std::string error;
    const auto a = LoadModeMeasurements(file, "A", &error);
    ASSERT_TRUE(a.has_value()) << damage;
    ASSERT_EQ(a->size(), 1u) << damage;  // channel 1 reads whatever else is damaged
    EXPECT_EQ((*a)[0].channel, 1);
    EXPECT_NE(error.find("line "), std::string::npos) << damage << error;
    // Saving another mode keeps every damaged line, and the file reads as before.
    ASSERT_TRUE(SaveModeMeasurements(file, "B", {Sample(1, 0)}, &error)) << damage << error;
    const std::string after = Read(file);
    for (const std::string_view line : {std::string_view(damage).substr(0, damage.find('\n'))}) {
      EXPECT_NE(after.find(line), std::string::npos) << damage << "\n" << after;
    }
    const MeasurementFile before = ParseMeasurementFile(text), now = ParseMeasurementFile(after);
    EXPECT_EQ(now.modes.at("A"), before.modes.at("A")) << damage;
    EXPECT_EQ(now.problems.size(), before.problems.size()) << damage << after;
    EXPECT_EQ(LoadModeMeasurements(file, "B", &error), KeptMeasurements{Sample(1, 0)}) << damage;
  }
  // A file that cannot be read at all is left alone.
  std::filesystem::remove(file);
  std::filesystem::create_directory(file);
  std::string error;
  EXPECT_FALSE(LoadModeMeasurements(file, "A", &error).has_value());
  EXPECT_FALSE(SaveModeMeasurements(file, "B", {Sample(1, 0)}, &error));
  EXPECT_TRUE(std::filesystem::is_directory(file));
}

TEST(MeasurementFileTest, WhatIsWrittenAlwaysReadsBackToTheSameNumbers) {
  testing::TempFolder dir;
  const auto file = dir / "measurements.ini";
  KeptMeasurement m;
  m.channel = 2;
  // Frequencies closer than ten significant digits, levels with many digits,
  // CR-only line ends in a file of another tool are no concern of the writer.
  m.curve.hz = {20.000000000001, 20.000000000002, 1000.0 / 3.0, 19999.999999999996};
  m.curve.db = {-0.1 - 0.2, 1e-300, -123.456789012345, 6.02214076e23};
  std::string error;
  ASSERT_TRUE(SaveModeMeasurements(file, "Exact", {m}, &error)) << error;
  EXPECT_EQ(LoadModeMeasurements(file, "Exact", &error), KeptMeasurements{m}) << Read(file);

  // Points that do not rise, or are not finite, are left out; the rest read back.
  KeptMeasurement odd = m;
  odd.curve.hz = {20.0, 20.0, 10.0, 40.0, std::nan(""), 80.0};
  odd.curve.db = {1.0, 2.0, 3.0, 4.0, 5.0, HUGE_VAL};
  ASSERT_TRUE(SaveModeMeasurements(file, "Odd", {odd}, &error)) << error;
  const auto back = LoadModeMeasurements(file, "Odd", &error);
  ASSERT_TRUE(back && back->size() == 1u) << Read(file);
  EXPECT_EQ((*back)[0].curve.hz, (std::vector<double>{20.0, 40.0}));
  EXPECT_EQ((*back)[0].curve.db, (std::vector<double>{1.0, 4.0}));

  // What could not be read back is refused before anything is written.
  const std::string before = Read(file);
  KeptMeasurement lonely = m;
  lonely.curve.hz = {100.0, std::nan("")};
  lonely.curve.db = {0.0, 0.0};
  EXPECT_FALSE(SaveModeMeasurements(file, "Lonely", {lonely}, &error));
  EXPECT_NE(error.find("fewer than two"), std::string::npos) << error;
  KeptMeasurement smooth = m;
  smooth.smoothing = 49;
  EXPECT_FALSE(SaveModeMeasurements(file, "Smooth", {smooth}, &error));
  EXPECT_EQ(Read(file), before);

  // A file written with CR-only line ends by another tool reads.
  { std::ofstream(file, std::ios::binary) << "[Mac]\rchannel0.points=20 1,30 2\r"; }
  const auto mac = LoadModeMeasurements(file, "Mac", &error);
  ASSERT_TRUE(mac && mac->size() == 1u);
  EXPECT_EQ((*mac)[0].curve.hz.size(), 2u);
}

}  // namespace
}  // namespace brisvel::settings
