// A whole set of bands written as one edit: over the linked range, within the
// gain range, ending the bypass without bringing old gains back.
#include <gtest/gtest.h>

#include "editing/channel_editor.h"
#include "editing_test_support.h"

namespace brisvel::editing {
namespace {

using testing::FakeProcessorLink;

class BandSetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    store.Response(0).Recompute(17);
    store.RebuildResponses();
    store.SetLinkFlag(0, 3);  // CH1 and CH2 linked
    store.SetCurrentChannel(2);
    bands = BandsFromBlock(store.Block(), 2);
    for (int b = 0; b < kBandCount; ++b) bands[static_cast<size_t>(b)].gain = (b % 5 - 2) * 150;
    bands[4] = {63, 250, 480};
  }
  int16_t Gain(int k, int b) const { return static_cast<int16_t>(store.GetParam(param::EqGain(k, b))); }

  CEffectStore store;
  FakeProcessorLink device{store};
  CChannelEditor editor{store, &device};
  ChannelBands bands{};
};

TEST_F(BandSetTest, EveryBandReachesTheLinkedRangeAndTheModels) {
  const BandChanges c = editor.SetBands(bands);
  EXPECT_EQ(c.channels, std::vector<int>({2, 3}));
  for (int k : {2, 3}) {
    EXPECT_EQ(BandsFromBlock(store.Block(), k), bands) << k;
    EXPECT_NEAR(store.Response(k).Sections()[4].gain, 4.8, 1e-9);
  }
  EXPECT_EQ(Gain(4, 0), 0);  // not linked: untouched
  EXPECT_TRUE(c.graph);
  EXPECT_FALSE(c.params.empty());
  // The processor gets the new values: they are pending for the sender or sent.
  bool reached = store.PendingParams().count(param::EqGain(3, 4)) > 0;
  for (const auto& t : device.transfers) reached = reached || t.count(param::EqGain(3, 4)) > 0;
  EXPECT_TRUE(reached);
}

TEST_F(BandSetTest, GainsOutsideTheRangeAreClampedAndSameValuesChangeNothing) {
  bands[0].gain = 9000;
  bands[1].gain = -9000;
  editor.SetBands(bands);
  EXPECT_EQ(Gain(2, 0), 2000);
  EXPECT_EQ(Gain(2, 1), -2000);
  const BandChanges again = editor.SetBands(BandsFromBlock(store.Block(), 2));
  for (int index : again.params) EXPECT_FALSE(index >= param::EqGain(2, 0) && index <= param::EqGain(3, kBandCount - 1));
}

TEST_F(BandSetTest, TheBypassEndsAndItsHeldGainsDoNotComeBack) {
  for (int b = 0; b < kBandCount; ++b) store.SetParam(param::EqGain(2, b), 700);
  editor.SetBypass(true);
  editor.SetBands(bands);
  EXPECT_EQ(store.GetParam(param::kPassCtrl) & 0b1100, 0);
  EXPECT_EQ(Gain(2, 4), 480);
  EXPECT_EQ(Gain(2, 0), bands[0].gain);
  EXPECT_FALSE(store.IsBandHeldBack(2, 0));
  EXPECT_FALSE(ChannelEqView(store, 2).bypass);
}

}  // namespace
}  // namespace brisvel::editing
