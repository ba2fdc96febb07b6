// What the console's windows and dialogs may use of the application object.
// Windows and dialogs take one of these interfaces, never the application
// itself, so each sees only the shared state and operations it needs.
#pragma once

#include <QString>

#include "app/refresh.h"
#include "core/effect_store.h"
#include "settings/cae_data.h"
#include "settings/config_ini.h"

class QWidget;

namespace brisvel {
class CDeviceManager;
namespace editing {
class IEditLink;
class CEditHistory;
class CAbCompare;
}  // namespace editing
}  // namespace brisvel

namespace brisvel::app {

inline constexpr char kTitle[] = "BRISVEL DSP CONTROL PANNEL";
inline constexpr char kVersion[] = "1.0.4.5";

// Shared state and operations for every window and dialog.
class IConsole {
 public:
  virtual ~IConsole() = default;

  // The effect store: the block and the editing state.
  virtual CEffectStore& Store() = 0;
  // The device link; null until it exists (start-up) and after release.
  virtual CDeviceManager* DeviceManager() = 0;
  // The editing layer's link to the processor over the device manager; null
  // while the device manager is.
  virtual editing::IEditLink* EditLink() = 0;
  // A processor is open and accepted the handshake.
  virtual bool IsConnected() const = 0;

  // config.ini (user settings, PC modes) and the data-file values.
  virtual settings::ConfigIni& Config() = 0;
  virtual const settings::CaeData& CaeData() const = 0;
  virtual const QString& DataFolder() const = 0;

  // [Config] Lang: 0 Chinese, otherwise English.
  virtual int Language() const = 0;
  // Stores [Config] Lang, saves config.ini and applies the translation.
  virtual void SwitchLanguage(int language) = 0;
  // The main window's exit routine: stops sending, releases the instance
  // lock, then ends the message loop with the main window gone.
  virtual void ExitRoutine() = 0;
  // The refresh notification every window and dialog can follow.
  virtual RefreshNotifier& Refresher() = 0;
  // The edit history of the side shown and the A/B comparison; null where a
  // console keeps none.
  virtual editing::CEditHistory* History() { return nullptr; }
  virtual editing::CAbCompare* AbCompare() { return nullptr; }
};

// What the two window frames (compact and main) need besides: the hand-overs
// between them that the application, which owns both, carries out.
class IConsoleFrames : public IConsole {
 public:
  // Closing the compact window before the login ends the program.
  virtual void CloseCompactWindow() = 0;
  // After a successful login: the main window replaces the compact window.
  virtual void ShowMainWindowAfterLogin() = 0;
  // The compact window's refresh timer after a hot-plug connection attempt.
  virtual void StartCompactRefreshTimer(int delayMs) = 0;
  // Both windows' connection indicators show the link's state again.
  virtual void UpdateConnectionDisplays() = 0;
  // The visible window (main before compact), null when none is shown.
  virtual QWidget* VisibleWindow() = 0;
  // Brings the visible window forward.
  virtual void BringForward() = 0;
};

}  // namespace brisvel::app
