// Message boxes built from the layout XML_MSGBOX.

#include "ui/message_box.h"

#include "ui/host_window.h"
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

int MessageBox(QWidget* owner, const QString& text, const QString& caption, MessageButtons buttons) {
  MessageBoxRequest req;
  req.owner = owner;
  req.text = Tr(text);
  req.caption = caption.isNull() ? DefaultMessageCaption() : Tr(caption);
  req.buttons = buttons;
  if (Responder()) return Responder()(req);

  HostWindow box(owner ? owner->window() : nullptr);
  if (!box.LoadLayout("XML_MSGBOX")) return buttons == MessageButtons::Ok ? kIdOk : kIdNo;
  if (auto* e = AsElement(box.FindByName("msgtitle"))) e->SetText(req.caption);
  if (auto* e = AsElement(box.FindByName("msgtext"))) e->SetText(req.text);
  const bool yesNo = buttons == MessageButtons::YesNo;
  if (QWidget* w = box.FindById(kIdOk)) w->setVisible(!yesNo);
  if (QWidget* w = box.FindById(kIdYes)) w->setVisible(yesNo);
  if (QWidget* w = box.FindById(kIdNo)) w->setVisible(yesNo);
  for (int id : {kIdOk, kIdYes, kIdNo}) box.Router().OnId(EventCmd, id, [&box, id](const Event&) { box.EndDialog(id); });
  box.Router().OnName(EventCmd, "btn_close", [&box, yesNo](const Event&) { box.EndDialog(yesNo ? kIdNo : kIdOk); });
  box.FitToContent(QSize(320, 0));
  box.setWindowTitle(req.caption);
  if (owner) box.move(owner->window()->geometry().center() - box.rect().center());
  const int answer = box.DoModal();
  if (answer == kIdOk || answer == kIdYes || answer == kIdNo) return answer;
  return yesNo ? kIdNo : kIdOk;
}

}  // namespace brisvel::ui
