// Ids and names of the About box's layout XML_ABOUT.
#pragma once

namespace brisvel::app::layout::about {

inline constexpr char kLayout[] = "LAYOUT:XML_ABOUT";
inline constexpr char kClose[] = "btn_close";  // id 2
inline constexpr char kVersion[] = "about_version";
inline constexpr char kProcessor[] = "about_processor";

}  // namespace brisvel::app::layout::about
