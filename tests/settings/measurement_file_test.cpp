// measurements.ini: round trip of odd names and paths, one PC mode replaced
// without touching the others, and files that are not understood left alone.
#include <gtest/gtest.h>

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
  ASSERT_TRUE(SaveModeMeasurements(file, "Second", {Sample(3, 4)}, &error));
  EXPECT_EQ(LoadModeMeasurements(file, "Second", &error), KeptMeasurements{Sample(3, 4)});
  EXPECT_EQ(LoadModeMeasurements(file, odd, &error)->size(), 2u);

  ASSERT_TRUE(SaveModeMeasurements(file, odd, {}, &error));  // nothing measured any more: the section goes
  EXPECT_EQ(LoadModeMeasurements(file, odd, &error), KeptMeasurements());
  EXPECT_EQ(Read(file).find("Front"), std::string::npos);
}

TEST(MeasurementFileTest, FilesNotUnderstoodAreNeverOverwritten) {
  testing::TempFolder dir;
  const auto file = dir / "measurements.ini";
  const std::string bad[] = {
      "[A]\nchannel0.points=20 1,10 2\n",           // falling
      "[A]\nchannel0.points=20 1,abc\n",            // not a point
      "channel0.points=20 1,30 2\n",                // before a section
      "[A]\nchannel9.points=20 1,30 2\n",           // no such channel
      "[A]\nchannel0.smoothing=3\n",                // no points
      "[A]\nchannel0.points=20 nan,30 2\n",         // not finite
  };
  for (const std::string& text : bad) {
    { std::ofstream(file, std::ios::binary) << text; }
    std::string error;
    EXPECT_FALSE(LoadModeMeasurements(file, "A", &error).has_value()) << text;
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(SaveModeMeasurements(file, "B", {Sample(1, 0)}, &error)) << text;
    EXPECT_EQ(Read(file), text);
  }
  std::string error;
  MeasurementFile parsed;
  EXPECT_FALSE(ParseMeasurementFile("# kept\n\n[A]\nchannel0.points=20 1,10 2\n", parsed, &error));
  EXPECT_EQ(error.rfind("line 4:", 0), 0u) << error;
}

}  // namespace
}  // namespace brisvel::settings
