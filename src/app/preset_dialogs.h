// Opens the settings dialog (device modes, PC modes, scene files) in one of
// its layouts for the main window's "Memory", "My Preset" and "Settings", and
// the main window's scene files: "Open scene...", "Save scene as..." and the
// recent scenes.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace brisvel::app {

class IConsole;

// layout: XML_DEVICE_PRESET, XML_MY_PRESET or XML_SYSSETTING.
int OpenPresetDialog(IConsole& app, QWidget* owner, const char* layout);

// Brings a .cae file into the editor as a PC-mode recall does (its block and
// channel names, one step of the history, sent when a processor is
// connected) and puts it first among the recent scenes. file empty: asked for.
// False when nothing was opened.
bool OpenSceneFile(IConsole& app, QWidget* owner, const QString& file = QString());
// Writes the editor's block and channel names as a .cae file, named after the
// file, and puts it first among the recent scenes. False when nothing was written.
bool SaveSceneAs(IConsole& app, QWidget* owner);
// The recent scenes that are still there, the latest first.
QStringList RecentSceneFiles(IConsole& app);
// The PC mode last recalled or saved in this run, empty before.
QString CurrentPcModeName();

}  // namespace brisvel::app
