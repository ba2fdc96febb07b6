// Start of the toolkit: style, fonts with a CJK fallback, the built-in skins
// and the element registry. Call once after the QApplication exists.
//
// The layout language in short (resources/layouts/NAME.xml, loaded by name):
//   <layout width height title trCtx escClose margin ...panel attributes>
//     children...
//   </layout>
// Containers ("window", "caption", and "skeq"/"skcar") place their children in
// a line with layout="vbox"|"hbox" (spacing, padding "l,t,r,b", gravity
// "center|vcenter|hcenter|right|bottom", collapseHidden) or, without a layout,
// at absolute positions: pos="x,y" (size from size="w,h") or pos="l,t,r,b";
// a coordinate "-n" counts from the far edge, "|n" from the centre, "n%" is a
// share, offset="fx,fy" shifts by fractions of the control's own size.
// Children of a line take size="w,h" (pixels, -1 content, -2 fill), weight,
// margin and layout_gravity. Every element takes name, id, data, text, tip,
// show, enable, colorText, colorBkgnd, colorBorder (+ border), font
// ("face:Arial,size:11,bold:1,adding:24"), skin, align, multiLines, maxWidth,
// focusable and class (style classes of _styles.xml). Colours are "#rrggbb" or
// "#rrggbbaa". Texts are written in the source language and translated.
// Host windows (host_window.h) build a layout and route their controls'
// events (ui_event.h); CCommonDlg<Handler> is the dialog host.
#pragma once

#include <QString>

namespace brisvel::ui {

// Sets the application style and default font (face, pixel size).
void InitToolkit(const QString& defaultFace = QStringLiteral("微软雅黑"), int defaultPixelSize = 13);

// Waits ms milliseconds on the UI thread while its events go on being handled
// (windows repaint, timers fire, replies arrive): the one waiting call of the
// console's windows and of the device link's waits on the UI thread.
void PumpWait(int ms);

}  // namespace brisvel::ui
