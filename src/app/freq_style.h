// The installer's frequency-caption row (freqstyle.xml beside the executable):
// a layout fragment whose root element becomes the only child of the row of
// captions above the equaliser's band columns.
#pragma once

#include <QByteArray>
#include <QString>

class QWidget;

namespace brisvel::app {

// Largest freqstyle.xml the console reads; a larger file is ignored.
constexpr qint64 kMaxFreqStyleBytes = 1 << 20;

// Replaces every child of row with one plain container built from the root
// element of xml (its attributes and its child controls). Text that does not
// parse, or has no root element, leaves the row as it is and gives false.
bool ReplaceFrequencyCaptions(QWidget* row, const QByteArray& xml);
// The same from a file; a missing, unreadable or oversized file changes nothing.
bool ReplaceFrequencyCaptionsFromFile(QWidget* row, const QString& file);

}  // namespace brisvel::app
