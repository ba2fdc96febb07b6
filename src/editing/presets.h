// Device modes and PC modes as operations shared by the settings dialog and
// brisvelctl: the PC-mode name rules, adding, deleting and recalling PC modes,
// saving device modes with the process-wide next slot, importing scene files
// with the duplicate question, and the batch export and import of the eight
// user device modes through .bae files.
#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/effect_store.h"
#include "core/pcmode_record.h"
#include "settings/config_ini.h"

namespace brisvel {
class CDeviceManager;
}

namespace brisvel::editing {

// ---- PC-mode names ----------------------------------------------------------

// Names typed for a PC mode are cut to this many characters.
constexpr size_t kPCModeNameChars = 20;
// Line feeds, carriage returns, blanks and tabs are stripped from both ends and
// the rest is cut to kPCModeNameChars characters (never inside a character).
std::string CleanPCModeName(std::string_view typed);
// Names compare without regard to letter case (A-Z and a-z).
bool SamePCModeName(std::string_view a, std::string_view b);
// Index of the first record with that name, -1 when none.
int FindPCMode(const std::vector<PCModeRecord>& list, std::string_view name);

// ---- PC-mode list operations (the list is saved to config.ini at once) -------
//
// Each operation is applied to the PC modes config.ini holds at that moment
// (another program may have changed them) and leaves list as the file holds
// them afterwards; entries the file holds but that cannot be read are kept.

// Whether the list reached config.ini; on failure the list stays changed in
// memory and error names the file and the reason.
struct SaveReport {
  bool saved = true;
  std::string error;
};
SaveReport SavePCModeList(settings::ConfigIni& config, const std::vector<PCModeRecord>& list);

enum class AddPCModeStatus { kAdded, kEmptyName, kDuplicate };
struct AddPCModeOutcome {
  AddPCModeStatus status = AddPCModeStatus::kEmptyName;
  int index = -1;  // the new record's index when added
  SaveReport save;
};
// Adds the block (with the channel names) under the cleaned name, unless a
// PC mode of that name exists.
AddPCModeOutcome AddPCMode(settings::ConfigIni& config, std::vector<PCModeRecord>& list, std::string_view typed,
                           const EffectBlock& block, const ChannelNames& names = {});

enum class DeletePCModeStatus { kDeleted, kNoSelection };
struct DeletePCModeOutcome {
  DeletePCModeStatus status = DeletePCModeStatus::kNoSelection;
  SaveReport save;
};
// Deletes record index of list (a PC mode another program deleted already is gone).
DeletePCModeOutcome DeletePCMode(settings::ConfigIni& config, std::vector<PCModeRecord>& list, int index);

enum class RecallPCModeStatus {
  kNoSelection,   // "Unselected scene!"
  kReceived,      // "Call the computer scene successfully!"
  kSendFailed,    // "Recall PC mode failed"
  kNotConnected,  // "Device not connected"; the editor holds the block anyway
};
// Makes record index the editor's block (and sends it when a processor is
// connected) and its channel names the editor's (a record without names
// leaves them), clears the link groups and rebuilds the response models. The
// caller then refreshes the windows unless the status is kNoSelection.
RecallPCModeStatus RecallPCMode(CEffectStore& store, const std::vector<PCModeRecord>& list, int index);

// ---- Device modes -------------------------------------------------------------

constexpr int kUserSlots = 8;
constexpr int kFactorySlot = 8;

// The combo index the settings dialog selects when it opens: 0 at start,
// (s + 1) mod 8 after a successful save into slot s. Kept for the process.
int NextDeviceModeSlot();
void SetNextDeviceModeSlot(int slot);

enum class SaveDeviceModeCheck {
  kAllowed,
  kNoSelection,   // "A scene that does not choose to replace!"
  kFactory,       // "Cannot replace the current selected scene!"
  kNotConnected,  // "Device not connected"
};
// What a save into slot would meet before the user is asked.
SaveDeviceModeCheck CheckSaveDeviceMode(const CEffectStore& store, int slot);

// The processor operations the preset flows use; the device layer implements it.
class IPresetLink {
 public:
  virtual ~IPresetLink() = default;
  virtual bool RecallDeviceMode(int slot) = 0;
  virtual bool ReadCurrentParam() = 0;
  virtual bool SaveDeviceMode(int slot) = 0;
  // The store's LoadBlock: the block becomes the editor's and is sent.
  virtual bool LoadBlock(const EffectBlock& block) = 0;
  // Sends the edits still pending now; true when the processor holds every
  // edit the editor made (nothing is left pending).
  virtual bool SendPending() = 0;
};

// IPresetLink over the device manager.
class DevicePresetLink final : public IPresetLink {
 public:
  DevicePresetLink(CEffectStore& store, CDeviceManager& manager) : store_(store), manager_(manager) {}
  bool RecallDeviceMode(int slot) override;
  bool ReadCurrentParam() override;
  bool SaveDeviceMode(int slot) override;
  bool LoadBlock(const EffectBlock& block) override;
  bool SendPending() override;

 private:
  CEffectStore& store_;
  CDeviceManager& manager_;
};

// Saves into user slot s and moves the next slot on. The processor saves what
// it holds, so the edits still pending go out first; when they cannot, nothing
// is saved (the slot would lack what the window shows).
inline constexpr char kChangesNotSentText[] =
    "The latest changes could not be sent to the processor, so nothing was saved. Check the connection and try again.";
enum class SaveDeviceModeResult { kSaved, kChangesNotSent, kRefused };
SaveDeviceModeResult SaveDeviceModeAndAdvance(IPresetLink& link, int slot);

// ---- Scene-file import ----------------------------------------------------------

// What becomes of a scene whose name is already a PC mode: it replaces that
// mode (in its place), is added beside it under the next free name
// ("Rock (2)"), or is not imported. kAddAsIs adds it under the same name
// (brisvelctl's --allow-duplicates).
enum class DuplicateChoice { kReplace, kKeepBoth, kSkip, kAddAsIs };

// "NAME (2)", "NAME (3)", ... the first no mode of the list has, the name cut
// so that the whole stays within kPCModeNameChars characters.
std::string FreePCModeName(const std::vector<PCModeRecord>& list, std::string_view name);
// Puts the record into the modes as the choice says; a choice made about a
// mode that is gone meanwhile adds the record as it is, and a name that became
// a mode's meanwhile (nobody was asked) keeps both. Returns the record's
// index, -1 when it was not put in.
int PlacePCMode(std::vector<PCModeRecord>& modes, PCModeRecord record, DuplicateChoice choice);

// One import run over several .cae files: each file whose name is already a
// PC mode asks what to do with it (the mode's name is passed).
class SceneImport {
 public:
  SceneImport(settings::ConfigIni& config, std::vector<PCModeRecord>& list,
              std::function<DuplicateChoice(const std::string& name)> ask)
      : config_(config), list_(list), ask_(std::move(ask)) {}

  // Imports one file; returns the new (or replaced) record's index, or -1 when
  // it was not added. displayName is what the summary lists (the file's name).
  int ImportFile(const std::filesystem::path& file, const std::string& displayName);

  int Added() const { return added_; }
  int LastIndex() const { return lastIndex_; }
  const std::vector<std::string>& ReadFailures() const { return readFailures_; }
  const std::vector<std::string>& AddFailures() const { return addFailures_; }
  const std::vector<std::string>& Existing() const { return existing_; }
  // Why each unreadable file was refused ("name: reason"), for the command-line tool.
  const std::vector<std::string>& ReadFailureReasons() const { return readReasons_; }
  // The last failure to write config.ini (empty when every save arrived).
  const std::string& SaveError() const { return saveError_; }

 private:
  settings::ConfigIni& config_;
  std::vector<PCModeRecord>& list_;
  std::function<DuplicateChoice(const std::string&)> ask_;
  int added_ = 0;
  int lastIndex_ = -1;
  std::vector<std::string> readFailures_, addFailures_, existing_, readReasons_;
  std::string saveError_;
};

// Texts of the import summary in the program's source language; the
// translations carry the Chinese lines.
inline constexpr char kImportAddedLine[] = "%d scene files imported successfully.\n";
inline constexpr char kImportReadFailedLine[] = "%d scene file reads failed:%s\n";
inline constexpr char kImportAddFailedLine[] = "%d scene file add failures:%s\n";
inline constexpr char kImportExistingLine[] = "%d scenes have already existed：%s";

// The summary message: the added line always, the others when their count is
// not 0; each name is followed by one blank. tr translates a source text.
std::string ImportSummary(const SceneImport& run, const std::function<std::string(const char*)>& tr);

// ---- Batch scene files ------------------------------------------------------------

// Fixed waits of the batch workers, in milliseconds.
constexpr int kExportAfterReadMs = 800;
constexpr int kExportAfterWriteMs = 200;
constexpr int kExportAfterFinalRecallMs = 500;
constexpr int kImportAfterLoadMs = 1000;
constexpr int kImportAfterSaveMs = 200;
constexpr int kImportBeforeMessageMs = 100;
// Progress value after step i.
constexpr int ProgressAfterStep(int i) { return 15 * i; }

// Messages of the batch workers. Owned ones belong to the settings dialog.
enum class BatchMessage {
  kExportFailed,         // "批量导出失败", owned by the dialog
  kExportFailedNoOwner,  // "批量导出失败", no owner
  kExportWriteFailed,    // "Failed to export effect to file", empty caption
  kExportSucceeded,      // "Exporting the scene successfully", empty caption
  kImportFailed,         // "批量导入失败"
  kImportSucceeded,      // "批量导入成功", empty caption
  kExportChangesNotSent, // the editor's latest edits could not be sent; nothing exported
};
const char* BatchMessageText(BatchMessage message);

struct BatchHooks {
  std::function<void(int milliseconds)> wait;           // plain sleep on the worker
  std::function<void(int value)> progress;              // the progress window's value
  std::function<void(BatchMessage, const std::string& detail)> message;  // shown and answered
  std::function<void(int slot, bool ok)> slotDone;      // after each slot (optional)
};

struct BatchResult {
  bool completed = false;  // the run reached its success message
  bool restored = false;   // export: the mode in use before was recalled again (refresh the windows)
  std::string detail;      // the first failure: what and where
};

// Reads the eight user slots from the processor into file as a .bae (count 8,
// "data 0" ... "data 7" named "0" ... "7"), then recalls the mode that was
// current. A slot that cannot be recalled or read is reported and skipped.
BatchResult RunBatchExport(CEffectStore& store, IPresetLink& link, const std::filesystem::path& file,
                           const BatchHooks& hooks);
// Writes the records of file into user slots 0, 1, ...: each block is sent,
// then saved into its slot. The count (1 to 8) and every record are read and
// checked first: a file that is not whole changes nothing. A block that is
// not received or a slot that cannot be saved stops the run; the detail then
// says which device modes were written.
BatchResult RunBatchImport(CEffectStore& store, IPresetLink& link, const std::filesystem::path& file,
                           const BatchHooks& hooks);

}  // namespace brisvel::editing
