// Names of the settings dialog's controls, shared by its three layouts
// XML_DEVICE_PRESET, XML_MY_PRESET and XML_SYSSETTING; each layout carries
// only some of them.
#pragma once

namespace brisvel::app::layout::sys_setting {

inline constexpr char kDevicePresetLayout[] = "XML_DEVICE_PRESET";
inline constexpr char kMyPresetLayout[] = "XML_MY_PRESET";
inline constexpr char kSysSettingLayout[] = "XML_SYSSETTING";

inline constexpr char kTitle[] = "txt_title";
inline constexpr char kClose[] = "btn_close";
inline constexpr char kDevMode[] = "combo_devmode";
inline constexpr char kPCMode[] = "combo_pcmode";
inline constexpr char kNameInput[] = "txt_input";
inline constexpr char kSending[] = "ui_sending";
inline constexpr char kSave[] = "btnSave";
inline constexpr char kRecall[] = "btnRecall";
inline constexpr char kRecallPCMode[] = "btnRecallPCMode";
inline constexpr char kAddPCMode[] = "btnAddPCMode";
inline constexpr char kDeletePCMode[] = "btnDeletePCMode";
inline constexpr char kImport[] = "btnImport";
inline constexpr char kExport[] = "btnExport";
inline constexpr char kCheckUpdate[] = "btnCheckUpdate";
inline constexpr char kBatchImport[] = "btnBatchImport";
inline constexpr char kBatchExport[] = "btnBatchExport";
inline constexpr char kTabs[] = "tab_settings";
inline constexpr char kVersion[] = "txt_version";

}  // namespace brisvel::app::layout::sys_setting
