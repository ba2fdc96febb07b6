// The user settings file config.ini in the data folder: language, the car
// geometry of the delay view and the PC modes, over one settings store. Every
// change is made to what the file holds at that moment: under the file's lock
// it is read again, the change applied and the file replaced, so changes that
// brisvelctl or another run made meanwhile are kept.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "core/car_geometry.h"
#include "core/crossover_presets.h"
#include "core/pcmode_record.h"
#include "settings/file_safety.h"
#include "settings/settings_store.h"

namespace brisvel::settings {

std::filesystem::path ConfigPath(const std::filesystem::path& dataFolder);

// A PC-mode entry of config.ini that cannot be read as a PC mode: its key and
// every value the two sections hold under it, kept as they are.
struct UnreadablePCMode {
  std::string key;                  // as written in the file
  std::vector<std::string> blocks;  // its values in [PCMode]
  std::vector<std::string> names;   // its values in [PCModeName]
  std::vector<std::string> channels;  // its values in [PCModeChannels]
  std::string reason;               // why it cannot be read
  // "key 1 "Rock": <reason>" (the name when it has one).
  std::string Describe() const;
};

struct PCModeSections {
  std::vector<PCModeRecord> readable;        // in the order of their keys
  std::vector<UnreadablePCMode> unreadable;  // in file order
};

// The PC modes of a store. An entry is readable when its key is a plain index
// below [PCMode] Count, written once in each section, with a name and an
// accepted block text; every other entry of the two sections is unreadable.
PCModeSections ReadPCModeSections(const SettingsStore& store);
// Replaces both sections: Count, the readable modes under 0, 1, ..., and
// after them every unreadable entry with its texts as they were. Entries with
// a plain index as key take the next numbers (so one that could not be read
// only because of a duplicate key or the count is readable from then on);
// other keys ("01", "x") stay as they are.
void WritePCModeSections(SettingsStore& store, const std::vector<PCModeRecord>& readable,
                         const std::vector<UnreadablePCMode>& unreadable);

class ConfigIni {
 public:
  ConfigIni() = default;
  explicit ConfigIni(std::filesystem::path file) : file_(std::move(file)) {}

  // Reads the file into the store; a missing file gives an empty store (false).
  // A file that exists but could not be read completely, or was only partly
  // understood, is never saved over (SaveRefusal says why).
  bool Load();
  // Reads the file again when another program replaced or changed it since it
  // was last read or written here; changes that could not be saved stay
  // applied. True when the store was read again.
  bool Refresh();
  // Applies change to the file as it is now and saves it, under the file's
  // lock. change returns false when it has nothing to change (nothing is
  // written then). A change that could not be saved stays in the store and is
  // applied again at the next save, except one refused because the file would
  // grow beyond what may be read back. False when the file could not be
  // replaced or saving is refused; the file stays as it was
  // (LastSaveError() says why, and the save-failure handler is told).
  bool Change(std::function<bool(SettingsStore&)> change);
  // Writes the store (with what the file holds now) atomically, the PC-mode
  // sections last.
  bool Save();
  const std::string& SaveRefusal() const { return store_.SaveRefusal(); }
  // Why the last change could not be saved; empty after a saved one.
  const std::string& LastSaveError() const { return lastSaveError_; }
  // Called with the reason after every failed or refused save.
  void SetSaveFailureHandler(std::function<void(const std::string&)> handler) { onSaveFailure_ = std::move(handler); }

  const std::filesystem::path& Path() const { return file_; }
  SettingsStore& Store() { return store_; }
  const SettingsStore& Store() const { return store_; }

  // [Config] Lang: 0 Chinese, any other value English.
  int32_t Lang() const;
  bool SetLang(int32_t lang);  // stores and saves

  // [Config] Delay: the default record when absent or not accepted.
  CarDelaySettings CarDelay() const;
  bool SetCarDelay(const CarDelaySettings& record);  // stores and saves

  // [Config] ChannelNames: the names of the channels as the installer left them.
  brisvel::ChannelNames ChannelNames() const;
  bool SetChannelNames(const brisvel::ChannelNames& names);  // stores and saves

  // [CrossoverPresets] 0, 1, ...: the installer's own crossover presets, in
  // order; entries that do not read as one are passed over.
  std::vector<CrossoverPreset> CrossoverPresets() const;
  // Edits the presets as the file holds them now and saves; edit returns
  // false when it changed nothing.
  bool ChangeCrossoverPresets(std::function<bool(std::vector<CrossoverPreset>&)> edit);

  // [Folders] KIND: the folder the file dialogs of that kind (kFolderKinds)
  // start in: the one last used while it is a folder, else home.
  std::filesystem::path DialogFolder(std::string_view kind, const std::filesystem::path& home) const;
  // Keeps the folder of a chosen file for its kind; a folder whose name holds
  // a line break cannot be kept (false, nothing written).
  bool SetDialogFolder(std::string_view kind, const std::filesystem::path& folder);

  // [RecentScenes]: at most kRecentSceneCount files, the latest first.
  std::vector<std::filesystem::path> RecentScenes() const;
  // Puts the file first (once) and drops the oldest beyond the count.
  bool AddRecentScene(const std::filesystem::path& file);

  // [PCMode] / [PCModeName] as the store holds them.
  PCModeSections ReadPCModes() const { return ReadPCModeSections(store_); }
  // The readable PC modes, in order.
  std::vector<PCModeRecord> LoadPCModes() const;
  // Edits the readable PC modes as the file holds them now and saves; the
  // unreadable entries are kept after them. edit returns false when it
  // changed nothing.
  bool ChangePCModes(std::function<bool(std::vector<PCModeRecord>&)> edit);
  // Replaces the readable PC modes by the list (keys renumbered from 0) and saves.
  bool SavePCModes(std::span<const PCModeRecord> list);
  // Appends to the PC modes the file holds now, saves, refreshes list to them
  // and returns the new record's index in it.
  int AppendPCMode(const PCModeRecord& record, std::vector<PCModeRecord>& list);

 private:
  bool Failed(const std::string& why);
  // The file as it is now, with the changes not yet saved applied.
  SettingsStore ReadWithPending();

  std::filesystem::path file_;
  SettingsStore store_;
  FileStamp stamp_;
  std::vector<std::function<bool(SettingsStore&)>> pending_;
  std::function<void(const std::string&)> onSaveFailure_;
  std::string lastSaveError_;
};

}  // namespace brisvel::settings
