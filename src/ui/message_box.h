// Message boxes: a text, an optional owner and caption, OK or Yes/No. Texts
// pass through the active translation; without a caption the toolkit's
// default caption is shown. Answers: 1 OK, 6 Yes, 7 No.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>

namespace brisvel::ui {

constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

enum class MessageButtons { Ok, YesNo };

// The caption shown when a message box is given none.
QString DefaultMessageCaption();

struct MessageBoxRequest {
  QWidget* owner = nullptr;
  QString text;     // translated
  QString caption;  // translated, or the default caption
  MessageButtons buttons = MessageButtons::Ok;
};

// Shows the message box modally and returns the answer. An empty caption
// (a null QString) gives the default caption; an explicitly empty caption
// ("") stays empty.
int MessageBox(QWidget* owner, const QString& text, const QString& caption = QString(),
               MessageButtons buttons = MessageButtons::Ok);

class HostWindow;
// Builds the message box window for the request into box (layout XML_MSGBOX,
// texts, buttons and their routes); false when the layout is missing.
bool BuildMessageBox(HostWindow& box, const MessageBoxRequest& request);

// Replaces the modal window by a function (for automated runs); pass an empty
// function to restore the window.
void SetMessageBoxResponder(std::function<int(const MessageBoxRequest&)> responder);

}  // namespace brisvel::ui
