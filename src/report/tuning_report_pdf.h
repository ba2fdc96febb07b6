// The tuning report as files: an A4 PDF through Qt's PDF writer, in the
// language of the active translation, and the CSV beside it. Both are
// written whole to a temporary file and then put in place, so a failure never
// leaves half a report where an old one was.
#pragma once

#include <QString>

#include "core/tuning_report.h"

namespace brisvel::report {

// False with the reason (in the active language) when the file cannot be written.
bool WriteTuningReportPdf(const TuningReport& report, const QString& path, QString* error);
bool WriteTuningReportCsv(const TuningReport& report, const QString& path, QString* error);

// The CSV that goes with a PDF: "report.pdf" -> "report.csv".
QString CsvBeside(const QString& pdfPath);

}  // namespace brisvel::report
