// brisvelctl's preset commands: PC modes in config.ini (pcmode list, add,
// recall, delete, export, import), scene files (scene show) and batch scene
// files on a processor (batch export, batch import). PC modes are numbered
// from 1 as "pcmode list" shows them.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string_view>

#include "cli/cli_common.h"
#include "core/param_table.h"
#include "settings/scene_files.h"
#include "editing/presets.h"
#include "settings/config_ini.h"
#include "settings/data_folder.h"

namespace brisvel::cli {
namespace {

namespace fs = std::filesystem;

struct PresetOptions {
  std::string config;
  std::string name;
  std::string from;
  int number = 0;
  std::string file;
  std::vector<std::string> files;
  bool allowDuplicates = false;
};

PresetOptions& Options() {
  static PresetOptions options;
  return options;
}

// config.ini, read; entries that cannot be read are named on standard error
// unless the command lists them (they stay in the file as they are).
settings::ConfigIni OpenConfig(bool nameUnreadable = true) {
  const bool ownFolder = Options().config.empty();
  const fs::path path = ownFolder ? settings::ConfigPath(settings::DataFolderPath()) : fs::path(Options().config);
  std::error_code ec;
  // A fresh account has no data folder yet.
  if (ownFolder) fs::create_directories(path.parent_path(), ec);
  settings::ConfigIni config(path);
  const bool exists = fs::exists(fs::symlink_status(path, ec));
  if (!config.Load() && exists) {
    const std::string& why = config.Store().LastError();
    throw CliError(path.string() + ": " + (why.empty() ? std::string("cannot be read") : why));
  }
  for (const auto& entry : nameUnreadable ? config.ReadPCModes().unreadable : std::vector<settings::UnreadablePCMode>{}) {
    std::fprintf(stderr, "brisvelctl: %s: a PC mode cannot be read and is kept as it is: %s\n",
                 Printable(path.string()).c_str(), Printable(entry.Describe()).c_str());
  }
  return config;
}

void CheckSaved(const editing::SaveReport& report) {
  if (!report.saved) throw CliError(report.error);
}

// Index of PC mode number n (1-based) in the list.
int IndexOf(const std::vector<PCModeRecord>& list, int number) {
  if (number < 1 || number > static_cast<int>(list.size())) {
    throw CliError(FormatMode(number, list.size()));
  }
  return number - 1;
}

void CmdList() {
  settings::ConfigIni config = OpenConfig(false);
  const settings::PCModeSections modes = config.ReadPCModes();
  for (size_t i = 0; i < modes.readable.size(); ++i) {
    std::printf("%zu %s\n", i + 1, Printable(modes.readable[i].Name()).c_str());
  }
  for (const auto& entry : modes.unreadable) std::printf("unreadable %s\n", Printable(entry.Describe()).c_str());
}

void CmdAdd() {
  const PresetOptions& o = Options();
  // The block first: a processor that cannot be read leaves config.ini alone.
  EffectBlock block{};
  if (!o.from.empty()) {
    block = ReadBlockFile(o.from);
  } else {
    block = DeviceReadBlock();
  }
  settings::ConfigIni config = OpenConfig();
  auto list = config.LoadPCModes();
  const auto outcome = editing::AddPCMode(config, list, o.name, block);
  switch (outcome.status) {
    case editing::AddPCModeStatus::kEmptyName: throw CliError("Name cannot be empty");
    case editing::AddPCModeStatus::kDuplicate:
      throw CliError("A scene with the same name already exists: \"" + editing::CleanPCModeName(o.name) + "\"");
    case editing::AddPCModeStatus::kAdded: break;
  }
  CheckSaved(outcome.save);
  std::printf("%d %s\n", outcome.index + 1, Printable(list[outcome.index].Name()).c_str());
}

void CmdRecall() {
  settings::ConfigIni config = OpenConfig();
  const auto list = config.LoadPCModes();
  const int index = IndexOf(list, Options().number);
  DeviceLoadBlock(list[index].block);
  std::printf("recalled %d %s\n", index + 1, Printable(list[index].Name()).c_str());
}

void CmdDelete() {
  settings::ConfigIni config = OpenConfig();
  auto list = config.LoadPCModes();
  const int index = IndexOf(list, Options().number);
  const std::string name = list[index].Name();
  CheckSaved(editing::DeletePCMode(config, list, index).save);
  std::printf("deleted %d %s\n", index + 1, Printable(name).c_str());
}

void CmdExport() {
  settings::ConfigIni config = OpenConfig();
  const auto list = config.LoadPCModes();
  const int index = IndexOf(list, Options().number);
  const fs::path file = Options().file;
  const scene::SceneError error = scene::WriteSceneFile(file, list[index]);
  if (error != scene::SceneError::kNone) throw CliError(file.string() + ": " + scene::SceneErrorText(error));
}

void CmdImport() {
  const PresetOptions& o = Options();
  settings::ConfigIni config = OpenConfig();
  auto list = config.LoadPCModes();
  editing::SceneImport run(config, list, [&](const std::string&) {
    return o.allowDuplicates ? editing::DuplicateChoice::kAddAsIs : editing::DuplicateChoice::kSkip;
  });
  for (const std::string& f : o.files) run.ImportFile(f, fs::path(f).filename().string());
  // File names may hold anything; the summary's own line ends stay.
  const std::string text = editing::ImportSummary(run, nullptr);
  std::string summary;
  for (size_t start = 0; start <= text.size();) {
    const size_t end = std::min(text.find('\n', start), text.size());
    summary += Printable(std::string_view(text).substr(start, end - start));
    if (end < text.size()) summary += '\n';
    start = end + 1;
  }
  std::printf("%s\n", summary.c_str());
  for (const std::string& reason : run.ReadFailureReasons()) {
    std::fprintf(stderr, "brisvelctl: %s\n", Printable(reason).c_str());
  }
  if (!run.SaveError().empty()) throw CliError(run.SaveError());
  if (!run.ReadFailures().empty()) throw CliError(FormatCount(run.ReadFailures().size()));
}

void ShowRecord(const std::string& label, const PCModeRecord& record) {
  std::printf("%s: \"%s\"", label.c_str(), Printable(record.Name()).c_str());
  for (const char* name : {"MainVol", "Volume_0", "Volume_1", "Volume_2", "Volume_3", "Volume_4", "Volume_5"}) {
    if (const auto index = FindParam(name)) {
      std::printf(" %s=%s", name, ParamDisplayText(record.block, *index).c_str());
    }
  }
  std::printf("\n");
}

void CmdSceneShow() {
  const fs::path file = Options().file;
  std::string text;
  const scene::SceneError error = scene::ReadSceneText(file, text);
  if (error != scene::SceneError::kNone) throw CliError(file.string() + ": " + scene::SceneErrorText(error));
  if (scene::ReadProfileValue(text, scene::kSection, scene::kCountKey)) {
    const auto count = scene::ParseBatchCount(text);
    if (!count) throw CliError(file.string() + ": the count is not a valid 4-byte value");
    std::printf("batch scene file, count %d\n", *count);
    int bad = 0;
    for (int i = 0; i < std::min(*count, 64); ++i) {
      const auto record = scene::ParseBatchRecord(text, i);
      if (record) {
        ShowRecord(scene::BatchDataKey(i), *record);
      } else {
        std::printf("%s: missing or not a valid 1270-byte record\n", scene::BatchDataKey(i).c_str());
        ++bad;
      }
    }
    if (bad > 0) throw CliError(file.string() + ": " + std::to_string(bad) + " record(s) cannot be read");
    return;
  }
  const auto record = scene::ParseSceneText(text);
  if (!record) throw CliError(file.string() + ": " + scene::SceneErrorText(scene::SceneError::kNotScene));
  ShowRecord(scene::kDataKey, *record);
}

}  // namespace

std::string FormatMode(int number, size_t count) {
  if (count == 0) return "there are no PC modes";
  return "no PC mode " + std::to_string(number) + " (there are " + std::to_string(count) + ", numbered from 1)";
}

std::string FormatCount(size_t unreadable) {
  return std::to_string(unreadable) + " scene file(s) could not be read";
}

void RegisterPresetCommands(CLI::App& app) {
  PresetOptions& o = Options();

  auto* pcmode = app.add_subcommand("pcmode", "PC modes kept in config.ini");
  pcmode->require_subcommand(1);
  pcmode->add_option("--config", o.config, "settings file (default: config.ini in the data folder)");

  pcmode->add_subcommand("list", "the PC modes: number name")->callback(CmdList);

  auto* add = pcmode->add_subcommand("add", "store the processor's current block (or --from FILE) as a PC mode");
  add->add_option("NAME", o.name, "name, trimmed and cut to 20 characters")->required();
  add->add_option("--from", o.from, "raw 1206-byte block file instead of a processor");
  add->callback(CmdAdd);

  auto* recall = pcmode->add_subcommand("recall", "send a PC mode to the processor");
  recall->add_option("N", o.number, "PC mode number (see pcmode list)")->required();
  recall->callback(CmdRecall);

  auto* del = pcmode->add_subcommand("delete", "delete a PC mode");
  del->add_option("N", o.number, "PC mode number")->required();
  del->callback(CmdDelete);

  auto* exp = pcmode->add_subcommand("export", "write a PC mode into a .cae scene file");
  exp->add_option("N", o.number, "PC mode number")->required();
  exp->add_option("FILE", o.file, ".cae file (other keys of an existing file are kept)")->required();
  exp->callback(CmdExport);

  auto* imp = pcmode->add_subcommand("import", "add .cae scene files as PC modes");
  imp->add_option("FILES", o.files, ".cae files")->required();
  imp->add_flag("--allow-duplicates", o.allowDuplicates, "import scenes whose name is already a PC mode");
  imp->callback(CmdImport);

  auto* sceneCmd = app.add_subcommand("scene", "scene files");
  sceneCmd->require_subcommand(1);
  auto* show = sceneCmd->add_subcommand("show", "each record of a .cae or .bae file: name and volumes");
  show->add_option("FILE", o.file, ".cae or .bae file")->required();
  show->callback(CmdSceneShow);

  auto* batch = app.add_subcommand("batch", "the eight user device modes of a processor and .bae files");
  batch->require_subcommand(1);
  auto* bexp = batch->add_subcommand("export", "read device modes 1-8 into a .bae file");
  bexp->add_option("FILE", o.file, ".bae file (other keys of an existing file are kept)")->required();
  bexp->callback([&] { DeviceBatch(true, Options().file); });
  auto* bimp = batch->add_subcommand("import", "write the records of a .bae file into device modes 1-8");
  bimp->add_option("FILE", o.file, ".bae file")->required();
  bimp->callback([&] { DeviceBatch(false, Options().file); });
}

}  // namespace brisvel::cli
