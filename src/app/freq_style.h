// The installer's frequency-caption row (freqstyle.xml beside the executable):
// a layout fragment whose root element becomes the only child of the row of
// captions above the equaliser's band columns.
#pragma once

#include <QByteArray>
#include <QString>

class QWidget;

namespace brisvel::app {

// Replaces every child of row with one plain container built from the root
// element of xml (its attributes and its child controls). Text that does not
// parse, has no root element or nests too deep or too much (see
// settings::LayoutTreeProblem) leaves the row as it is and gives false.
bool ReplaceFrequencyCaptions(QWidget* row, const QByteArray& xml);
// The same from a file, read only when it is a regular file of at most
// settings::kMaxFreqStyleBytes; anything else changes nothing.
bool ReplaceFrequencyCaptionsFromFile(QWidget* row, const QString& file);

}  // namespace brisvel::app
