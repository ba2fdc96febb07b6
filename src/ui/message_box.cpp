// Message boxes built from the layout XML_MSGBOX.

#include "ui/message_box.h"

#include "ui/host_window.h"
#include "ui/layout_ids/xml_msgbox.h"
#include "ui/translation.h"

#include <QApplication>

namespace brisvel::ui {

namespace {
std::function<int(const MessageBoxRequest&)>& Responder() {
  static std::function<int(const MessageBoxRequest&)> responder;
  return responder;
}
}  // namespace

QString DefaultMessageCaption() {
  const QString app = QApplication::applicationDisplayName();
  return Tr(app.isEmpty() ? QStringLiteral("Message") : app);
}

void SetMessageBoxResponder(std::function<int(const MessageBoxRequest&)> responder) {
  Responder() = std::move(responder);
}

bool BuildMessageBox(HostWindow& box, const MessageBoxRequest& req) {
  namespace ids = layout::msgbox;
  if (!box.LoadLayout(ids::kLayout)) return false;
  if (auto* e = AsElement(box.FindByName(ids::kTitle))) e->SetText(req.caption);
  if (auto* e = AsElement(box.FindByName(ids::kText))) e->SetText(req.text);
  const bool yesNo = req.buttons == MessageButtons::YesNo;
  if (QWidget* w = box.FindById(ids::kOk)) w->setVisible(!yesNo);
  if (QWidget* w = box.FindById(ids::kYes)) w->setVisible(yesNo);
  if (QWidget* w = box.FindById(ids::kNo)) w->setVisible(yesNo);
  for (int id : {ids::kOk, ids::kYes, ids::kNo})
    box.Router().OnId(EventCmd, id, [&box, id](const Event&) { box.EndDialog(id); });
  box.Router().OnName(EventCmd, ids::kClose, [&box, yesNo](const Event&) { box.EndDialog(yesNo ? kIdNo : kIdOk); });
  return true;
}

int MessageBox(QWidget* owner, const QString& text, const QString& caption, MessageButtons buttons) {
  MessageBoxRequest req;
  req.owner = owner;
  req.text = Tr(text);
  req.caption = caption.isNull() ? DefaultMessageCaption() : Tr(caption);
  req.buttons = buttons;
  if (Responder()) return Responder()(req);

  HostWindow box(owner ? owner->window() : nullptr);
  if (!BuildMessageBox(box, req)) return buttons == MessageButtons::Ok ? kIdOk : kIdNo;
  const bool yesNo = buttons == MessageButtons::YesNo;
  box.FitToContent(QSize(320, 0));
  box.setWindowTitle(req.caption);
  if (owner) box.move(owner->window()->geometry().center() - box.rect().center());
  const int answer = box.DoModal();
  if (answer == kIdOk || answer == kIdYes || answer == kIdNo) return answer;
  return yesNo ? kIdNo : kIdOk;
}

}  // namespace brisvel::ui
