// The processor and the console agree after any run of equaliser edits: long
// random sequences of band edits, drags, steps, bypasses, hold-backs, channel
// and link changes and resets, replayed through the device manager on the
// simulated processor. After every step the processor's block equals the
// console's, except for the gains of bands the equaliser bypass held back: the
// processor keeps those gains (and bypasses on PassCtrl).

#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "../device/device_test_support.h"
#include "core/eq_axes.h"
#include "core/scales.h"
#include "device/device_manager.h"
#include "editing/channel_editor.h"
#include "editing/edit_link.h"

namespace brisvel::editing {
namespace {

class EqAgreementTest : public brisvel::testing::ManagerFixture {
 protected:
  // Where the two blocks differ, as "name console/processor" items; empty when they agree.
  std::string Disagreement(const sim::SimProcessor& processor) const {
    const EffectBlock device = processor.State().active;
    std::ostringstream out;
    for (int i = 0; i < kParamCount; ++i) {
      const uint16_t mine = store.GetParam(i);
      const uint16_t theirs = ReadParam(device, i);
      if (mine == theirs) continue;
      bool excused = false;
      for (int k = 0; k < kChannelCount && !excused; ++k)
        for (int b = 0; b < kBandCount && !excused; ++b)
          excused = i == param::EqGain(k, b) && store.IsHeldGainKept(k, b) &&
                    static_cast<int16_t>(theirs) == store.BypassedBandGain(k, b);
      if (!excused) out << ParamTable()[static_cast<size_t>(i)].name << ' ' << mine << '/' << theirs << "; ";
    }
    return out.str();
  }
};

TEST_F(EqAgreementTest, RandomEqualiserEditsLeaveProcessorAndConsoleAgreeing) {
  auto processor = PlugAndConnect();
  store.Response(0).Recompute(17);
  store.RebuildResponses();
  DeviceEditLink link(store, *manager);
  CChannelEditor editor(store, &link, EqSettings{-20, 20, 1.0, true});
  const EqAxes axes(36, 13, 1289, 176, 17, 20, -20);
  const char* gains[] = {"0", "3", "-4.5", "6", "12.25", "-20", "20", "x", "0.01"};

  for (unsigned seed = 1; seed <= 12; ++seed) {
    std::mt19937 random(seed);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    std::vector<std::string> steps;
    for (int step = 0; step < 400; ++step) {
      const int band = pick(kBandCount);
      std::ostringstream what;
      switch (pick(15)) {
        case 0: {
          const int channel = pick(kChannelCount);
          what << "select " << channel;
          editor.SelectChannel(channel);
          break;
        }
        case 1: {
          const auto group = static_cast<LinkGroup>(pick(kLinkGroupCount));
          const int item = 200 + pick(7);
          what << "link menu " << static_cast<int>(group) << ' ' << item;
          editor.ChooseLinkMenuItem(group, item);
          break;
        }
        case 2: what << "unlink"; editor.ClearLink(static_cast<LinkGroup>(pick(kLinkGroupCount))); break;
        case 3: {
          const char* g = gains[pick(std::size(gains))];
          what << "gain " << band << ' ' << g;
          editor.CommitBandGain(band, g);
          break;
        }
        case 4: what << "step gain " << band; editor.StepBandGain(band, "2.5", pick(3) - 1); break;
        case 5: what << "slider " << band; editor.SetBandGainFromSlider(band, pick(401) - 200); break;
        case 6: what << "freq " << band; editor.CommitBandFrequency(band, std::to_string(pick(21000))); break;
        case 7: what << "q step " << band; editor.StepBandQ(band, QText(store.GetParam(param::EqQ(store.CurrentChannel(), band))), pick(5) - 2); break;
        case 8: {
          editor.SetPeqMode(pick(2) == 1);
          what << "drag " << band << " peq " << editor.PeqMode();
          editor.DragBand(band, axes, 36 + pick(1289), 13 + pick(176));
          break;
        }
        case 9: {
          editor.SetPeqMode(true);
          what << "q drag " << band;
          editor.DragQ(band, pick(41) - 20);
          break;
        }
        case 10:
        case 11: {
          const bool on = pick(2) == 1;
          what << "bypass " << on;
          editor.SetBypass(on);
          break;
        }
        case 12:
        case 13: {
          const bool held = pick(2) == 1;
          what << "hold " << band << ' ' << held;
          editor.SetBandHeldBack(band, held);
          break;
        }
        case 14: what << "reset"; editor.ResetEqualiser(); break;
      }
      what << " (ch " << store.CurrentChannel() << ")";
      steps.push_back(what.str());
      // Edits the effect sender spaces out (the compensated volumes) go now.
      manager->Sender().FlushPending();
      const std::string differs = Disagreement(*processor);
      if (!differs.empty()) {
        std::ostringstream last;
        for (size_t i = steps.size() > 6 ? steps.size() - 6 : 0; i < steps.size(); ++i) last << steps[i] << " | ";
        FAIL() << "seed " << seed << " step " << step << ": " << differs << "\nlast steps: " << last.str();
      }
    }
  }
}

}  // namespace
}  // namespace brisvel::editing
