// Ids and names of the message box layout XML_MSGBOX.
#pragma once

namespace brisvel::ui::layout::msgbox {

inline constexpr char kLayout[] = "XML_MSGBOX";
inline constexpr char kTitle[] = "msgtitle";
inline constexpr char kText[] = "msgtext";
inline constexpr char kClose[] = "btn_close";
inline constexpr int kOk = 1;  // "btn_ok"
inline constexpr int kYes = 6;  // "btn_yes"
inline constexpr int kNo = 7;   // "btn_no"

}  // namespace brisvel::ui::layout::msgbox
