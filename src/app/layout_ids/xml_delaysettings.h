// Ids and names of the delay settings dialog's layout XML_DELAYSETTINGS.
#pragma once

namespace brisvel::app::layout::delaysettings {

inline constexpr char kLayout[] = "LAYOUT:XML_DELAYSETTINGS";
inline constexpr char kClose[] = "btn_close";  // id 2
inline constexpr char kCarView[] = "car_delay";
inline constexpr char kDefault[] = "btnDefault";
inline constexpr char kUndo[] = "btnUndo";
// Not in the layout; the dialog takes them when a layout offers them.
inline constexpr char kOk[] = "btnOK";
inline constexpr char kCancel[] = "btnCancel";
// The main window's button that opens the dialog, and its delay boxes 4100 + Box index.
inline constexpr int kOpenButton = 9002;
inline constexpr int kMainDelayBox = 4100;

}  // namespace brisvel::app::layout::delaysettings
