// Opens the settings dialog (device modes, PC modes, scene files) in one of
// its layouts for the main window's "Memory", "My Preset" and "Settings".
#pragma once

class QWidget;

namespace brisvel::app {

class IConsole;

// layout: XML_DEVICE_PRESET, XML_MY_PRESET or XML_SYSSETTING.
int OpenPresetDialog(IConsole& app, QWidget* owner, const char* layout);

}  // namespace brisvel::app
