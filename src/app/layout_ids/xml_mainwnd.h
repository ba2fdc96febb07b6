// Ids and names of the main window's layout XML_MAINWND.
#pragma once

namespace brisvel::app::layout::mainwnd {

inline constexpr char kLayout[] = "LAYOUT:XML_MAINWND";
inline constexpr char kMinimize[] = "btn_min";
inline constexpr char kClose[] = "btn_close";
inline constexpr int kFileMenu = 9003;    // "menu_file"
inline constexpr int kConfigMenu = 9004;  // "menu_config"
inline constexpr int kMemoryMenu = 9005;  // "menu_memory"
inline constexpr int kConnectState = 1500;
inline constexpr char kConnectStateName[] = "dev_connect_state";
// The container the editing panels are built into.
inline constexpr char kMainBody[] = "main_body";

}  // namespace brisvel::app::layout::mainwnd
