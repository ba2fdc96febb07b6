// Ids and names of the input mixing window's layout XML_MIXSOUNDWD.
// k is the Box index 0-5, j the input 0-3.
#pragma once

namespace brisvel::app::layout::mixsoundwd {

inline constexpr char kLayout[] = "LAYOUT:XML_MIXSOUNDWD";
inline constexpr char kClose[] = "btn_close";  // id 2
inline constexpr int kInputLevel = 7000;       // + 10k + j
inline constexpr int kChannelLevel = 7100;     // + k
inline constexpr int kMasterLevel = 7200;
inline constexpr int kMasterMute = 7400;
inline constexpr int kChannelLabel = 7500;     // + k
inline constexpr int kPhase = 7600;            // + k
inline constexpr int kMute = 7700;             // + k
inline constexpr int kInputSelector = 7800;    // + 10k + j
inline constexpr int kMasterText = 7900;
inline constexpr int kChannelText = 7910;      // + k
inline constexpr int kInputLevelText = 8000;   // + 10k + j
inline constexpr int kCoupling = 8200;         // + k

}  // namespace brisvel::app::layout::mixsoundwd
