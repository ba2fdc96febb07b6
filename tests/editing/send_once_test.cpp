// One editing operation is one transfer: a band drag over linked channels
// sends one parameter frame per move carrying every channel's item, through
// the real device manager to the simulated processor.

#include <gtest/gtest.h>

#include "../device/device_test_support.h"
#include "core/eq_axes.h"
#include "device/device_manager.h"
#include "device/frames.h"
#include "editing/channel_editor.h"
#include "editing/edit_link.h"

namespace brisvel::editing {
namespace {

class SendOnceTest : public brisvel::testing::ManagerFixture {
 protected:
  // The parameter frames the processor received since the last call.
  std::vector<frames::Frame> ParamFrames(sim::SimProcessor& processor) {
    std::vector<frames::Frame> out;
    for (const frames::Frame& f : processor.Requests())
      if (f[0] == frames::cmd::kWriteParams) out.push_back(f);
    processor.ClearRequests();
    return out;
  }
};

TEST_F(SendOnceTest, ABandDragOverLinkedChannelsSendsOneFramePerMove) {
  auto processor = PlugAndConnect();
  processor->SetRecordRequests(true);
  // Every move comes after the sender's spacing, so each is sent at once.
  int64_t now = 1'000'000;
  manager->Sender().SetTickSource([&] { return now; });
  store.Response(0).Recompute(17);
  store.RebuildResponses();
  DeviceEditLink link(store, *manager);
  CChannelEditor editor(store, &link);
  const EqAxes axes(36, 13, 1289, 176, 17, 20, -20);

  for (const auto& [group, base] : {std::pair{LinkGroup::kFront, 2}, std::pair{LinkGroup::kFourSpeakers, 3}}) {
    editor.ChooseLinkBase(group, base);
    const std::vector<int> range = editor.SelectedChannels();
    ParamFrames(*processor);
    for (int move = 1; move <= 8; ++move) {
      now += 250;
      ASSERT_TRUE(editor.DragBand(7, axes, std::nullopt, axes.GainToY(0.0) - 3 * move).Any());
      const std::vector<frames::Frame> sent = ParamFrames(*processor);
      ASSERT_EQ(sent.size(), 1u) << range.size() << " channels, move " << move;
      const std::vector<frames::ParamItem> items = frames::ParseParamItems(sent[0]);
      ASSERT_EQ(items.size(), range.size());
      for (size_t i = 0; i < range.size(); ++i)
        EXPECT_EQ(items[i].offset, ParamTable()[param::EqGain(range[i], 7)].offset);
    }
    EXPECT_EQ(ReadParam(processor->State().active, param::EqGain(range.back(), 7)),
              store.GetParam(param::EqGain(range.front(), 7)));
  }
}

TEST_F(SendOnceTest, AStreamOfEditsStillKeepsTheSpacing) {
  auto processor = PlugAndConnect();
  processor->SetRecordRequests(true);
  int64_t now = 1'000'000;
  manager->Sender().SetTickSource([&] { return now; });
  DeviceEditLink link(store, *manager);
  CChannelEditor editor(store, &link);
  editor.ChooseLinkBase(LinkGroup::kFourSpeakers, 2);
  ParamFrames(*processor);
  // Four channels' volumes, twice within 200 ms: the first goes at once in
  // one frame, the second waits for the sender.
  editor.SetChannelVolume(2, 50);
  EXPECT_EQ(ParamFrames(*processor).size(), 1u);
  now += 50;
  editor.SetChannelVolume(2, 40);
  EXPECT_TRUE(ParamFrames(*processor).empty());
  manager->Sender().OnSendTimer();
  const std::vector<frames::Frame> later = ParamFrames(*processor);
  ASSERT_EQ(later.size(), 1u);
  EXPECT_EQ(frames::ParseParamItems(later[0]).size(), 4u);
}

}  // namespace
}  // namespace brisvel::editing
