// Scene files handed to the console from outside (the file manager's "open
// with", or a second start that passes its files to the running console):
// each .cae is offered for import as a new PC mode, one file at a time.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QWidget;

namespace brisvel::app {

class IConsole;
class IConsoleFrames;

// Texts of the import offer (source language; the translations carry them too).
inline constexpr char kSceneOfferText[] = "Import the scene \"%1\" from %2 as a new PC mode?";
inline constexpr char kSceneUnreadableText[] = "The scene file cannot be read or holds no valid scene:\n%1";
inline constexpr char kSceneImportedText[] = "The scene \"%1\" was added to the PC modes.";
inline constexpr char kSceneNotSentText[] =
    "The scene was opened, but the processor did not take it. Check the connection.";
inline constexpr char kSceneNotSavedText[] = "The PC mode could not be written to config.ini.";
inline constexpr char kSceneBatchText[] =
    "Batch scene files (.bae) are written into the processor's device modes with \"Batch imp\" in the settings.";

// The outcome of one offer, for the log and the tests.
enum class SceneOpenResult { kImported, kDeclined, kUnreadable, kBatchFile, kNotSaved };

// Reads the file, asks (Yes/No) and appends it to config.ini's PC modes;
// every outcome is told in a message box owned by owner.
SceneOpenResult OfferSceneImport(IConsole& app, QWidget* owner, const QString& file);

// Files are offered in the order they arrive; a file arriving while an offer
// is open waits for it.
class SceneOpenQueue : public QObject {
 public:
  explicit SceneOpenQueue(IConsoleFrames& app) : app_(app) {}
  void Add(const QStringList& files);

 private:
  void RunNext();
  IConsoleFrames& app_;
  QStringList pending_;
  bool running_ = false;
  bool scheduled_ = false;
};

}  // namespace brisvel::app
