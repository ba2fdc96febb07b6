// The installer's channel names: what a typed name is kept as, and the stored
// form that any text decodes from.
#include "core/channel_names.h"

#include <gtest/gtest.h>

namespace brisvel {
namespace {

TEST(ChannelNames, TypedNamesAreCleanedTrimmedAndCutByCharacters) {
  EXPECT_EQ(CleanChannelName("  Tweeter L \t"), "Tweeter L");
  EXPECT_EQ(CleanChannelName("Mid|R"), "MidR");             // the separator never gets in
  EXPECT_EQ(CleanChannelName("Sub\r\n\x01\x7f"), "Sub");    // nor line ends or control characters
  EXPECT_EQ(CleanChannelName("Bad\xff\xc0 byte"), "Bad byte");
  EXPECT_EQ(CleanChannelName("ABCDEFGHIJKLMNOPQ"), "ABCDEFGHIJKLMN");
  // Fourteen characters, not bytes: a cut never splits a character.
  const std::string chinese = "左高音左高音左高音左高音左高音左";
  EXPECT_EQ(CleanChannelName(chinese), "左高音左高音左高音左高音左高");
  // A cut that ends on a blank leaves no trailing blank.
  EXPECT_EQ(CleanChannelName("Front door   mid bass"), "Front door   m");
  EXPECT_EQ(CleanChannelName("Front door    mid"), "Front door");
  EXPECT_EQ(CleanChannelName(" \t "), "");
}

TEST(ChannelNames, TheStoredFormRoundTripsAndAnyTextGivesSixNames) {
  const ChannelNames names = {"Tweeter L", "Tweeter R", "", "低音", "Mid R", "Sub"};
  EXPECT_EQ(EncodeChannelNames(names), "Tweeter L|Tweeter R||低音|Mid R|Sub");
  EXPECT_EQ(DecodeChannelNames(EncodeChannelNames(names)), names);
  EXPECT_EQ(EncodeChannelNames({}), "|||||");

  const ChannelNames few = DecodeChannelNames("A| B ");
  EXPECT_EQ(few, (ChannelNames{"A", "B", "", "", "", ""}));
  const ChannelNames many = DecodeChannelNames("1|2|3|4|5|6|7|8");
  EXPECT_EQ(many[5], "6");
  EXPECT_EQ(DecodeChannelNames(""), ChannelNames{});
  EXPECT_EQ(DecodeChannelNames("\xff\xfe|x\ny")[1], "xy");
}

TEST(ChannelNames, LabelsGoByTheChannelNumberNotTheBox) {
  const ChannelNames names = {"Tweeter L", "", "", "", "Sub", ""};
  // Box 2 is CH1, Box 0 is CH5.
  EXPECT_EQ(NamedChannelLabel(names, 2), "CH1 Tweeter L");
  EXPECT_EQ(NamedChannelLabel(names, 0), "CH5 Sub");
  EXPECT_EQ(NamedChannelLabel(names, 3), "CH2");
  EXPECT_EQ(ChannelNameOf(names, 0), "Sub");
  EXPECT_EQ(ChannelNameOf(names, 9), "");
}

}  // namespace
}  // namespace brisvel
