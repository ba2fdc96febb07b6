// Renders a widget into a PNG file, for the screenshot tools that let us look
// at every window and layout without a display.
#pragma once

#include <QString>

class QWidget;

namespace brisvel::ui {

// Shows the widget, lets it lay out and paint, saves its image and prints the
// file name; false (with a message on standard error) when the file cannot be written.
bool SaveWidgetImage(QWidget& widget, const QString& file);

}  // namespace brisvel::ui
