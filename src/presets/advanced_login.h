// The advanced login: a small modal dialog that asks for the fixed access code
// before the full console window is shown. There is one access level and no
// stored password; the code is a constant of the program.
#pragma once

#include <QString>

#include "presets/layout_ids/xml_advanced_login.h"
#include "ui/host_window.h"

namespace brisvel::ui {
class Edit;
class TextLabel;
}  // namespace brisvel::ui

namespace brisvel::presets {

inline constexpr char kAccessCode[] = "40721836";
inline constexpr const char* kLoginLayout = app::layout::advanced_login::kLayout;

enum class LoginCheck { kEmpty, kWrong, kAccepted };

// Compares the text exactly as typed: nothing is trimmed, letter case and
// length count.
LoginCheck CheckAccessCode(const QString& typed);

class CDlgLoginEventHandler : public ui::DialogEventHandler {
 public:
  void OnInit(ui::HostWindow& dlg) override;

  ui::Edit* PasswordBox() const { return pwd_; }
  ui::TextLabel* MessageLine() const { return msg_; }

 private:
  void OnOk(ui::HostWindow& dlg);

  ui::HostWindow* dlg_ = nullptr;
  ui::Edit* pwd_ = nullptr;
  ui::TextLabel* msg_ = nullptr;
};

using CLoginDlg = ui::CCommonDlg<CDlgLoginEventHandler>;

// Runs the dialog modally: 1 when the access code was entered, 2 when the
// dialog was cancelled or closed.
int OpenAdvancedLogin(QWidget* owner);

}  // namespace brisvel::presets
