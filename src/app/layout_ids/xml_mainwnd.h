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
inline constexpr char kDeviceMode[] = "device_mode";  // the processor's active device mode, beside "Memory"
inline constexpr int kAbButton = 9006;    // "btn_ab": the A/B comparison's side shown
// The container of the editing panels.
inline constexpr char kMainBody[] = "main_body";

// ---- editing panels; i is the Box index 0-5 (shown as CH5, CH6, CH1 ... CH4)
inline constexpr char kChannelTab[] = "CHANNEL_TAB";
inline constexpr char kChannelDelay[] = "CHANNEL_DELAY";
inline constexpr int kMasterSlider = 2000;    // 0 ... 66
inline constexpr int kMasterEdit = 4000;
inline constexpr int kMasterMute = 1106;
inline constexpr int kChannelSelect = 1400;   // + i
inline constexpr int kChannelSlider = 2200;   // + i
inline constexpr int kChannelEdit = 6000;     // + i
inline constexpr int kPhase = 1200;           // + i
inline constexpr int kMute = 1300;            // + i
inline constexpr int kGrouping = 1100;        // + group: front, rear, four speakers, bass
inline constexpr int kTwoInputs = 10000;      // "2 Channel"
inline constexpr int kFourInputs = 10001;     // "4 Channel"
inline constexpr int kLpType = 8000;
inline constexpr int kLpSlope = 8001;
inline constexpr int kHpType = 8002;
inline constexpr char kHpPresets[] = "btn_hp_presets";  // the crossover-preset menus
inline constexpr char kLpPresets[] = "btn_lp_presets";
inline constexpr int kHpSlope = 8003;
inline constexpr int kLpFreq = 4001;
inline constexpr int kHpFreq = 4002;
inline constexpr int kThreshold = 4003;       // "DBu"
inline constexpr int kAttack = 4004;          // "At.Time"
inline constexpr int kRelease = 8004;         // "Re.Time"
inline constexpr int kNoiseGate = 8005;
inline constexpr int kDelayEdit = 4100;       // + i
inline constexpr int kDelaySelect = 1600;     // + i
inline constexpr int kUnitRadio = 7000;       // + unit: MS, CM, IN
inline constexpr int kUnitList = 8020;        // hidden
inline constexpr int kResetEq = 9001;
inline constexpr int kDelayAdvanced = 9002;
// The EQ graph and its channel caption.
inline constexpr char kGraph[] = "eq_curve";
inline constexpr int kGraphCaption = 801;
inline constexpr char kSumToggle[] = "btn_sum";            // the sum of chosen channels over the graph
inline constexpr char kSumChannels[] = "btn_sum_channels";  // which channels it adds
inline constexpr int kHandleFirst = 900;      // 900 ... 934
inline constexpr int kHandleLast = 934;
// Equaliser panel; b is the band 0-30.
inline constexpr char kEqGroup[] = "EQ_GROUP";
inline constexpr char kBandIdRow[] = "show_eq_band_id";
inline constexpr char kBandFreqRow[] = "show_eq_band_freq";
inline constexpr int kBandHold = 1000;        // + b
inline constexpr int kBandSlider = 2100;      // + b
inline constexpr int kBandFreq = 5000;        // + b
inline constexpr int kBandQ = 5100;           // + b
inline constexpr int kBandGain = 5200;        // + b
inline constexpr int kBandNumber = 5300;      // + b
inline constexpr int kRowSwitch = 1107;       // "ID"
inline constexpr int kPeq = 1501;             // "GEQ" / "PEQ"
inline constexpr int kBypass = 1502;          // "BypassEQ"

}  // namespace brisvel::app::layout::mainwnd
