// Ids and names of the compact window's layout XML_MAINWND2.
#pragma once

namespace brisvel::app::layout::mainwnd2 {

inline constexpr char kLayout[] = "XML_MAINWND2";
inline constexpr int kConnectState = 1004;
inline constexpr char kConnectStateName[] = "dev_connect_state";
inline constexpr char kAdvanced[] = "btn_advanced";
inline constexpr char kMinimize[] = "btn_min";
inline constexpr char kClose[] = "btn_close";
// The device-mode buttons "A" ... "H": kModeFirst + mode, mode 0 ... 7.
inline constexpr int kModeFirst = 2000;
inline constexpr int kModeCount = 8;
inline constexpr int kModeLast = kModeFirst + kModeCount - 1;
inline constexpr int kKnob = 1000;
inline constexpr int kKnobText = 3000;
inline constexpr int kVolumeUp = 1001;
inline constexpr int kVolumeDown = 1002;
inline constexpr int kMuteAll = 1003;
inline constexpr int kMaster = 1005;
inline constexpr int kSub = 1006;

}  // namespace brisvel::app::layout::mainwnd2
