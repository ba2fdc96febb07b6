// The settings dialog over the application's store, settings and device link.
#include "app/preset_dialogs.h"

#include "app/console.h"
#include "app/refresh.h"
#include "presets/sys_setting.h"

namespace brisvel::app {

int OpenPresetDialog(IConsole& app, QWidget* owner, const char* layout) {
  presets::PresetContext context{app.Config(), app.Store()};
  context.manager = app.DeviceManager();
  context.language = app.Language();
  context.version = QString::fromLatin1(kVersion);
  context.refresh = [&app](bool send) {
    if (send) {
      app.Refresher().Send(RefreshKind::kRecall);
    } else {
      app.Refresher().Post(RefreshKind::kFull);
    }
  };
  return presets::OpenSysSettings(context, owner, layout);
}

}  // namespace brisvel::app
