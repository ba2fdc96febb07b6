// The import offer for scene files opened from outside the console.
#include "app/scene_open.h"

#include <QFileInfo>
#include <QTimer>
#include <memory>

#include "app/console.h"
#include "editing/presets.h"
#include "presets/file_choice.h"
#include "settings/scene_files.h"
#include "settings/config_ini.h"
#include "spdlog/spdlog.h"
#include "ui/message_box.h"
#include "ui/translation.h"

namespace brisvel::app {

SceneOpenResult OfferSceneImport(IConsole& app, QWidget* owner, const QString& file) {
  const QFileInfo info(file);
  if (info.suffix().compare(QStringLiteral("bae"), Qt::CaseInsensitive) == 0) {
    ui::MessageBox(owner, QString::fromUtf8(kSceneBatchText));
    return SceneOpenResult::kBatchFile;
  }
  const scene::SceneReadResult read = scene::ReadSceneFile(std::filesystem::path(file.toStdString()));
  if (!read.record) {
    spdlog::warn("scene file {}: {}", file.toStdString(), scene::SceneErrorText(read.error));
    ui::MessageBox(owner, ui::Tr(QString::fromUtf8(kSceneUnreadableText)).arg(file));
    return SceneOpenResult::kUnreadable;
  }
  const QString name = QString::fromStdString(read.record->Name());
  const QString offer = ui::Tr(QString::fromUtf8(kSceneOfferText)).arg(name, info.fileName());
  if (ui::MessageBox(owner, offer, QString(), ui::MessageButtons::YesNo) != ui::kIdYes)
    return SceneOpenResult::kDeclined;

  settings::ConfigIni& config = app.Config();
  config.Refresh();  // the modes brisvelctl may have added meanwhile count too
  const std::vector<PCModeRecord> list = config.LoadPCModes();
  // Unasked, a name another program takes meanwhile keeps both.
  editing::DuplicateChoice choice = editing::DuplicateChoice::kKeepBoth;
  if (const int same = editing::FindPCMode(list, read.record->Name()); same >= 0) {
    const QString kept = QString::fromStdString(editing::FreePCModeName(list, read.record->Name()));
    choice = presets::AskDuplicatePCMode(owner, QString::fromStdString(list[same].Name()), kept);
    if (choice == editing::DuplicateChoice::kSkip) return SceneOpenResult::kDeclined;
  }
  // Put into what config.ini holds when it is written.
  auto added = std::make_shared<std::string>();
  if (!config.ChangePCModes([record = *read.record, choice, added](std::vector<PCModeRecord>& modes) {
        const int index = editing::PlacePCMode(modes, record, choice);
        if (index >= 0) *added = modes[static_cast<size_t>(index)].Name();
        return index >= 0;
      })) {
    spdlog::error("config.ini could not be saved: {}", config.LastSaveError());
    ui::MessageBox(owner, QString::fromUtf8(kSceneNotSavedText));
    return SceneOpenResult::kNotSaved;
  }
  spdlog::info("scene file {} imported as PC mode {}", file.toStdString(), *added);
  ui::MessageBox(owner, ui::Tr(QString::fromUtf8(kSceneImportedText)).arg(QString::fromStdString(*added)));
  return SceneOpenResult::kImported;
}

void SceneOpenQueue::Add(const QStringList& files) {
  pending_ << files;
  if (running_ || scheduled_ || pending_.isEmpty()) return;
  // Later, from the event loop: the caller may be a socket handler.
  scheduled_ = true;
  QTimer::singleShot(0, this, [this] {
    scheduled_ = false;
    RunNext();
  });
}

void SceneOpenQueue::RunNext() {
  running_ = true;
  while (!pending_.isEmpty()) {
    // No window left: the console is ending; what was not offered is dropped.
    QWidget* owner = app_.VisibleWindow();
    if (!owner) {
      pending_.clear();
      break;
    }
    const QString file = pending_.takeFirst();
    app_.BringForward();
    OfferSceneImport(app_, owner, file);
  }
  running_ = false;
}

}  // namespace brisvel::app
