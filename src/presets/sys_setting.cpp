// The settings dialog's handler: device modes, PC modes, scene files and the
// batch workers.
#include "presets/sys_setting.h"

#include <QCoreApplication>
#include <algorithm>
#include <QFileDialog>
#include <QFileInfo>
#include <QThread>
#include <QTimer>
#include <spdlog/spdlog.h>

#include "core/effect_store.h"
#include "settings/scene_files.h"
#include "device/device_manager.h"
#include "editing/edit_link.h"
#include "editing/history.h"
#include "editing/presets.h"
#include "editing/recall.h"
#include "presets/file_choice.h"
#include "settings/settings_keys.h"
#include "settings/config_ini.h"
#include "ui/basic_controls.h"
#include "ui/message_box.h"
#include "ui/progress_dialog.h"
#include "ui/toolkit.h"
#include "ui/translation.h"

namespace brisvel::presets {
namespace ids = app::layout::sys_setting;

namespace {

std::function<QStringList(const FileDialogRequest&)>& FileResponder() {
  static std::function<QStringList(const FileDialogRequest&)> responder;
  return responder;
}

QString T(const char* source) { return ui::Tr(QString::fromUtf8(source)); }

QStringList AskFiles(const FileDialogRequest& request) {
  if (FileResponder()) return FileResponder()(request);
  const bool save = request.kind == SceneFileDialog::kExportCae || request.kind == SceneFileDialog::kExportBae ||
                    request.kind == SceneFileDialog::kSaveScene || request.kind == SceneFileDialog::kSaveReport;
  QFileDialog dialog(request.owner, request.title, request.folder, request.filter);
  dialog.setDefaultSuffix(request.suffix);
  dialog.setOption(QFileDialog::ReadOnly, false);
  if (save) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!request.proposed.isEmpty()) dialog.selectFile(request.proposed);
  } else {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.kind == SceneFileDialog::kImportCae ? QFileDialog::ExistingFiles
                                                                   : QFileDialog::ExistingFile);
  }
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles();
}

QString Filter(const char* pattern) { return T("Car audio effect file") + QString::fromLatin1(pattern); }

QString OpenTitle(int language, bool batch) {
  if (language == 0) return T(batch ? "请选择一个批量车载场景文件" : "请选择一个或多个车载场景文件");
  if (language == 1) return T("Please select one or more vehicle scene files");
  return QString();
}

std::filesystem::path FsPath(const QString& file) { return std::filesystem::path(file.toStdString()); }

}  // namespace

void SetFileDialogResponder(std::function<QStringList(const FileDialogRequest&)> responder) {
  FileResponder() = std::move(responder);
}

QStringList ChooseSceneFiles(settings::ConfigIni& config, FileDialogRequest request) {
  return ChooseFiles(config, settings::kFolderScene, std::move(request));
}

QStringList ChooseFiles(settings::ConfigIni& config, std::string_view folderKind, FileDialogRequest request) {
  request.folder = StartFolder(config, folderKind);
  const QStringList chosen = AskFiles(request);
  if (!chosen.isEmpty()) RememberFolder(config, folderKind, chosen.front());
  return chosen;
}

editing::RecallPCModeStatus RecallIntoEditor(PresetContext& context, const std::vector<PCModeRecord>& list, int index,
                                             const editing::StepName& step) {
  if (index < 0 || index >= static_cast<int>(list.size())) return editing::RecallPCModeStatus::kNoSelection;
  if (context.history) context.history->Begin(step);
  const editing::RecallPCModeStatus status = editing::RecallPCMode(context.store, list, index);
  // The recalled names are the console's from now on, as a rename would leave them.
  if (!context.config.SetChannelNames(context.store.Names()))
    spdlog::error("the recalled channel names could not be saved: {}", context.config.LastSaveError());
  if (context.pcModeRecalled) context.pcModeRecalled(list[index].Name());
  if (context.history) context.history->End();
  if (context.refresh) context.refresh(false);
  return status;
}

CDlgSysSettingEventHandler::CDlgSysSettingEventHandler(PresetContext& context) : context_(context) {
  list_ = context_.config.LoadPCModes();
}

CDlgSysSettingEventHandler::~CDlgSysSettingEventHandler() = default;

void CDlgSysSettingEventHandler::OnInit(ui::HostWindow& dlg) {
  dlg_ = &dlg;
  // Each layout carries only some of the controls: absent ones are skipped.
  // Present ones are looked up through the dialog, which records what it binds.
  auto present = [&dlg](const char* name) {
    const QString key = QString::fromLatin1(name);
    return ui::FindByName(dlg.Root(), key) ? dlg.FindByName(key) : nullptr;
  };
  present(ids::kTabs);  // its pages switch by themselves
  devMode_ = dynamic_cast<ui::ComboBox*>(present(ids::kDevMode));
  if (devMode_) devMode_->setCurrentIndex(editing::NextDeviceModeSlot());
  save_ = present(ids::kSave);
  if (save_) save_->setEnabled(editing::NextDeviceModeSlot() <= 7);
  input_ = dynamic_cast<ui::Edit*>(present(ids::kNameInput));
  if (input_) input_->setMaxLength(static_cast<int>(editing::kPCModeNameChars));
  pcMode_ = dynamic_cast<ui::ComboBox*>(present(ids::kPCMode));
  FillPCModes(list_.empty() ? -1 : 0);
  // Another program (brisvelctl) may change the PC modes while the dialog is
  // open: config.ini is replaced whole, so its folder is watched.
  const QString folder = QString::fromStdString(context_.config.Path().parent_path().string());
  if (!folder.isEmpty()) {
    watcher_ = std::make_unique<QFileSystemWatcher>(QStringList{folder});
    QObject::connect(watcher_.get(), &QFileSystemWatcher::directoryChanged, &dlg, [this] { OnConfigChanged(); });
  }
  sending_ = present(ids::kSending);
  if (sending_) sending_->hide();
  if (auto* version = ui::AsElement(present(ids::kVersion))) {
    if (!context_.version.isEmpty()) version->SetText(context_.version);
  }

  ui::EventRouter& r = dlg.Router();
  if (present(ids::kClose)) {
    r.OnName(ui::EventCmd, QString::fromLatin1(ids::kClose), [this, &dlg](const ui::Event&) {
      if (!batchRunning_) dlg.EndDialog(ui::HostWindow::kCancelButtonId);
    });
  }
  static const std::pair<const char*, void (CDlgSysSettingEventHandler::*)()> kClicks[] = {
      {ids::kSave, &CDlgSysSettingEventHandler::SaveDeviceMode},
      {ids::kRecall, &CDlgSysSettingEventHandler::RecallDeviceMode},
      {ids::kRecallPCMode, &CDlgSysSettingEventHandler::RecallPCMode},
      {ids::kAddPCMode, &CDlgSysSettingEventHandler::AddPCMode},
      {ids::kDeletePCMode, &CDlgSysSettingEventHandler::DeletePCMode},
      {ids::kImport, &CDlgSysSettingEventHandler::ImportScenes},
      {ids::kExport, &CDlgSysSettingEventHandler::ExportScene},
      {ids::kCheckUpdate, &CDlgSysSettingEventHandler::CheckUpdate},
      {ids::kBatchImport, &CDlgSysSettingEventHandler::BatchImport},
      {ids::kBatchExport, &CDlgSysSettingEventHandler::BatchExport},
  };
  for (const auto& [control, operation] : kClicks) {
    if (!present(control)) continue;
    r.OnName(ui::EventCmd, QString::fromLatin1(control), [this, operation = operation](const ui::Event&) {
      // Nothing starts while a batch run still owns the processor link.
      if (!batchRunning_) (this->*operation)();
    });
  }
  if (devMode_) {
    r.OnName(ui::EventSelChanged, QString::fromLatin1(ids::kDevMode), [this](const ui::Event& e) {
      OnDevSelChanged(std::get<ui::SelChangedArgs>(e.args).index);
    });
  }
  if (pcMode_) {
    r.OnName(ui::EventSelChanged, QString::fromLatin1(ids::kPCMode), [this](const ui::Event& e) {
      OnPCSelChanged(std::get<ui::SelChangedArgs>(e.args).index);
    });
  }
  initialised_ = true;
  // Told once the dialog is shown, not in the way of its start.
  QTimer::singleShot(0, &dlg, [this] { TellUnreadableOnce(); });
}

void CDlgSysSettingEventHandler::FillPCModes(int select) {
  if (!pcMode_) return;
  pcMode_->setCurrentIndex(-1);
  pcMode_->ClearItems();
  // Names are the user's own: shown as stored, never translated.
  for (const PCModeRecord& r : list_) pcMode_->addItem(QString::fromStdString(r.Name()));
  pcMode_->setCurrentIndex(select < static_cast<int>(list_.size()) ? select : -1);
}

void CDlgSysSettingEventHandler::OnConfigChanged() {
  if (batchRunning_) return;
  // The store may also have taken the other program's change with a save of its own.
  context_.config.Refresh();
  const std::vector<PCModeRecord> now = context_.config.LoadPCModes();
  const bool same = std::equal(now.begin(), now.end(), list_.begin(), list_.end(), [](const auto& a, const auto& b) {
    return a.nameBytes == b.nameBytes && a.block == b.block;
  });
  if (same) return;
  const int at = pcMode_ ? pcMode_->currentIndex() : -1;
  const std::string shown = at >= 0 && at < static_cast<int>(list_.size()) ? list_[at].Name() : std::string();
  const QString typed = input_ ? input_->text() : QString();
  list_ = now;
  FillPCModes(shown.empty() ? -1 : editing::FindPCMode(list_, shown));
  if (input_) input_->setText(typed);  // what the user typed stays
  TellUnreadableOnce();
}

void CDlgSysSettingEventHandler::TellUnreadableOnce() {
  // For the whole run; a save that gives an entry another key tells nothing new.
  static std::string told;
  const auto unreadable = context_.config.ReadPCModes().unreadable;
  std::string lines, seen;
  for (const auto& entry : unreadable) {
    lines += "\n" + entry.Describe();
    for (const auto& text : entry.blocks) seen += text + "\n";
    for (const auto& text : entry.names) seen += text + "\n";
  }
  if (lines.empty() || seen == told) return;
  told = seen;
  spdlog::warn("PC modes in {} that cannot be read are kept as they are:{}", context_.config.Path().string(), lines);
  Message(T("These PC modes in config.ini cannot be read. They are kept in the file as they are:%1")
              .arg(QString::fromStdString(lines)),
          true);
}

void CDlgSysSettingEventHandler::OnDevSelChanged(int index) {
  if (!initialised_) return;
  if (save_) {
    save_->setEnabled(index >= 0 && index <= 7);
    save_->update();
  }
}

void CDlgSysSettingEventHandler::OnPCSelChanged(int index) {
  if (!initialised_ || !input_) return;
  if (index >= 0 && index < static_cast<int>(list_.size())) {
    input_->setText(QString::fromStdString(list_[index].Name()));
  } else {
    input_->setText(QString());
  }
}

int CDlgSysSettingEventHandler::Message(const QString& text, bool owned, const QString& caption, bool yesNo) {
  return ui::MessageBox(owned ? dlg_ : nullptr, text, caption,
                        yesNo ? ui::MessageButtons::YesNo : ui::MessageButtons::Ok);
}

void CDlgSysSettingEventHandler::ShowSending() {
  if (!sending_) return;
  sending_->raise();
  sending_->show();
  ui::PumpWait(50);
}

void CDlgSysSettingEventHandler::HideSending() {
  if (!sending_) return;
  sending_->hide();
  if (QWidget* parent = sending_->parentWidget()) parent->update();
  ui::PumpWait(50);
}

void CDlgSysSettingEventHandler::ReportNotSaved(const std::string& error) {
  spdlog::error("PC modes not saved: {}", error);
  Message(T("The PC modes could not be saved:\n%1").arg(QString::fromStdString(error)), true);
}

void CDlgSysSettingEventHandler::SaveDeviceMode() {
  const int slot = devMode_ ? devMode_->currentIndex() : -1;
  switch (editing::CheckSaveDeviceMode(context_.store, slot)) {
    case editing::SaveDeviceModeCheck::kNoSelection:
      Message(T("A scene that does not choose to replace!"), false);
      return;
    case editing::SaveDeviceModeCheck::kFactory:
      Message(T("Cannot replace the current selected scene!"), false);
      return;
    case editing::SaveDeviceModeCheck::kNotConnected:
      Message(T("Device not connected"), false);
      return;
    case editing::SaveDeviceModeCheck::kAllowed: break;
  }
  if (Message(T("Do you want to replace the selected device mode?"), false, QString(), true) != ui::kIdYes) return;
  if (!context_.manager) return;
  ShowSending();
  editing::DevicePresetLink link(context_.store, *context_.manager);
  const editing::SaveDeviceModeResult result = editing::SaveDeviceModeAndAdvance(link, slot);
  const bool saved = result == editing::SaveDeviceModeResult::kSaved;
  if (saved && devMode_) devMode_->setCurrentIndex(editing::NextDeviceModeSlot());
  HideSending();
  if (result == editing::SaveDeviceModeResult::kChangesNotSent) spdlog::error("device mode {} not saved: edits unsent", slot + 1);
  Message(T(saved                                                          ? "Save successfully"
            : result == editing::SaveDeviceModeResult::kChangesNotSent ? editing::kChangesNotSentText
                                                                       : "Save failed"),
          false);
}

void CDlgSysSettingEventHandler::RecallDeviceMode() {
  const int slot = devMode_ ? devMode_->currentIndex() : -1;
  editing::RecallOutcome outcome;
  if (slot >= 0) outcome.status = editing::RecallStatus::kNotConnected;
  if (slot >= 0 && context_.manager) {
    editing::DeviceEditLink link(context_.store, *context_.manager);
    outcome = editing::RecallDeviceModeFlow(context_.store, link, slot, [](int ms) { QThread::msleep(ms); });
  }
  switch (outcome.status) {
    case editing::RecallStatus::kNoSelection: Message(T("Unselected scene!"), false); return;
    case editing::RecallStatus::kNotConnected: Message(T("Device not connected"), true); return;
    case editing::RecallStatus::kRecallFailed: Message(T("Recall device mode failed"), false); return;
    case editing::RecallStatus::kRecalled: break;
  }
  if (!outcome.blockRead) spdlog::error("reading the block after recalling mode {} failed", slot);
  if (context_.history && context_.history->EndHistory())
    spdlog::info("Edit history ended: a device mode was recalled into the editor");
  if (context_.refresh) context_.refresh(true);
}

void CDlgSysSettingEventHandler::AddPCMode() {
  const std::string typed = input_ ? input_->text().toStdString() : std::string();
  const auto outcome = editing::AddPCMode(context_.config, list_, typed, context_.store.Block(), context_.store.Names());
  switch (outcome.status) {
    case editing::AddPCModeStatus::kEmptyName: Message(T("Name cannot be empty"), false); return;
    case editing::AddPCModeStatus::kDuplicate:
      FillPCModes(pcMode_ ? pcMode_->currentIndex() : -1);  // the list may have been changed meanwhile
      Message(T("A scene with the same name already exists"), false);
      return;
    case editing::AddPCModeStatus::kAdded: break;
  }
  FillPCModes(outcome.index);
  if (!outcome.save.saved) ReportNotSaved(outcome.save.error);
  else if (context_.pcModeSaved) context_.pcModeSaved(list_[outcome.index].Name());
}

void CDlgSysSettingEventHandler::RecallPCMode() {
  const int index = pcMode_ ? pcMode_->currentIndex() : -1;
  if (index < 0 || index >= static_cast<int>(list_.size())) {
    Message(T("Unselected scene!"), false);
    return;
  }
  const bool overlay = context_.store.IsProcessorConnected();
  if (overlay) ShowSending();
  const editing::RecallPCModeStatus status =
      RecallIntoEditor(context_, list_, index, editing::StepName("PC mode recalled: %1", {list_[index].Name()}));
  if (overlay) HideSending();
  switch (status) {
    case editing::RecallPCModeStatus::kReceived: Message(T("Call the computer scene successfully!"), false); break;
    case editing::RecallPCModeStatus::kSendFailed: Message(T("Recall PC mode failed"), false); break;
    default: Message(T("Device not connected"), true); break;
  }
}

void CDlgSysSettingEventHandler::DeletePCMode() {
  const int index = pcMode_ ? pcMode_->currentIndex() : -1;
  if (index < 0 || index >= static_cast<int>(list_.size())) {
    Message(T("No selection of the scene to delete!"), false);
    return;
  }
  if (Message(T("Whether you want to delete the selected scene?"), false, QString(), true) != ui::kIdYes) return;
  const auto outcome = editing::DeletePCMode(context_.config, list_, index);
  FillPCModes(-1);
  if (pcMode_) pcMode_->update();
  if (input_) input_->setText(QString());
  if (!outcome.save.saved) ReportNotSaved(outcome.save.error);
}

void CDlgSysSettingEventHandler::CheckUpdate() { Message(T("It's the latest version!"), false, T("Prompt")); }

void CDlgSysSettingEventHandler::ExportScene() {
  const int index = pcMode_ ? pcMode_->currentIndex() : -1;
  if (index < 0 || index >= static_cast<int>(list_.size())) {
    Message(T("Do not choose to come out of the scene!"), false);
    return;
  }
  const QStringList chosen = ChooseSceneFiles(context_.config, {SceneFileDialog::kExportCae, dlg_, QString(), Filter("(*.cae)"),
                                       QStringLiteral("cae"), QString::fromStdString(list_[index].Name())});
  if (chosen.isEmpty()) return;
  const scene::SceneError error = scene::WriteSceneFile(FsPath(chosen.front()), list_[index]);
  if (error != scene::SceneError::kNone) {
    spdlog::error("exporting to {} failed: {}", chosen.front().toStdString(), scene::SceneErrorText(error));
  }
  Message(T(error == scene::SceneError::kNone ? "Exporting the scene successfully" : "Failed to export effect to file"),
          false, QStringLiteral(""));
}

void CDlgSysSettingEventHandler::ImportScenes() {
  const QStringList files = ChooseSceneFiles(context_.config, {SceneFileDialog::kImportCae, dlg_, OpenTitle(context_.language, false),
                                      Filter("(*.cae)"), QStringLiteral("cae"), QString()});
  if (files.isEmpty()) return;
  editing::SceneImport run(context_.config, list_, [this](const std::string& existing) {
    const QString kept = QString::fromStdString(editing::FreePCModeName(list_, existing));
    return AskDuplicatePCMode(dlg_, QString::fromStdString(existing), kept);
  });
  const int selected = pcMode_ ? pcMode_->currentIndex() : -1;
  const std::string shown = selected >= 0 && selected < static_cast<int>(list_.size()) ? list_[selected].Name() : "";
  for (const QString& file : files) run.ImportFile(FsPath(file), QFileInfo(file).fileName().toStdString());
  // One added mode is selected; otherwise the selection stays on its mode.
  FillPCModes(run.Added() == 1 ? run.LastIndex() : shown.empty() ? selected : editing::FindPCMode(list_, shown));
  const std::string summary =
      editing::ImportSummary(run, [](const char* source) { return T(source).toStdString(); });
  Message(QString::fromStdString(summary), false, QStringLiteral(""));
  if (!run.SaveError().empty()) ReportNotSaved(run.SaveError());
}

void CDlgSysSettingEventHandler::BatchExport() {
  if (!context_.store.IsProcessorConnected() || !context_.manager) {
    Message(T("Device not connected"), true);
    return;
  }
  const QStringList chosen = ChooseSceneFiles(context_.config, {SceneFileDialog::kExportBae, dlg_, QString(), Filter("(*.bae)"),
                                       QStringLiteral("bae"), QString()});
  if (chosen.isEmpty()) return;
  RunBatch(true, chosen.front());
}

void CDlgSysSettingEventHandler::BatchImport() {
  if (!context_.store.IsProcessorConnected() || !context_.manager) {
    Message(T("Device not connected"), true);
    return;
  }
  const QStringList chosen = ChooseSceneFiles(context_.config, {SceneFileDialog::kImportBae, dlg_, OpenTitle(context_.language, true),
                                       Filter("(*.bae)"), QStringLiteral("bae"), QString()});
  if (chosen.isEmpty()) return;
  RunBatch(false, chosen.front());
}

void CDlgSysSettingEventHandler::RunBatch(bool exportToFile, const QString& file) {
  filePath_ = file;
  batchRunning_ = true;
  // The worker owns the processor link while it runs: pending edits go out
  // first and the effect sender stays quiet until the worker has ended.
  CEffectSender::ScopedPause pause(context_.manager->Sender());
  ui::CDlgProgress progress;
  progress.SetProgress(0);
  std::atomic<bool> done{false};
  bool restored = false;
  QObject* uiThread = dlg_ ? static_cast<QObject*>(dlg_) : QCoreApplication::instance();

  std::thread worker([&, path = FsPath(file)] {
    editing::DevicePresetLink link(context_.store, *context_.manager);
    editing::BatchHooks hooks;
    hooks.wait = [](int ms) { QThread::msleep(ms); };
    hooks.progress = [&progress](int value) { progress.SetProgress(value); };
    hooks.message = [&](editing::BatchMessage message, const std::string& detail) {
      if (!detail.empty()) spdlog::error("batch {}: {}", exportToFile ? "export" : "import", detail);
      // A message box can only live on the UI thread: hand it over and wait for the answer.
      QMetaObject::invokeMethod(
          uiThread,
          [&, message] {
            const bool owned = message != editing::BatchMessage::kExportFailedNoOwner;
            const bool emptyCaption = message == editing::BatchMessage::kExportWriteFailed ||
                                      message == editing::BatchMessage::kExportSucceeded ||
                                      message == editing::BatchMessage::kImportSucceeded;
            // A failure says what failed and, in an import, which device modes were written.
            QString text = T(editing::BatchMessageText(message));
            if (!detail.empty() && message == editing::BatchMessage::kImportFailed)
              text += QStringLiteral("\n") + QString::fromStdString(detail);
            Message(text, owned, emptyCaption ? QStringLiteral("") : QString());
          },
          Qt::BlockingQueuedConnection);
    };
    const editing::BatchResult result = exportToFile ? editing::RunBatchExport(context_.store, link, path, hooks)
                                                     : editing::RunBatchImport(context_.store, link, path, hooks);
    restored = result.restored;
    progress.Finish();
    done.store(true);
  });

  if (progress.Create()) {
    if (dlg_) progress.move(dlg_->geometry().center() - progress.rect().center());
    progress.DoModal();
  }
  ui::PumpWait(600);
  // The dialog and its handler stay until the worker has ended; its messages
  // are still answered meanwhile.
  while (!done.load()) ui::PumpWait(50);
  worker.join();
  batchRunning_ = false;
  if (context_.history) {
    // The batch run put the processor's device modes through the editor's block.
    if (context_.history->BlockReplaced())
      spdlog::info("Edit history ended: a batch run replaced the editor's settings");
    context_.history->ForgetOpenChanges();
  }
  if (exportToFile && restored && context_.refresh) context_.refresh(false);
}

int OpenSysSettings(PresetContext& context, QWidget* owner, const char* layout) {
  CSysSettingDlg dlg(QString::fromLatin1(layout), owner, context);
  if (!dlg.Create()) return -1;
  dlg.CentreOn(owner);
  return dlg.DoModal();
}

}  // namespace brisvel::presets
