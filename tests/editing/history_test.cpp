// The edit history: steps named and kept whole, undo and redo of values and of
// the editing state, the bound on steps, the end of the history, the A/B
// comparison, and a random run of edits on a simulated processor undone and
// redone whole.
#include "editing/history.h"

#include <gtest/gtest.h>

#include <random>

#include "device/device_test_support.h"
#include "editing/ab_compare.h"
#include "editing/channel_editor.h"
#include "editing_test_support.h"

namespace brisvel::editing {
namespace {

class HistoryTest : public ::testing::Test {
 protected:
  CEffectStore store;
  testing::FakeProcessorLink device{store};
  CChannelEditor editor{store, &device};
  CEditHistory history{store};
};

TEST_F(HistoryTest, StepsAreNamedUndoneAndRedoneThroughTheProcessorLink) {
  EXPECT_FALSE(history.CanUndo());
  EXPECT_EQ(history.UndoName(), "");
  const EffectBlock start = store.Block();
  history.Record("CH5 volume", [&] { return editor.SetChannelVolume(0, 30); });
  // A drag: many moves, one step.
  history.Begin("Band 10 gain (CH1)");
  store.SetCurrentChannel(2);
  for (int pos = 10; pos <= 100; pos += 10) editor.SetBandGainFromSlider(9, pos);
  history.End();
  // An action that changes nothing is no step.
  history.Record("CH5 volume", [&] { return editor.SetChannelVolume(0, 30); });
  ASSERT_EQ(history.UndoCount(), 2u);
  EXPECT_EQ(history.UndoName(), "Band 10 gain (CH1)");
  const EffectBlock final = store.Block();

  device.SendNow();
  device.transfers.clear();
  Changes c = history.Undo();
  EXPECT_TRUE(c.full);
  EXPECT_TRUE(c.Changed(param::EqGain(2, 9)));
  EXPECT_EQ(static_cast<int16_t>(store.GetParam(param::EqGain(2, 9))), 0);
  EXPECT_EQ(store.CurrentChannel(), 4);  // the channel the step started on
  EXPECT_EQ(store.PendingParams().count(param::EqGain(2, 9)), 1u);
  EXPECT_EQ(history.RedoName(), "Band 10 gain (CH1)");
  EXPECT_EQ(history.UndoName(), "CH5 volume");
  history.Undo();
  EXPECT_EQ(store.Block(), start);
  EXPECT_FALSE(history.CanUndo());
  EXPECT_TRUE(history.Undo().params.empty());

  history.Redo();
  history.Redo();
  EXPECT_EQ(store.Block(), final);
  EXPECT_EQ(store.CurrentChannel(), 2);

  // A new step drops what could be redone.
  history.Undo();
  history.Record("CH5 mute", [&] { return editor.SetMute(0, true); });
  EXPECT_FALSE(history.CanRedo());
  EXPECT_EQ(history.UndoName(), "CH5 mute");
}

TEST_F(HistoryTest, LinkCopyBypassAndHoldBackComeBackWithTheirEditingState) {
  store.SetCurrentChannel(2);
  editor.CommitBandGain(4, "6");
  editor.SetBandHeldBack(4, true);  // CH1 band 5 held back: 0 in the block and the processor
  store.SetCurrentChannel(3);
  editor.CommitBandGain(7, "-4");
  const EffectBlock before = store.Block();
  const auto heldBefore = HeldBands::Of(store);
  const auto linksBefore = store.LinkFlags();

  history.Record("Link CH1&CH2 on CH2", [&] { return editor.ChooseLinkBase(LinkGroup::kFront, 3); });
  EXPECT_NE(store.LinkFlags(), linksBefore);
  EXPECT_FALSE(store.IsBandHeldBack(2, 4));  // the copy dropped CH1's held-back gain
  history.Record("Bypass EQ", [&] { return editor.SetBypass(true); });
  EXPECT_EQ(store.GetParam(param::EqGain(2, 7)), 0);

  history.Undo();
  history.Undo();
  EXPECT_EQ(store.Block(), before);
  EXPECT_EQ(store.LinkFlags(), linksBefore);
  EXPECT_EQ(store.CurrentChannel(), 3);
  EXPECT_EQ(HeldBands::Of(store).hold, heldBefore.hold);
  EXPECT_EQ(HeldBands::Of(store).gain, heldBefore.gain);
  EXPECT_TRUE(store.IsBandHeldBack(2, 4));
  EXPECT_EQ(store.BypassedBandGain(2, 4), 600);

  // Redoing the bypass keeps the gains in the processor, as the bypass does.
  history.Redo();
  device.SendNow();
  device.transfers.clear();
  history.Redo();
  ASSERT_EQ(device.transfers.size(), 0u);  // pending until the caller sends
  EXPECT_EQ(store.PendingParams().count(param::kPassCtrl), 1u);
  EXPECT_TRUE(store.IsBandHeldBack(2, 7));
  // The held gain goes out as the processor keeps it, never as the block's 0.
  EXPECT_EQ(store.GetParam(param::EqGain(2, 7)), 0);
  EXPECT_EQ(static_cast<int16_t>(store.ProcessorValue(param::EqGain(2, 7))), -400);
}

TEST_F(HistoryTest, UnnamedStepsAreNamedForWhatTheyChanged) {
  auto named = [&](auto fn) {
    history.Begin("");
    fn();
    history.End();
    return history.UndoName();
  };
  EXPECT_EQ(named([&] { editor.SetChannelVolume(2, 20); }), "CH1 volume");
  EXPECT_EQ(named([&] { editor.SetMasterVolume(10); }), "Master volume");
  store.SetLinkFlags({3, 0, 0, 0});  // front pair CH1, CH2 on CH1
  store.SetCurrentChannel(2);
  EXPECT_EQ(named([&] { editor.SetBandGainFromSlider(9, 35); }), "Band 10 gain (CH1, CH2)");
  EXPECT_EQ(named([&] { editor.CommitDelay(5, "3"); }), "CH4 delay");
  // A press that opened a step unnamed takes the name its handler gives.
  history.Begin("");
  history.Record("Delays from car view", [&] { return editor.CommitDelay(4, "2"); });
  history.End();
  EXPECT_EQ(history.UndoName(), "Delays from car view");
}

TEST_F(HistoryTest, KeepsTheNewestThousandStepsInBoundedMemory) {
  for (int i = 0; i < 1100; ++i) history.Record("CH5 volume", [&] { return editor.SetChannelVolume(0, i % 60); });
  EXPECT_EQ(history.UndoCount(), CEditHistory::kMaxSteps);
  EXPECT_LT(history.MemoryBytes(), 1u << 20);
  while (history.CanUndo()) history.Undo();
  EXPECT_EQ(store.GetParam(param::Volume(0)), 99 % 60);  // the state after the 100 dropped steps
}

TEST_F(HistoryTest, EndsWhenTheBlockIsReplacedAndTracksOfflineEdits) {
  history.Record("CH5 volume", [&] { return editor.SetChannelVolume(0, 20); });
  EXPECT_FALSE(history.OfflineEdits());
  // The processor's block equals the one the history left: nothing is lost.
  EXPECT_FALSE(history.BlockReplaced());
  EXPECT_TRUE(history.CanUndo());
  EffectBlock other = store.Block();
  WriteParam(other, param::Volume(1), 5);
  store.ReplaceBlock(other);
  EXPECT_TRUE(history.BlockReplaced());
  EXPECT_FALSE(history.CanUndo());

  store.SetConnectedFlag(false);
  history.Record("CH5 volume", [&] { return editor.SetChannelVolume(0, 21); });
  EXPECT_TRUE(history.OfflineEdits());
  const EffectBlock mine = store.Block();
  EXPECT_EQ(history.KnownBlock(), mine);

  // A processor's block arrives inside an open step (a press on the connect
  // button): keeping it is one step back to mine; the press records nothing more.
  store.SetConnectedFlag(true);
  history.Begin("");
  store.ReplaceBlock(other);
  history.ForgetOpenChanges();
  EXPECT_TRUE(history.KeepReadBlock("Keep the processor's settings"));
  history.End();
  EXPECT_EQ(history.UndoName(), "Keep the processor's settings");
  EXPECT_EQ(history.UndoCount(), 2u);
  device.SendNow();
  history.Undo();
  EXPECT_EQ(store.Block(), mine);
  EXPECT_EQ(store.PendingParams().count(param::Volume(0)), 1u);  // mine goes out again
}

TEST_F(HistoryTest, AbSidesKeepTheirBlocksAndHistoriesAndGoOutWhole) {
  CAbCompare ab(store, history);
  history.Record("CH5 volume", [&] { return editor.SetChannelVolume(0, 20); });
  const EffectBlock a = store.Block();
  ab.Switch();  // B starts as a copy of A
  EXPECT_EQ(ab.Shown(), AbSide::kB);
  EXPECT_EQ(store.Block(), a);
  EXPECT_FALSE(history.CanUndo());
  EXPECT_TRUE(ab.LastSendOk());
  history.Record("CH6 volume", [&] { return editor.SetChannelVolume(1, 10); });
  const EffectBlock b = store.Block();

  store.SetConnectedFlag(false);  // both sides stay while the processor is away
  ab.Switch();
  EXPECT_FALSE(ab.LastSendOk());
  store.SetConnectedFlag(true);
  EXPECT_EQ(store.Block(), a);
  EXPECT_EQ(ab.BlockOf(AbSide::kB), b);
  EXPECT_EQ(history.UndoName(), "CH5 volume");

  // Copy B to A while A is shown: one step of A's history.
  ab.Copy(AbSide::kB, AbSide::kA);
  EXPECT_EQ(store.Block(), b);
  EXPECT_EQ(history.UndoName(), "Copy B to A");
  history.Undo();
  EXPECT_EQ(store.Block(), a);
  // Copy A to B into the hidden side: its history ends.
  ab.Copy(AbSide::kA, AbSide::kB);
  ab.Switch();
  EXPECT_EQ(store.Block(), a);
  EXPECT_FALSE(history.CanUndo());
}

// The history over a connected simulated processor.
class HistoryOnProcessorTest : public brisvel::testing::ManagerFixture {
 protected:
  void SetUp() override {
    ManagerFixture::SetUp();
    processor = PlugAndConnect();
    link = std::make_unique<DeviceEditLink>(store, *manager);
    editor = std::make_unique<CChannelEditor>(store, link.get());
    history.SetSendNow([this] { link->SendNow(); });
  }
  void TearDown() override {
    editor.reset();
    link.reset();
    ManagerFixture::TearDown();
  }
  void Sync() { manager->Sender().FlushPending(); }
  int16_t ProcessorGain(int k, int b) const {
    return static_cast<int16_t>(ReadParam(processor->State().active, param::EqGain(k, b)));
  }

  std::shared_ptr<sim::SimProcessor> processor;
  std::unique_ptr<DeviceEditLink> link;
  std::unique_ptr<CChannelEditor> editor;
  CEditHistory history{store};
};

// Each undo leaves the console and the processor exactly as they were before
// the step, held-back gains included; redo brings back the final state.
TEST_F(HistoryOnProcessorTest, UndoingAndRedoingAThousandRandomEditsRestoresBothBlocks) {
  const LinkGroup groups[] = {LinkGroup::kFront, LinkGroup::kRear, LinkGroup::kFourSpeakers, LinkGroup::kBass};
  for (unsigned seed : {15u, 16u}) {
    SCOPED_TRACE(seed);
    history.EndHistory();
    std::mt19937 rng(seed);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    // What the console and the processor held before each kept step.
    std::vector<std::pair<EffectBlock, EffectBlock>> before{{store.Block(), processor->State().active}};
    for (int i = 0; i < 1000; ++i) {
      history.Begin("edit");
      switch (pick(20)) {
        case 0: editor->SelectChannel(pick(6)); break;
        case 1: {
          const LinkGroup g = groups[pick(4)];
          const auto channels = GroupChannels(g);
          editor->ChooseLinkBase(g, channels[static_cast<size_t>(pick(static_cast<int>(channels.size())))]);
          break;
        }
        case 2: editor->ClearLink(groups[pick(4)]); break;
        case 3: editor->SetMasterVolume(pick(67)); break;
        case 4: editor->SetChannelVolume(pick(6), pick(67)); break;
        case 5: editor->SetPhase(pick(6), pick(2)); break;
        case 6: editor->SetMute(pick(6), pick(2)); break;
        case 7: editor->SetCharacteristic(pick(2) ? Filter::kHighPass : Filter::kLowPass, pick(3)); break;
        case 8: editor->SetSlope(pick(2) ? Filter::kHighPass : Filter::kLowPass, pick(9)); break;
        case 9: editor->CommitFilterFrequency(Filter::kHighPass, std::to_string(20 + pick(500))); break;
        case 10: editor->CommitThreshold(std::to_string(-pick(30))); break;
        case 11: editor->StepAttack("5", pick(2) ? 1 : -1); break;
        case 12: editor->SetRelease(pick(6)); break;
        case 13: editor->CommitDelay(pick(6), std::to_string(pick(20))); break;
        case 14: editor->CommitBandFrequency(pick(31), std::to_string(20 + pick(15000))); break;
        case 15: editor->CommitBandQ(pick(31), std::to_string(0.5 + pick(50) / 10.0)); break;
        case 16:  // a slider drag
          for (int m = 0; m < 5; ++m) editor->SetBandGainFromSlider(pick(31), pick(401) - 200);
          break;
        case 17: editor->SetBypass(pick(2)); break;
        case 18: editor->SetBandHeldBack(pick(31), pick(2)); break;
        case 19:
          if (pick(10) == 0) editor->ResetEqualiser();
          else editor->SetNoiseGate(pick(5));
          break;
      }
      const bool kept = history.End();
      Sync();
      if (kept) before.emplace_back(store.Block(), processor->State().active);
    }
    ASSERT_GT(before.size(), 500u);
    const auto final = before.back();
    ASSERT_NE(final.second, before.front().second);
    int mismatches = 0;
    while (history.CanUndo() && before.size() > 1) {
      history.Undo();
      Sync();
      before.pop_back();
      if (store.Block() != before.back().first || processor->State().active != before.back().second) ++mismatches;
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_FALSE(history.CanUndo());
    while (history.CanRedo()) {
      history.Redo();
      Sync();
    }
    EXPECT_EQ(store.Block(), final.first);
    EXPECT_EQ(processor->State().active, final.second);
    EXPECT_LT(history.MemoryBytes(), 1u << 20);
  }
}

// A band held back one by one while its channel is bypassed is 0 in the
// processor, unlike the bands the bypass held back: undo keeps each as it was.
TEST_F(HistoryOnProcessorTest, UndoRestoresHeldBackGainsAsTheProcessorHeldThem) {
  store.SetCurrentChannel(2);
  editor->CommitBandGain(4, "6");
  editor->CommitBandGain(9, "-3");
  editor->SetBypass(true);
  editor->SetBandHeldBack(4, false);  // band 5 back while bypassed
  editor->SetBandHeldBack(4, true);   // and held back again, one by one
  Sync();
  ASSERT_EQ(ProcessorGain(2, 4), 0);
  ASSERT_EQ(ProcessorGain(2, 9), -300);  // kept by the bypass
  const EffectBlock processorBefore = processor->State().active;
  const EffectBlock blockBefore = store.Block();

  history.Record("Link CH1&CH2 on CH2", [&] { return editor->ChooseLinkBase(LinkGroup::kFront, 3); });
  store.SetCurrentChannel(2);
  history.Record("ResetEQ CH1", [&] { return editor->ResetEqualiser(); });
  Sync();
  history.Undo();
  history.Undo();
  Sync();
  EXPECT_EQ(store.Block(), blockBefore);
  EXPECT_EQ(processor->State().active, processorBefore);
  EXPECT_TRUE(store.IsBandHeldBack(2, 4));
  EXPECT_FALSE(store.IsHeldGainKept(2, 4));
  EXPECT_TRUE(store.IsHeldGainKept(2, 9));
}

// Edits made without the processor, a bypass among them, meet a processor
// that holds other settings. Sending mine is one step: the processor gets my
// block with the gains my bypass keeps; undo gives it its own block back and
// then walks back through my edits; redo sends mine again.
TEST_F(HistoryOnProcessorTest, SendingMyOfflineSettingsIsOneStepAndKeepsBypassedGains) {
  const EffectBlock start = store.Block();
  store.SetConnectedFlag(false);
  store.SetCurrentChannel(2);
  history.Record("Band 5 gain (CH1)", [&] { return editor->CommitBandGain(4, "6"); });
  const EffectBlock afterGain = store.Block();
  history.Record("Bypass EQ", [&] { return editor->SetBypass(true); });
  history.Record("CH5 volume", [&] { return editor->SetChannelVolume(0, 12); });
  const EffectBlock mine = store.Block();
  ASSERT_TRUE(history.OfflineEdits());

  // Meanwhile the processor was tuned elsewhere; it connects and is read.
  sim::SimState other = processor->State();
  WriteParam(other.active, param::Volume(1), 7);
  processor->SetState(other);
  const EffectBlock theirs = other.active;
  store.SetConnectedFlag(true);
  ASSERT_TRUE(ReadCurrentParam(store, *manager));
  ASSERT_EQ(store.Block(), theirs);
  ASSERT_EQ(history.KnownBlock(), mine);

  EXPECT_TRUE(history.SendKnownBlock("Send my settings to the processor"));
  Sync();
  EXPECT_EQ(store.Block(), mine);
  EXPECT_TRUE(store.IsHeldGainKept(2, 4));
  EXPECT_EQ(ProcessorGain(2, 4), 600);  // the bypass keeps it in the processor
  EXPECT_EQ(ReadParam(processor->State().active, param::Volume(0)), 12);
  EXPECT_EQ(history.UndoCount(), 4u);  // three edits and the choice
  EXPECT_EQ(history.UndoName(), "Send my settings to the processor");

  history.Undo();
  Sync();
  EXPECT_EQ(store.Block(), theirs);
  EXPECT_EQ(processor->State().active, theirs);
  EXPECT_FALSE(store.IsBandHeldBack(2, 4));
  EXPECT_EQ(history.UndoName(), "CH5 volume");
  history.Undo();  // from the processor's block to mine before the volume edit
  Sync();
  EXPECT_EQ(ReadParam(processor->State().active, param::Volume(1)), ReadParam(start, param::Volume(1)));
  EXPECT_EQ(ProcessorGain(2, 4), 600);
  history.Undo();
  Sync();
  EXPECT_EQ(store.Block(), afterGain);
  EXPECT_EQ(processor->State().active, afterGain);
  history.Undo();
  Sync();
  EXPECT_EQ(processor->State().active, start);

  while (history.CanRedo()) history.Redo();
  Sync();
  EXPECT_EQ(store.Block(), mine);
  EXPECT_EQ(ProcessorGain(2, 4), 600);
  EXPECT_EQ(ReadParam(processor->State().active, param::Volume(0)), 12);
}

// Keeping the processor's block is one step too; its undo brings mine back
// with the bands my bypass held, and their gains reach the processor.
TEST_F(HistoryOnProcessorTest, KeepingTheProcessorsSettingsUndoesToMineWithItsBypass) {
  store.SetConnectedFlag(false);
  store.SetCurrentChannel(3);
  history.Record("Band 8 gain (CH2)", [&] { return editor->CommitBandGain(7, "-4"); });
  history.Record("Bypass EQ", [&] { return editor->SetBypass(true); });
  const EffectBlock mine = store.Block();
  store.SetConnectedFlag(true);
  ASSERT_TRUE(ReadCurrentParam(store, *manager));
  const EffectBlock theirs = store.Block();

  EXPECT_TRUE(history.KeepReadBlock("Keep the processor's settings"));
  EXPECT_EQ(history.UndoCount(), 3u);
  history.Undo();
  Sync();
  EXPECT_EQ(store.Block(), mine);
  EXPECT_TRUE(store.IsHeldGainKept(3, 7));
  EXPECT_EQ(static_cast<int16_t>(ReadParam(processor->State().active, param::EqGain(3, 7))), -400);
  EXPECT_EQ(ReadParam(processor->State().active, param::kPassCtrl), 1u << 3);
  history.Redo();
  Sync();
  EXPECT_EQ(processor->State().active, theirs);
}

// A side goes out whole with the gains its bypass keeps in the processor.
TEST_F(HistoryOnProcessorTest, AbSwitchAndCopySendTheGainsABypassKeeps) {
  CAbCompare ab(store, history);
  store.SetCurrentChannel(2);
  editor->CommitBandGain(4, "6");
  editor->SetBypass(true);
  ab.Switch();  // B, a copy of A
  EXPECT_TRUE(store.IsHeldGainKept(2, 4));
  EXPECT_EQ(ProcessorGain(2, 4), 600);
  editor->SetBypass(false);
  editor->CommitBandGain(4, "2");
  Sync();
  ab.Switch();
  EXPECT_EQ(ProcessorGain(2, 4), 600);
  EXPECT_EQ(ReadParam(processor->State().active, param::kPassCtrl), 1u << 2);
  ab.Switch();
  ab.Copy(AbSide::kA, AbSide::kB);  // into the side shown
  Sync();
  EXPECT_EQ(ProcessorGain(2, 4), 600);
  EXPECT_EQ(store.GetParam(param::EqGain(2, 4)), 0);
}

}  // namespace
}  // namespace brisvel::editing
