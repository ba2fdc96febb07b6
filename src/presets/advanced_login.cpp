// The advanced-login dialog's handler: OK checks the typed code, Cancel and the
// close button end the dialog with 2.

#include "presets/advanced_login.h"

#include "presets/layout_ids/xml_advanced_login.h"
#include "ui/basic_controls.h"

namespace brisvel::presets {

LoginCheck CheckAccessCode(const QString& typed) {
  if (typed.isEmpty()) return LoginCheck::kEmpty;
  return typed == QLatin1String(kAccessCode) ? LoginCheck::kAccepted : LoginCheck::kWrong;
}

void CDlgLoginEventHandler::OnInit(ui::HostWindow& dlg) {
  namespace ids = app::layout::advanced_login;
  dlg_ = &dlg;
  pwd_ = dlg.Find<ui::Edit>(ids::kPassword);
  msg_ = dlg.Find<ui::TextLabel>(ids::kMessage);
  ui::EventRouter& r = dlg.Router();
  r.OnName(ui::EventCmd, ids::kOk, [this, &dlg](const ui::Event&) { OnOk(dlg); });
  for (const char* cancel : {ids::kCancel, ids::kClose})
    r.OnName(ui::EventCmd, cancel, [&dlg](const ui::Event&) { dlg.EndDialog(ui::HostWindow::kCancelButtonId); });
  if (pwd_) pwd_->setFocus(Qt::OtherFocusReason);
}

void CDlgLoginEventHandler::OnOk(ui::HostWindow& dlg) {
  const QString typed = pwd_ ? pwd_->text() : QString();
  switch (CheckAccessCode(typed)) {
    case LoginCheck::kAccepted:
      dlg.EndDialog(1);
      return;
    case LoginCheck::kEmpty:
      if (msg_) msg_->SetText(QStringLiteral("Please enter password"));
      break;
    case LoginCheck::kWrong:
      if (msg_) msg_->SetText(QStringLiteral("Password is incorrect"));
      break;
  }
  if (pwd_) pwd_->setFocus(Qt::OtherFocusReason);
}

int OpenAdvancedLogin(QWidget* owner) {
  CLoginDlg dlg(QString::fromLatin1(kLoginLayout), owner);
  if (!dlg.Create()) return 2;
  dlg.CentreOn(owner);
  const int result = dlg.DoModal();
  return result == 1 ? 1 : 2;
}

}  // namespace brisvel::presets
