// The progress dialog of batch operations (layout XML_PROGRESS).

#include "ui/progress_dialog.h"

#include "ui/layout_ids/xml_progress.h"
#include "ui/basic_controls.h"

namespace brisvel::ui {

CDlgProgress::CDlgProgress(QWidget* owner) : HostWindow(owner) { setModal(true); }

bool CDlgProgress::Create() { return built_ || (built_ = LoadLayout(layout::progress::kLayout)); }

void CDlgProgress::OnInit() {
  bar_ = Find<SkProgress>(layout::progress::kBar);
  SetTimer(kTimerId, kIntervalMs);
}

void CDlgProgress::OnTimer(int id) {
  if (id != kTimerId) return;
  if (!bar_) {
    if (finished_.load(std::memory_order_relaxed)) {
      KillTimer(kTimerId);
      EndDialog(kCancel);
    }
    return;
  }
  if (bar_->Value() == bar_->Max()) {
    KillTimer(kTimerId);
    EndDialog(kCancel);
    return;
  }
  bar_->SetValue(finished_.load(std::memory_order_relaxed) ? bar_->Max() : Progress());
}

bool CDlgProgress::OnEvent(const Event& e) {
  if (e.Id() == EventCmd && (e.senderName == "btn_close" || e.senderId == kCancelButtonId)) {
    KillTimer(kTimerId);
    EndDialog(kCancel);
    return true;
  }
  if (e.Id() == EventCmd && e.senderId == kOkButtonId) {
    KillTimer(kTimerId);
    EndDialog(kOk);
    return true;
  }
  return HostWindow::OnEvent(e);
}

}  // namespace brisvel::ui
