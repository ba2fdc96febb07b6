// Ids and names of the progress window layout XML_PROGRESS.
#pragma once

namespace brisvel::ui::layout::progress {

inline constexpr char kLayout[] = "LAYOUT:XML_PROGRESS";
inline constexpr char kTitle[] = "txt_title";
inline constexpr char kBar[] = "progress_bar";

}  // namespace brisvel::ui::layout::progress
