// Start of the toolkit: style, fonts with a CJK fallback, the built-in skins
// and the element registry. Call once after the QApplication exists.
#pragma once

#include <QString>

namespace brisvel::ui {

// Sets the application style and default font (face, pixel size).
void InitToolkit(const QString& defaultFace = QStringLiteral("微软雅黑"), int defaultPixelSize = 13);

}  // namespace brisvel::ui
