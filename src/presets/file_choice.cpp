// File-dialog folders and the duplicate PC-mode question.
#include "presets/file_choice.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <spdlog/spdlog.h>

#include "settings/config_ini.h"
#include "ui/translation.h"

namespace brisvel::presets {

namespace {

std::function<editing::DuplicateChoice(const QString&)>& Responder() {
  static std::function<editing::DuplicateChoice(const QString&)> responder;
  return responder;
}

QString T(const char* source) { return ui::Tr(QString::fromUtf8(source)); }

}  // namespace

QString StartFolder(const settings::ConfigIni& config, std::string_view kind) {
  const std::filesystem::path home(QDir::homePath().toStdU16String());
  return QString::fromStdU16String(config.DialogFolder(kind, home).u16string());
}

void RememberFolder(settings::ConfigIni& config, std::string_view kind, const QString& chosenFile) {
  if (chosenFile.isEmpty()) return;
  const QString folder = QFileInfo(chosenFile).absolutePath();
  if (!config.SetDialogFolder(kind, std::filesystem::path(folder.toStdU16String())) && !config.LastSaveError().empty())
    spdlog::warn("the folder of {} files could not be kept: {}", kind, config.LastSaveError());
}

editing::DuplicateChoice AskDuplicatePCMode(QWidget* owner, const QString& existing, const QString& keptName) {
  if (Responder()) return Responder()(existing);
  QMessageBox box(owner);
  box.setObjectName(QStringLiteral("duplicate_pcmode"));
  box.setWindowTitle(T("Prompt"));
  box.setText(T(kDuplicateQuestionText).arg(existing, keptName));
  QPushButton* replace = box.addButton(T(kDuplicateReplaceText), QMessageBox::DestructiveRole);
  QPushButton* keep = box.addButton(T(kDuplicateKeepBothText), QMessageBox::AcceptRole);
  QPushButton* skip = box.addButton(T(kDuplicateSkipText), QMessageBox::RejectRole);
  box.setDefaultButton(keep);
  box.setEscapeButton(skip);
  box.exec();
  if (box.clickedButton() == replace) return editing::DuplicateChoice::kReplace;
  if (box.clickedButton() == keep) return editing::DuplicateChoice::kKeepBoth;
  return editing::DuplicateChoice::kSkip;
}

void SetDuplicateResponder(std::function<editing::DuplicateChoice(const QString&)> responder) {
  Responder() = std::move(responder);
}

}  // namespace brisvel::presets
