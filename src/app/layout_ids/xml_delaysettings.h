// Ids and names of the delay settings dialog's layout XML_DELAYSETTINGS.
#pragma once

namespace brisvel::app::layout::delaysettings {

inline constexpr char kLayout[] = "LAYOUT:XML_DELAYSETTINGS";
inline constexpr char kClose[] = "btn_close";  // id 2
inline constexpr char kCarView[] = "car_delay";
inline constexpr char kDefault[] = "btnDefault";
inline constexpr char kUndo[] = "btnUndo";
inline constexpr char kApply[] = "btnApply";
inline constexpr char kState[] = "delay_state";  // applied or computed only
// A position typed: which one (listener, CH1 ... CH6), across and along the car.
inline constexpr int kPositionX = 9700;
inline constexpr int kPositionY = 9701;
inline constexpr int kPositionOf = 9702;
inline constexpr char kSeatDriver[] = "btn_seat_driver";
inline constexpr char kSeatPassenger[] = "btn_seat_passenger";
inline constexpr char kSeatCentre[] = "btn_seat_centre";
// Not in the layout; the dialog takes them when a layout offers them.
inline constexpr char kOk[] = "btnOK";
inline constexpr char kCancel[] = "btnCancel";
// The main window's button that opens the dialog, and its delay boxes 4100 + Box index.
inline constexpr int kOpenButton = 9002;
inline constexpr int kMainDelayBox = 4100;

}  // namespace brisvel::app::layout::delaysettings
