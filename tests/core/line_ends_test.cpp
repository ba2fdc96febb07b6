// Text files as other programs write them: LF, CR LF or CR alone, with or
// without a byte-order mark. Every reader of text takes them all alike.
#include <gtest/gtest.h>

#include <string>

#include "core/filter_set.h"
#include "core/hex_text.h"
#include "core/measurement.h"
#include "core/scene_file.h"
#include "core/text_lines.h"

namespace brisvel {
namespace {

using Lines = std::vector<std::string_view>;

// The text with its LF line ends as CR LF or CR, and with a byte-order mark.
std::vector<std::string> Spellings(const std::string& lf) {
  std::string crlf, cr;
  for (char c : lf) {
    crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    cr += c == '\n' ? '\r' : c;
  }
  return {lf, crlf, cr, "\xEF\xBB\xBF" + lf, "\xEF\xBB\xBF" + crlf, "\xEF\xBB\xBF" + cr};
}

TEST(LineEnds, EveryKindEndsALineAndTheMarkIsNoText) {
  for (const std::string& text : Spellings("a\n\nb\nc")) EXPECT_EQ(SplitLines(text), (Lines{"a", "", "b", "c"})) << text;
  EXPECT_EQ(SplitLines("a\n\rb"), (Lines{"a", "", "b"}));  // LF then CR: two line ends
  EXPECT_EQ(SplitLines("a\r\n"), (Lines{"a"}));
  EXPECT_TRUE(SplitLines("").empty());
  EXPECT_TRUE(SplitLines("\xEF\xBB\xBF").empty());
  EXPECT_EQ(SplitLines("x\xEF\xBB\xBF"), (Lines{"x\xEF\xBB\xBF"}));  // only at the start
}

TEST(LineEnds, SceneFilesReadWhateverTheirLineEndsAndMark) {
  PCModeRecord r;
  r.SetName("Hall");
  r.block.fill(0x42);
  const std::string value = EncodeProfileStruct(r.Encode());
  for (const std::string& text : Spellings("; from another tool\n[CAEConfig]\ndata=" + value + "\n")) {
    const auto back = scene::ParseSceneText(text);
    ASSERT_TRUE(back) << text.substr(0, 30);
    EXPECT_EQ(back->Name(), "Hall");
    // Setting a key keeps the mark, and every line.
    const std::string written = scene::WriteProfileValue(text, "CAEConfig", "extra", "1");
    EXPECT_EQ(written.rfind("\xEF\xBB\xBF", 0) == 0, text.rfind("\xEF\xBB\xBF", 0) == 0);
    EXPECT_NE(written.find("; from another tool\r\n"), std::string::npos);
    EXPECT_EQ(scene::ParseSceneText(written)->Name(), "Hall");
  }
}

TEST(LineEnds, MeasurementsAndFilterSetsReadWhateverTheirLineEnds) {
  for (const std::string& text : Spellings("* header\nfreq spl\n20 1.5\n1000 -2\n20000 3\n")) {
    const CurveParse parsed = ParseFrequencyCurve(text);
    ASSERT_TRUE(parsed.curve) << parsed.error;
    EXPECT_EQ(parsed.curve->hz, (std::vector<double>{20, 1000, 20000}));
  }
  const ChannelBands bands = BandsFromBlock(FactoryBlock(), 1);
  for (const std::string& lf : {FilterSetText(bands), FilterSetCsv(bands)}) {
    for (const std::string& text : Spellings(lf)) {
      const FilterSetImport in = ImportFilterSet(text, bands, -20, 20);
      ASSERT_TRUE(in.ok) << in.error;
      EXPECT_EQ(in.filtersTaken, 31);
      EXPECT_EQ(in.bands, bands);
    }
  }
}

}  // namespace
}  // namespace brisvel
