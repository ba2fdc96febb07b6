// The simulated processor as a processor: slots and modes, argument checks,
// parameter items at their offsets, and the state file that lets successive
// runs see the same device modes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include <random>

#include "device/sim_processor.h"

namespace brisvel::sim {
namespace {

using frames::Frame;

Frame Sealed(Frame f) {
  frames::SealFrame(f);
  return f;
}

Frame Ask(SimProcessor& p, const Frame& request) {
  const auto answer = p.Receive(Sealed(request));
  EXPECT_TRUE(answer.reply);
  return answer.reply.value_or(Frame{});
}

TEST(SimProcessor, ModesSlotsAndArgumentChecks) {
  SimProcessor p;
  EXPECT_EQ(p.State().active, FactoryBlock());
  EXPECT_EQ(Ask(p, frames::CurrentModeRequest())[4], 1);

  // Modes 1-11 recall, 12 does not; saving takes 1-8 only.
  EXPECT_EQ(Ask(p, frames::RecallModeRequest(10))[3], 0xFF);
  EXPECT_EQ(p.State().currentMode, 10);
  EXPECT_EQ(Ask(p, frames::RecallModeRequest(11))[3], kStatusBadArgument);
  EXPECT_EQ(Ask(p, frames::SaveModeRequest(8))[3], kStatusBadArgument);
  EXPECT_EQ(Ask(p, frames::ReadChunkRequest(21))[3], kStatusBadArgument);
  EXPECT_EQ(Ask(p, frames::InputModeSet(2))[3], kStatusBadArgument);

  // Items are applied at their offsets; one reaching past the block refuses the frame.
  const frames::ParamItem good[] = {{4, 1, 30}, {13, 2, 0xBEEF}};
  EXPECT_EQ(Ask(p, frames::WriteParamsRequest(0, good))[3], 0xFF);
  EXPECT_EQ(ReadParam(p.State().active, param::kMainVol), 30);
  EXPECT_EQ(ReadParam(p.State().active, param::Delay(1)), 0xBEEF);
  const frames::ParamItem bad[] = {{4, 1, 31}, {1205, 2, 1}};
  EXPECT_EQ(Ask(p, frames::WriteParamsRequest(0, bad))[3], kStatusBadArgument);
  EXPECT_EQ(ReadParam(p.State().active, param::kMainVol), 30);

  EXPECT_EQ(Ask(p, frames::SaveModeRequest(4))[3], 0xFF);  // mode E
  EXPECT_EQ(Ask(p, frames::RecallModeRequest(0))[3], 0xFF);
  EXPECT_EQ(p.State().active, FactoryBlock());
  EXPECT_EQ(Ask(p, frames::RecallModeRequest(4))[3], 0xFF);
  EXPECT_EQ(ReadParam(p.State().active, param::kMainVol), 30);

  // Firmware chunks past the announced count are refused.
  EXPECT_EQ(Ask(p, frames::FirmwareStartRequest(40))[3], 0xFF);
  const uint8_t bytes[32] = {1};
  EXPECT_EQ(Ask(p, frames::FirmwareChunkRequest(2, bytes))[3], kStatusBadArgument);
  EXPECT_EQ(Ask(p, frames::FirmwareChunkRequest(1, std::span<const uint8_t>(bytes, 8)))[3], 0xFF);
  EXPECT_EQ(p.FirmwareImage().size(), 40u);
  EXPECT_EQ(p.FirmwareImage()[32], 1);
}

TEST(SimProcessor, StateFileKeepsSlotsAcrossRuns) {
  const auto dir = std::filesystem::temp_directory_path() / ("brisvel-sim-" + std::to_string(std::random_device()()));
  std::filesystem::remove_all(dir);
  const auto file = dir / "state.bin";
  {
    SimProcessor first;
    EXPECT_TRUE(first.SetStateFile(file));  // absent: a fresh processor
    const frames::ParamItem item[] = {{4, 1, 12}};
    Ask(first, frames::WriteParamsRequest(0, item));
    Ask(first, frames::SaveModeRequest(7));
    Ask(first, frames::InputModeSet(1));
  }
  {
    SimProcessor second;
    EXPECT_TRUE(second.SetStateFile(file));
    const SimState state = second.State();
    EXPECT_EQ(ReadParam(state.active, param::kMainVol), 12);
    EXPECT_EQ(ReadParam(state.slots[7], param::kMainVol), 12);
    EXPECT_EQ(ReadParam(state.slots[6], param::kMainVol), 66);
    EXPECT_EQ(state.inputMode, 1);
  }
  {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << "not a state file";
    SimProcessor third;
    EXPECT_FALSE(third.SetStateFile(file));
    EXPECT_EQ(third.State().active, FactoryBlock());
  }
  std::filesystem::remove_all(dir);
}

TEST(SimProcessor, RunsSharingTheStateFileActAsOneProcessor) {
  const auto dir = std::filesystem::temp_directory_path() / ("brisvel-sim-shared-" + std::to_string(std::random_device()()));
  std::filesystem::remove_all(dir);
  const auto file = dir / "state.bin";
  // Two runs that each read the state once at the start.
  SimProcessor a, b;
  ASSERT_TRUE(a.SetStateFile(file));
  ASSERT_TRUE(b.SetStateFile(file));
  const frames::ParamItem mainVol[] = {{4, 1, 12}};
  const frames::ParamItem delay[] = {{13, 2, 0x1234}};
  Ask(a, frames::WriteParamsRequest(0, mainVol));
  Ask(b, frames::WriteParamsRequest(0, delay));  // keeps a's change
  Ask(a, frames::SaveModeRequest(2));            // saves both into mode C
  SimProcessor later;
  ASSERT_TRUE(later.SetStateFile(file));
  EXPECT_EQ(ReadParam(later.State().slots[2], param::kMainVol), 12);
  EXPECT_EQ(ReadParam(later.State().slots[2], param::Delay(1)), 0x1234);
  // A read shows what another run wrote.
  const Frame chunk = Ask(b, frames::ReadChunkRequest(0));
  EXPECT_EQ(chunk[4 + 4], 12);

  // Many runs at once, each changing its own parameter: none is lost.
  std::vector<std::thread> runs;
  for (int i = 0; i < 16; ++i) {
    runs.emplace_back([&, i] {
      SimProcessor run;
      run.SetStateFile(file);
      const frames::ParamItem item[] = {{static_cast<uint16_t>(200 + i), 1, static_cast<uint16_t>(100 + i)}};
      Ask(run, frames::WriteParamsRequest(0, item));
    });
  }
  for (auto& t : runs) t.join();
  SimProcessor check;
  ASSERT_TRUE(check.SetStateFile(file));
  for (int i = 0; i < 16; ++i) EXPECT_EQ(check.State().active[200 + i], 100 + i) << i;
  EXPECT_EQ(ReadParam(check.State().active, param::kMainVol), 12);
  std::filesystem::remove_all(dir);
}

TEST(SimProcessor, FaultsApplyToTheNextRepliesOnly) {
  SimProcessor p;
  p.DropReplies(1);
  EXPECT_FALSE(p.Receive(Sealed(frames::CurrentModeRequest())).reply);
  const Frame ok = Ask(p, frames::CurrentModeRequest());
  EXPECT_EQ(frames::CheckReplyFrame(ok, 0x95), frames::ReplyFault::kNone);
  p.UnplugAfterRequests(1);
  EXPECT_FALSE(p.Receive(Sealed(frames::CurrentModeRequest())).unplug);
  EXPECT_TRUE(p.Receive(Sealed(frames::CurrentModeRequest())).unplug);
  EXPECT_FALSE(p.Receive(Sealed(frames::CurrentModeRequest())).unplug);
}

// Faults as a fault file writes them: the same as set in code; a line not
// understood refuses the whole file, naming the line.
TEST(SimProcessor, FaultTextGivesTheFaultsItNames) {
  std::string why;
  const auto faults = ParseFaultText(
      "# a loose cable\n latency 125\r\n\ndrop-replies 2 after 3  # two lost\ncorrupt-replies 1\n"
      "status-zero 4\nwrong-chunk 5 6\nunplug-after 9\nrequests-lost\nsilent",
      &why);
  ASSERT_TRUE(faults) << why;
  EXPECT_EQ(faults->latency, std::chrono::microseconds(125));
  EXPECT_EQ(faults->dropReplies, 2);
  EXPECT_EQ(faults->dropAfter, 3);
  EXPECT_EQ(faults->corruptReplies, 1);
  EXPECT_EQ(faults->statusZeroReplies, 4);
  EXPECT_EQ(faults->wrongChunk, std::make_pair(5, 6));
  EXPECT_EQ(faults->unplugAfter, 9);
  EXPECT_TRUE(faults->requestsLost && faults->silent);
  EXPECT_TRUE(ParseFaultText("", &why));

  for (const char* bad : {"silent 1", "latency", "latency -5", "drop-replies 1 before 2", "corrupt-replies 0x10",
                          "wrong-chunk 300 1", "unplug-after 99999999", "loud"}) {
    why.clear();
    EXPECT_FALSE(ParseFaultText(std::string("silent\n") + bad, &why)) << bad;
    EXPECT_EQ(why, std::string("line 2 is not a fault: ") + bad);
  }

  // From the file: the processor drops what the file says.
  const auto folder = std::filesystem::temp_directory_path() / ("brisvel-faults-" + std::to_string(std::random_device()()));
  std::filesystem::create_directories(folder);
  std::vector<std::string> problems;
  EXPECT_EQ(FolderProcessor(folder, problems)->Faults().dropReplies, 0);
  EXPECT_TRUE(problems.empty());
  std::ofstream(folder / kSimFaultsFileName) << "drop-replies 1 after 1\n";
  const auto processor = FolderProcessor(folder, problems);
  EXPECT_TRUE(problems.empty());
  EXPECT_TRUE(processor->Receive(Sealed(frames::CurrentModeRequest())).reply);
  EXPECT_FALSE(processor->Receive(Sealed(frames::CurrentModeRequest())).reply);
  EXPECT_TRUE(processor->Receive(Sealed(frames::CurrentModeRequest())).reply);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace brisvel::sim
