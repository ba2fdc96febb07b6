// What the demo-and-test module reaches of the application: the console's
// shared state, the simulated processor and what the shell shows.
#pragma once

#include <QString>

class QMenu;

namespace brisvel::ui {
class HostWindow;
}  // namespace brisvel::ui

namespace brisvel::app {
class IConsole;
}  // namespace brisvel::app

namespace brisvel::app::demo {

class SimulatedDevice;

class IDemoHost {
 public:
  virtual ~IDemoHost() = default;
  virtual IConsole& Console() = 0;
  // Null unless the console runs in demo mode (--simulate).
  virtual SimulatedDevice* Simulator() = 0;
  virtual bool SplashWasShown() const = 0;
  virtual bool InstanceLockHeld() const = 0;
  // The main window (created hidden at start-up); null before and after.
  virtual ui::HostWindow* MainFrame() = 0;
  // The main window's open pop-up menu, if any.
  virtual QMenu* OpenMenu() const = 0;
  // Opens a window as its menu item does, once the caller has returned (the
  // dialogs are modal): "delay", "mixing", "measurement", "measure", "device-preset",
  // "my-preset" or "settings". "ok", "error no main window", or empty for a
  // name that is none of these.
  virtual QString OpenWindowLater(const QString& which) = 0;
};

}  // namespace brisvel::app::demo
