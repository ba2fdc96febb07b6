// Ids and names of the advanced login's layout XML_ADVANCED_LOGIN.
#pragma once

namespace brisvel::app::layout::advanced_login {

inline constexpr char kLayout[] = "XML_ADVANCED_LOGIN";
inline constexpr char kPassword[] = "txt_pwd";
inline constexpr char kMessage[] = "txt_msg";
inline constexpr char kOk[] = "btnOK";          // id 1
inline constexpr char kCancel[] = "btnCancel";  // id 2
inline constexpr char kClose[] = "btn_close";

}  // namespace brisvel::app::layout::advanced_login
