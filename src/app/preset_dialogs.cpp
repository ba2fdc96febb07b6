// The settings dialog over the application's store, settings and device link.
#include "app/preset_dialogs.h"

#include "app/console.h"
#include "app/measurement_session.h"
#include "app/refresh.h"
#include "presets/sys_setting.h"
#include "spdlog/spdlog.h"

namespace brisvel::app {

int OpenPresetDialog(IConsole& app, QWidget* owner, const char* layout) {
  presets::PresetContext context{.config = app.Config(), .store = app.Store()};
  context.manager = app.DeviceManager();
  context.language = app.Language();
  context.version = QString::fromLatin1(kVersion);
  context.history = app.History();
  context.refresh = [&app](bool send) {
    if (send) {
      app.Refresher().Send(RefreshKind::kRecall);
    } else {
      app.Refresher().Post(RefreshKind::kFull);
    }
  };
  // The run's measurements go with the PC mode into measurements.ini; a .cae holds none.
  context.pcModeSaved = [&app](const std::string& name) {
    std::string error;
    if (!KeepWithPcMode(RunMeasurements(), app.Config().Path(), name, &error))
      spdlog::error("the measurements of PC mode \"{}\" were not kept: {}", name, error);
  };
  context.pcModeRecalled = [&app](const std::string& name) {
    std::string error;
    if (!RestoreFromPcMode(RunMeasurements(), app.Config().Path(), name, &error))
      spdlog::error("the measurements of PC mode \"{}\" were not read: {}", name, error);
  };
  return presets::OpenSysSettings(context, owner, layout);
}

}  // namespace brisvel::app
