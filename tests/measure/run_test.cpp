// The measurement run's safety rules: only the measured channel plays, and
// the mutes come back after success, Stop, a processor that stops answering,
// an audio device that fails and a clipping capture; then the run over the
// simulated car through the simulated audio device.
#include <gtest/gtest.h>

#include <cmath>

#include "core/param_table.h"
#include "core/scales.h"
#include "measure/run.h"
#include "measure/sim_audio.h"

namespace brisvel::measure {
namespace {

// A processor: its block, with a mute mask that can stop being taken.
struct FakeLink : IMeasureLink {
  EffectBlock block = FactoryBlock();
  int refuseFrom = -1;   // the call from which SetMuteMask fails (-1 never)
  int refuseCount = 1000;  // for how many calls
  int calls = 0;
  std::vector<uint8_t> masks;  // taken, in order
  int unreadableFrom = -1;     // the Block call from which the processor cannot be read
  int reads = 0;
  std::optional<EffectBlock> Block() override {
    const int read = reads++;
    if (unreadableFrom >= 0 && read >= unreadableFrom) return std::nullopt;
    return block;
  }
  bool SetMuteMask(uint8_t mask) override {
    const int call = calls++;
    if (refuseFrom >= 0 && call >= refuseFrom && call < refuseFrom + refuseCount) return false;
    WriteParam(block, param::kMuteCtrl, mask);
    masks.push_back(mask);
    return true;
  }
};

// The simulated car behind the fake processor, with faults to order.
struct Audio : IAudioIo {
  explicit Audio(FakeLink& l) : link(l), sim(SimulatedCar::Default(), [&l] { return l.block; }) {}
  FakeLink& link;
  SimulatedAudio sim;
  int failAt = -1;  // the call that fails
  int stopAt = -1;  // the call during which Stop is pressed
  std::atomic<bool>* stopFlag = nullptr;
  int calls = 0;
  std::vector<uint8_t> playedWithMask;
  std::vector<std::vector<float>> played;
  bool PlayAndRecord(const std::vector<float>& signal, int tail, std::vector<float>& recorded,
                     const std::atomic<bool>& stop, std::string* error) override {
    const int call = calls++;
    playedWithMask.push_back(static_cast<uint8_t>(ReadParam(link.block, param::kMuteCtrl)));
    played.push_back(signal);
    if (call == failAt) {
      if (error) *error = "device unplugged";
      return false;
    }
    if (call == stopAt && stopFlag) stopFlag->store(true);
    return sim.PlayAndRecord(signal, tail, recorded, stop, error);
  }
};

RunOptions Options(std::vector<int> channels) {
  RunOptions o;
  o.channels = std::move(channels);
  o.sweepSeconds = 1.0;
  o.tail = kMeasureRate / 4;
  return o;
}

constexpr uint8_t kInstallersMutes = 0x02;  // CH6 (Box 1) muted by the installer

TEST(MeasureRun, OnlyTheMeasuredChannelPlaysAndTheMutesComeBackAfterSuccess) {
  FakeLink link;
  WriteParam(link.block, param::kMuteCtrl, kInstallersMutes);
  WriteParam(link.block, param::HpType(4), FilterTypeByte{2, 3}.Encode());  // CH3 a tweeter at 3.5 kHz
  WriteParam(link.block, param::HpFreq(4), 3500);
  Audio audio(link);
  std::atomic<bool> stop{false};
  std::vector<int> told;
  const RunResult r = RunMeasurement(link, audio, Options({2, 4, 0}), stop, [&](size_t, int box) { told.push_back(box); });
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_TRUE(r.mutesRestored);
  EXPECT_EQ(ReadParam(link.block, param::kMuteCtrl), kInstallersMutes);
  EXPECT_EQ(told, (std::vector<int>{2, 4, 0}));
  EXPECT_EQ(audio.playedWithMask, (std::vector<uint8_t>{0x3B, 0x2F, 0x3E}));
  // The tweeter is never swept below half its corner.
  EXPECT_DOUBLE_EQ(r.channels[1].sweep.startHz, 1750.0);
  EXPECT_DOUBLE_EQ(r.channels[0].sweep.startHz, 20.0);
  const SimulatedCar car = SimulatedCar::Default();
  ASSERT_EQ(r.relativeArrivals.size(), 3u);
  EXPECT_NEAR(r.relativeArrivals[2], car.DirectArrival(0) - car.DirectArrival(2), 1.0);
  EXPECT_NEAR(r.relativeArrivals[0], 0.0, 1e-12);
}

TEST(MeasureRun, TheMutesComeBackAfterStopADeadProcessorAFailingDeviceAndAClip) {
  std::atomic<bool> stop{false};
  {  // Stop during the second channel.
    FakeLink link;
    Audio audio(link);
    audio.stopAt = 1;
    audio.stopFlag = &stop;
    const RunResult r = RunMeasurement(link, audio, Options({2, 3, 4}), stop);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(r.channels.size(), 1u);
    EXPECT_TRUE(r.mutesRestored);
    EXPECT_EQ(ReadParam(link.block, param::kMuteCtrl), 0);
    EXPECT_EQ(audio.calls, 2) << "nothing is swept after Stop";
    stop = false;
  }
  {  // The processor stops answering at the second channel's mutes, and answers again for the restore.
    FakeLink link;
    WriteParam(link.block, param::kMuteCtrl, kInstallersMutes);
    link.refuseFrom = 1;
    link.refuseCount = 2;
    Audio audio(link);
    const RunResult r = RunMeasurement(link, audio, Options({2, 3}), stop);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("did not take the mutes for CH2"), std::string::npos) << r.error;
    EXPECT_TRUE(r.mutesRestored);
    EXPECT_EQ(ReadParam(link.block, param::kMuteCtrl), kInstallersMutes);
  }
  {  // ... and one that never answers again is told.
    FakeLink link;
    link.refuseFrom = 1;
    Audio audio(link);
    const RunResult r = RunMeasurement(link, audio, Options({2, 3}), stop);
    EXPECT_FALSE(r.mutesRestored);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(link.calls, 2 + 3) << "the restore is tried three times";
  }
  {  // The audio device fails in the middle.
    FakeLink link;
    Audio audio(link);
    audio.failAt = 1;
    const RunResult r = RunMeasurement(link, audio, Options({2, 3, 4}), stop);
    EXPECT_NE(r.error.find("the audio device failed while measuring CH2: device unplugged"), std::string::npos) << r.error;
    EXPECT_TRUE(r.mutesRestored);
    EXPECT_EQ(ReadParam(link.block, param::kMuteCtrl), 0);
  }
  {  // A capture that clips, then one above the limit.
    FakeLink link;
    for (int box = 0; box < kChannelCount; ++box) WriteParam(link.block, param::Volume(box), 66);
    Audio audio(link);
    RunOptions o = Options({2, 3});
    o.levelDbfs = 0;
    RunResult r = RunMeasurement(link, audio, o, stop);
    EXPECT_NE(r.error.find("clipped while measuring CH1"), std::string::npos) << r.error;
    EXPECT_TRUE(r.channels.empty());
    EXPECT_TRUE(r.mutesRestored);
    EXPECT_EQ(ReadParam(link.block, param::kMuteCtrl), 0);
    o.levelDbfs = -20;
    o.captureLimitDbfs = -30;
    r = RunMeasurement(link, audio, o, stop);
    EXPECT_NE(r.error.find("above the limit of -30.0 dBFS"), std::string::npos) << r.error;
    EXPECT_EQ(ReadParam(link.block, param::kMuteCtrl), 0);
  }
}

TEST(MeasureRun, AProcessorThatCannotBeReadIsNeverGivenMutesItDidNotHave) {
  std::atomic<bool> stop{false};
  {  // Unreadable from the start: no mute is touched.
    FakeLink link;
    WriteParam(link.block, param::kMuteCtrl, kInstallersMutes);
    link.unreadableFrom = 0;
    Audio audio(link);
    const RunResult r = RunMeasurement(link, audio, Options({2}), stop);
    EXPECT_NE(r.error.find("could not be read"), std::string::npos) << r.error;
    EXPECT_EQ(link.calls, 0);
    EXPECT_EQ(ReadParam(link.block, param::kMuteCtrl), kInstallersMutes);
  }
  {  // Unreadable in the middle: the installer's mutes come back, not a guess.
    FakeLink link;
    WriteParam(link.block, param::kMuteCtrl, kInstallersMutes);
    link.unreadableFrom = 2;
    Audio audio(link);
    const RunResult r = RunMeasurement(link, audio, Options({2, 3}), stop);
    EXPECT_NE(r.error.find("could not be read while measuring CH2"), std::string::npos) << r.error;
    EXPECT_TRUE(r.mutesRestored);
    EXPECT_EQ(ReadParam(link.block, param::kMuteCtrl), kInstallersMutes);
  }
}

TEST(MeasureRun, RefusesWhatCannotBeMeasuredAndChangesNothing) {
  FakeLink link;
  WriteParam(link.block, param::kMuteCtrl, kInstallersMutes);
  Audio audio(link);
  std::atomic<bool> stop{false};
  for (const auto& [channels, why] : std::vector<std::pair<std::vector<int>, std::string>>{
           {{}, "no channel chosen"}, {{1}, "CH6 is muted"}, {{2, 2}, "CH1 is chosen twice"}, {{7}, "no channel 7"}}) {
    const RunResult r = RunMeasurement(link, audio, Options(channels), stop);
    EXPECT_NE(r.error.find(why), std::string::npos) << r.error;
  }
  EXPECT_EQ(link.calls, 0);
  EXPECT_EQ(audio.calls, 0);
}

TEST(MeasureRun, AMeasuredChannelReadsBackAsAMeasurementWithItsPhase) {
  FakeLink link;
  Audio audio(link);
  std::atomic<bool> stop{false};
  const RunResult r = RunMeasurement(link, audio, Options({2}), stop);
  ASSERT_TRUE(r.ok) << r.error;
  const CurveParse back = ParseFrequencyCurve(MeasurementText(r.channels[0], "CH1"));
  ASSERT_TRUE(back.curve) << back.error;
  EXPECT_TRUE(back.curve->HasPhase());
  EXPECT_EQ(back.curve->hz.size(), r.channels[0].response.hz.size());
  EXPECT_NEAR(CurveAt(*back.curve, 1000), CurveAt(r.channels[0].response, 1000), 0.001);
}

}  // namespace
}  // namespace brisvel::measure
