// Ids and names of the timed tip layout XML_TOOLTIP.
#pragma once

namespace brisvel::ui::layout::tooltip {

inline constexpr char kLayout[] = "LAYOUT:XML_TOOLTIP";
inline constexpr char kText[] = "txt_tip";

}  // namespace brisvel::ui::layout::tooltip
