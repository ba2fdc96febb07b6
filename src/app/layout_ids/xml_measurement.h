// Ids and names of the measurement and fit window's layout XML_MEASUREMENT.
// k is the Box index 0-5.
#pragma once

namespace brisvel::app::layout::measurement {

inline constexpr char kLayout[] = "LAYOUT:XML_MEASUREMENT";
inline constexpr char kClose[] = "btn_close";  // id 2
inline constexpr int kChannel = 9500;          // + k
inline constexpr int kSource = 9510;           // the measurement's file name
inline constexpr int kSmoothing = 9520;        // list: none, 1/3, 1/6, 1/12 octave (data 0, 3, 6, 12)
inline constexpr int kTargetKind = 9530;       // list: Flat, Car, File
inline constexpr int kTargetSource = 9531;     // the target file's name
inline constexpr int kLfGain = 9532;
inline constexpr int kLfCorner = 9533;
inline constexpr int kTilt = 9534;
inline constexpr int kLowHz = 9540;
inline constexpr int kHighHz = 9541;
inline constexpr int kMaxBoost = 9542;
inline constexpr int kMode = 9543;             // "GEQ" or "PEQ", as the main window edits
inline constexpr int kBands = 9544;            // the most bands a fit may use
inline constexpr int kBefore = 9550;
inline constexpr int kAfter = 9551;
inline constexpr int kMessage = 9560;
inline constexpr int kPlot = 9570;             // skmeasplot: measurement, target, bands, predicted result
inline constexpr char kImport[] = "btn_import";
inline constexpr char kRemove[] = "btn_remove";
inline constexpr char kTargetFile[] = "btn_target_file";
inline constexpr char kFit[] = "btn_fit";
inline constexpr char kApply[] = "btn_apply";
inline constexpr char kExportFilters[] = "btn_export_filters";
inline constexpr char kImportFilters[] = "btn_import_filters";
inline constexpr char kDone[] = "btn_done";

}  // namespace brisvel::app::layout::measurement
