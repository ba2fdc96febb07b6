// Device-mode and PC-mode operations, scene-file import and the batch workers.
#include "editing/presets.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "settings/scene_files.h"
#include "device/device_manager.h"
#include "device/store_commands.h"

namespace brisvel::editing {
namespace {

bool IsStripped(char c) { return c == '\n' || c == '\r' || c == ' ' || c == '\t'; }

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Format(const std::string& pattern, int count, const std::string& text) {
  // The patterns hold one %d and at most one %s.
  std::string out;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 'd') {
      out += std::to_string(count);
      ++i;
    } else if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 's') {
      out += text;
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

std::string Joined(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& n : names) out += n + " ";
  return out;
}

void Wait(const BatchHooks& hooks, int ms) {
  if (hooks.wait) hooks.wait(ms);
}
void Progress(const BatchHooks& hooks, int value) {
  if (hooks.progress) hooks.progress(value);
}
void Tell(const BatchHooks& hooks, BatchMessage message, const std::string& detail) {
  if (hooks.message) hooks.message(message, detail);
}
void SlotDone(const BatchHooks& hooks, int slot, bool ok) {
  if (hooks.slotDone) hooks.slotDone(slot, ok);
}

std::atomic<int> g_nextDeviceModeSlot{0};

// The text up to its first limit characters (never inside a character).
std::string CutToChars(std::string_view text, size_t limit) {
  // Count characters by their UTF-8 lead bytes.
  size_t chars = 0, end = 0;
  for (; end < text.size(); ++end) {
    const auto byte = static_cast<unsigned char>(text[end]);
    if ((byte & 0xC0) != 0x80) {
      if (chars == limit) break;
      ++chars;
    }
  }
  return std::string(text.substr(0, end));
}

// Why config.ini was not written, naming it.
SaveReport FailedSave(const settings::ConfigIni& config) {
  std::string why = config.LastSaveError();
  if (why.empty()) why = config.SaveRefusal();
  return {false, config.Path().string() + ": " + (why.empty() ? std::string("cannot be written") : why)};
}

}  // namespace

std::string CleanPCModeName(std::string_view typed) {
  while (!typed.empty() && IsStripped(typed.front())) typed.remove_prefix(1);
  while (!typed.empty() && IsStripped(typed.back())) typed.remove_suffix(1);
  return CutToChars(typed, kPCModeNameChars);
}

bool SamePCModeName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

int FindPCMode(const std::vector<PCModeRecord>& list, std::string_view name) {
  for (size_t i = 0; i < list.size(); ++i) {
    if (SamePCModeName(list[i].Name(), name)) return static_cast<int>(i);
  }
  return -1;
}

SaveReport SavePCModeList(settings::ConfigIni& config, const std::vector<PCModeRecord>& list) {
  return config.SavePCModes(list) ? SaveReport{} : FailedSave(config);
}

AddPCModeOutcome AddPCMode(settings::ConfigIni& config, std::vector<PCModeRecord>& list, std::string_view typed,
                           const EffectBlock& block, const ChannelNames& names) {
  AddPCModeOutcome outcome;
  const std::string name = CleanPCModeName(typed);
  if (name.empty()) return outcome;
  PCModeRecord record;
  record.SetName(name);
  record.block = block;
  record.channelNames = names;
  // Decided on the modes the file holds when it is changed.
  auto index = std::make_shared<int>(-1);
  const bool saved = config.ChangePCModes([record, index](std::vector<PCModeRecord>& modes) {
    if (FindPCMode(modes, record.Name()) >= 0) return false;
    *index = static_cast<int>(modes.size());
    modes.push_back(record);
    return true;
  });
  list = config.LoadPCModes();
  if (*index < 0) {
    outcome.status = AddPCModeStatus::kDuplicate;
    return outcome;
  }
  outcome.status = AddPCModeStatus::kAdded;
  outcome.index = *index;
  if (!saved) outcome.save = FailedSave(config);
  return outcome;
}

DeletePCModeOutcome DeletePCMode(settings::ConfigIni& config, std::vector<PCModeRecord>& list, int index) {
  DeletePCModeOutcome outcome;
  if (index < 0 || index >= static_cast<int>(list.size())) return outcome;
  const PCModeRecord record = list[index];
  auto same = [record](const PCModeRecord& r) { return r.nameBytes == record.nameBytes && r.block == record.block; };
  const bool saved = config.ChangePCModes([index, same](std::vector<PCModeRecord>& modes) {
    // The one shown at that place, else the first equal one; none when already gone.
    auto at = index < static_cast<int>(modes.size()) && same(modes[index]) ? modes.begin() + index
                                                                            : std::find_if(modes.begin(), modes.end(), same);
    if (at == modes.end()) return false;
    modes.erase(at);
    return true;
  });
  list = config.LoadPCModes();
  outcome.status = DeletePCModeStatus::kDeleted;
  if (!saved) outcome.save = FailedSave(config);
  return outcome;
}

RecallPCModeStatus RecallPCMode(CEffectStore& store, const std::vector<PCModeRecord>& list, int index) {
  if (index < 0 || index >= static_cast<int>(list.size())) return RecallPCModeStatus::kNoSelection;
  const bool connected = store.IsProcessorConnected();
  const bool received = store.LoadBlock(list[index].block);
  // A mode saved before its channels had names leaves the names as they are.
  const ChannelNames& names = list[index].channelNames;
  if (std::any_of(names.begin(), names.end(), [](const std::string& n) { return !n.empty(); })) store.SetNames(names);
  store.ClearLinkFlags();
  store.RebuildResponses();
  if (received) return RecallPCModeStatus::kReceived;
  return connected ? RecallPCModeStatus::kSendFailed : RecallPCModeStatus::kNotConnected;
}

int NextDeviceModeSlot() { return g_nextDeviceModeSlot.load(); }
void SetNextDeviceModeSlot(int slot) { g_nextDeviceModeSlot.store(slot); }

SaveDeviceModeCheck CheckSaveDeviceMode(const CEffectStore& store, int slot) {
  if (slot < 0) return SaveDeviceModeCheck::kNoSelection;
  if (slot >= kUserSlots) return SaveDeviceModeCheck::kFactory;
  if (!store.IsProcessorConnected()) return SaveDeviceModeCheck::kNotConnected;
  return SaveDeviceModeCheck::kAllowed;
}

bool DevicePresetLink::RecallDeviceMode(int slot) { return brisvel::RecallDeviceMode(store_, manager_, slot).ok(); }
bool DevicePresetLink::ReadCurrentParam() { return brisvel::ReadCurrentParam(store_, manager_).ok(); }
bool DevicePresetLink::SaveDeviceMode(int slot) { return brisvel::SaveDeviceMode(store_, manager_, slot).ok(); }
bool DevicePresetLink::LoadBlock(const EffectBlock& block) { return store_.LoadBlock(block); }

bool DevicePresetLink::SendPending() {
  if (!store_.IsProcessorConnected()) return !store_.HasPendingParams();
  manager_.Sender().FlushPending();
  return !store_.HasPendingParams();
}

SaveDeviceModeResult SaveDeviceModeAndAdvance(IPresetLink& link, int slot) {
  if (slot < 0 || slot >= kUserSlots) return SaveDeviceModeResult::kRefused;
  if (!link.SendPending()) return SaveDeviceModeResult::kChangesNotSent;
  if (!link.SaveDeviceMode(slot)) return SaveDeviceModeResult::kRefused;
  SetNextDeviceModeSlot((slot + 1) % kUserSlots);
  return SaveDeviceModeResult::kSaved;
}

std::string FreePCModeName(const std::vector<PCModeRecord>& list, std::string_view name) {
  std::string base = CleanPCModeName(name);
  // "Rock (2)" again gives "Rock (3)", not "Rock (2) (2)".
  if (const size_t open = base.rfind(" ("); open != std::string::npos && base.size() > open + 3 && base.back() == ')' &&
      std::all_of(base.begin() + static_cast<std::ptrdiff_t>(open) + 2, base.end() - 1,
                  [](char c) { return c >= '0' && c <= '9'; }))
    base.resize(open);
  for (int n = 2;; ++n) {
    const std::string suffix = " (" + std::to_string(n) + ")";
    // The suffix counts as characters of the name, so the base gives way to it.
    std::string candidate = CutToChars(base, kPCModeNameChars - suffix.size());
    while (!candidate.empty() && IsStripped(candidate.back())) candidate.pop_back();
    candidate += suffix;
    if (FindPCMode(list, candidate) < 0) return candidate;
  }
}

int PlacePCMode(std::vector<PCModeRecord>& modes, PCModeRecord record, DuplicateChoice choice) {
  const int same = FindPCMode(modes, record.Name());
  if (same >= 0) {
    switch (choice) {
      case DuplicateChoice::kSkip: return -1;
      case DuplicateChoice::kReplace: modes[static_cast<size_t>(same)] = std::move(record); return same;
      case DuplicateChoice::kKeepBoth: record.SetName(FreePCModeName(modes, record.Name())); break;
      case DuplicateChoice::kAddAsIs: break;
    }
  }
  modes.push_back(std::move(record));
  return static_cast<int>(modes.size()) - 1;
}

int SceneImport::ImportFile(const std::filesystem::path& file, const std::string& displayName) {
  const scene::SceneReadResult read = scene::ReadSceneFile(file);
  if (!read.record) {
    readFailures_.push_back(displayName);
    readReasons_.push_back(displayName + ": " + scene::SceneErrorText(read.error));
    return -1;
  }
  // The question is about the PC modes the file holds now.
  if (config_.Refresh()) list_ = config_.LoadPCModes();
  // Unasked (no mode of the name yet), a name another program takes meanwhile keeps both.
  DuplicateChoice choice = DuplicateChoice::kKeepBoth;
  if (const int same = FindPCMode(list_, read.record->Name()); same >= 0) {
    choice = ask_ ? ask_(list_[static_cast<size_t>(same)].Name()) : DuplicateChoice::kSkip;
    if (choice == DuplicateChoice::kSkip) {
      existing_.push_back(displayName);
      return -1;
    }
  }
  auto index = std::make_shared<int>(-1);
  const bool saved = config_.ChangePCModes([record = *read.record, choice, index](std::vector<PCModeRecord>& modes) {
    *index = PlacePCMode(modes, record, choice);
    return *index >= 0;
  });
  list_ = config_.LoadPCModes();
  if (*index < 0) return -1;
  if (!saved) saveError_ = FailedSave(config_).error;
  lastIndex_ = *index;
  ++added_;
  return lastIndex_;
}

std::string ImportSummary(const SceneImport& run, const std::function<std::string(const char*)>& tr) {
  auto t = [&](const char* text) { return tr ? tr(text) : std::string(text); };
  std::string text = Format(t(kImportAddedLine), run.Added(), "");
  if (!run.ReadFailures().empty()) {
    text += Format(t(kImportReadFailedLine), static_cast<int>(run.ReadFailures().size()), Joined(run.ReadFailures()));
  }
  if (!run.AddFailures().empty()) {
    text += Format(t(kImportAddFailedLine), static_cast<int>(run.AddFailures().size()), Joined(run.AddFailures()));
  }
  if (!run.Existing().empty()) {
    text += Format(t(kImportExistingLine), static_cast<int>(run.Existing().size()), Joined(run.Existing()));
  }
  return text;
}

const char* BatchMessageText(BatchMessage message) {
  switch (message) {
    case BatchMessage::kExportFailed:
    case BatchMessage::kExportFailedNoOwner: return "批量导出失败";
    case BatchMessage::kExportWriteFailed: return "Failed to export effect to file";
    case BatchMessage::kExportSucceeded: return "Exporting the scene successfully";
    case BatchMessage::kImportFailed: return "批量导入失败";
    case BatchMessage::kImportSucceeded: return "批量导入成功";
    case BatchMessage::kExportChangesNotSent: return kChangesNotSentText;
  }
  return "";
}

BatchResult RunBatchExport(CEffectStore& store, IPresetLink& link, const std::filesystem::path& file,
                           const BatchHooks& hooks) {
  BatchResult result;
  const int remembered = store.CurrentDeviceMode();
  auto fail = [&](const std::string& detail) {
    if (result.detail.empty()) result.detail = detail;
  };
  // The export reads the processor's modes through the editor's block: the
  // editor's own edits must be in the processor first, or they are lost.
  if (!link.SendPending()) {
    fail("the latest edits could not be sent to the processor");
    Tell(hooks, BatchMessage::kExportChangesNotSent, result.detail);
    return result;
  }
  if (const auto e = scene::WriteBatchCount(file, scene::kBatchRecords); e != scene::SceneError::kNone) {
    fail(file.string() + ": " + scene::SceneErrorText(e));
    Tell(hooks, BatchMessage::kExportWriteFailed, result.detail);
    return result;
  }
  for (int i = 0; i < scene::kBatchRecords; ++i) {
    bool ok = link.RecallDeviceMode(i);
    if (!ok) {
      fail("device mode " + std::to_string(i + 1) + " cannot be recalled");
    } else if (!link.ReadCurrentParam()) {
      // The block still holds the slot before; it must not be stored as this one.
      ok = false;
      fail("the block of device mode " + std::to_string(i + 1) + " cannot be read");
    }
    if (!ok) {
      Tell(hooks, BatchMessage::kExportFailed, result.detail);
      SlotDone(hooks, i, false);
      Progress(hooks, ProgressAfterStep(i));
      continue;
    }
    Wait(hooks, kExportAfterReadMs);
    store.RebuildResponses();
    PCModeRecord record;
    record.SetName(std::to_string(i));
    record.block = store.Block();
    if (const auto e = scene::WriteBatchRecord(file, i, record); e != scene::SceneError::kNone) {
      fail(file.string() + ": " + scene::SceneErrorText(e));
      Tell(hooks, BatchMessage::kExportWriteFailed, result.detail);
      return result;
    }
    Wait(hooks, kExportAfterWriteMs);
    SlotDone(hooks, i, true);
    Progress(hooks, ProgressAfterStep(i));
  }
  if (remembered < 0 || !link.RecallDeviceMode(remembered)) {
    fail("the device mode in use before cannot be recalled");
    Tell(hooks, BatchMessage::kExportFailedNoOwner, result.detail);
    return result;
  }
  result.restored = true;
  Wait(hooks, kExportAfterFinalRecallMs);
  if (remembered <= kFactorySlot) link.ReadCurrentParam();
  link.LoadBlock(store.Block());
  store.RebuildResponses();
  result.completed = result.detail.empty();
  Tell(hooks, result.completed ? BatchMessage::kExportSucceeded : BatchMessage::kExportFailedNoOwner, result.detail);
  return result;
}

BatchResult RunBatchImport(CEffectStore& store, IPresetLink& link, const std::filesystem::path& file,
                           const BatchHooks& hooks) {
  BatchResult result;
  auto fail = [&](const std::string& detail) {
    result.detail = detail;
    Tell(hooks, BatchMessage::kImportFailed, detail);
    return result;
  };
  std::string text;
  if (const auto e = scene::ReadSceneText(file, text); e != scene::SceneError::kNone) {
    return fail(file.string() + ": " + scene::SceneErrorText(e));
  }
  // The whole file is checked before the first device mode is written.
  const scene::BatchContent content = scene::ParseBatchFile(text);
  if (!content.error.empty()) return fail(file.string() + ": " + content.error + "; nothing was written");
  const std::vector<PCModeRecord>& records = content.records;
  const int count = static_cast<int>(records.size());
  auto written = [](int done) {
    return done == 0   ? std::string("no device mode was written")
           : done == 1 ? std::string("device mode 1 was written")
                       : "device modes 1 to " + std::to_string(done) + " were written";
  };
  for (int i = 0; i < count; ++i) {
    // A block that did not fully arrive is never saved into the slot.
    if (!link.LoadBlock(records[static_cast<size_t>(i)].block)) {
      SlotDone(hooks, i, false);
      return fail("the block for device mode " + std::to_string(i + 1) + " was not received; " + written(i));
    }
    store.RebuildResponses();
    Wait(hooks, kImportAfterLoadMs);
    if (!link.SaveDeviceMode(i)) {
      SlotDone(hooks, i, false);
      return fail("device mode " + std::to_string(i + 1) + " cannot be saved; " + written(i));
    }
    Wait(hooks, kImportAfterSaveMs);
    SlotDone(hooks, i, true);
    Progress(hooks, ProgressAfterStep(i));
  }
  Wait(hooks, kImportBeforeMessageMs);
  result.completed = true;
  Tell(hooks, BatchMessage::kImportSucceeded, "");
  return result;
}

}  // namespace brisvel::editing
