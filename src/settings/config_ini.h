// The user settings file config.ini in the data folder: language, the car
// geometry of the delay view and the PC modes, over one settings store that
// is rewritten whole after every change.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "core/car_geometry.h"
#include "core/pcmode_record.h"
#include "settings/settings_store.h"

namespace brisvel::settings {

std::filesystem::path ConfigPath(const std::filesystem::path& dataFolder);

class ConfigIni {
 public:
  ConfigIni() = default;
  explicit ConfigIni(std::filesystem::path file) : file_(std::move(file)) {}

  // Reads the file into the store; a missing file gives an empty store (false).
  // A file that exists but could not be read completely, or was only partly
  // understood, is never saved over (SaveRefusal says why).
  bool Load();
  // Writes the whole store to the file atomically, the PC-mode sections last.
  // False when the file could not be replaced or saving is refused; the store
  // keeps the change and the file stays as it was (Store().LastError() says
  // why, and the save-failure handler is told).
  bool Save();
  const std::string& SaveRefusal() const { return store_.SaveRefusal(); }
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

  // [PCMode] / [PCModeName]: entries without a name or whose block text is not
  // accepted are skipped; the rest keep their order.
  std::vector<PCModeRecord> LoadPCModes() const;
  // Replaces both sections by the list (keys renumbered from 0) and saves.
  bool SavePCModes(std::span<const PCModeRecord> list);
  // Appends, saves the list and returns the new record's index.
  int AppendPCMode(const PCModeRecord& record, std::vector<PCModeRecord>& list);

 private:
  void MovePCModeSectionsLast();

  std::filesystem::path file_;
  SettingsStore store_;
  std::function<void(const std::string&)> onSaveFailure_;
};

}  // namespace brisvel::settings
