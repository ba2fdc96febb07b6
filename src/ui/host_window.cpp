// Host windows built from layouts: control lookup, event delivery, timers and
// modal runs.

#include "ui/host_window.h"

#include "ui/layout_loader.h"

#include <QKeyEvent>
#include <QTimerEvent>
#include <pugixml.hpp>

namespace brisvel::ui {

HostWindow::HostWindow(QWidget* owner) : QDialog(owner) {
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  setAttribute(Qt::WA_DeleteOnClose, false);
  root_ = new Panel(this);
  root_->setObjectName("root");
}

HostWindow::~HostWindow() {
  for (const auto& [id, qtId] : timers_) killTimer(qtId);
}

HostWindow* HostWindow::Of(QWidget* control) {
  return control ? dynamic_cast<HostWindow*>(control->window()) : nullptr;
}

bool HostWindow::LoadLayout(const QString& resourceName) {
  const QByteArray xml = LayoutResource(resourceName);
  if (xml.isEmpty()) {
    qWarning("layout %s not found", qPrintable(resourceName));
    return false;
  }
  layoutName_ = resourceName.startsWith("LAYOUT:", Qt::CaseInsensitive) ? resourceName.mid(7) : resourceName;
  return LoadLayoutXml(xml);
}

bool HostWindow::LoadLayoutXml(const QByteArray& xml) {
  pugi::xml_document doc;
  const pugi::xml_parse_result parsed = doc.load_buffer(xml.constData(), static_cast<size_t>(xml.size()));
  if (!parsed) {
    qWarning("layout %s does not parse: %s", qPrintable(layoutName_), parsed.description());
    return false;
  }
  const pugi::xml_node top = doc.document_element();
  // Window attributes; the rest are the root panel's.
  int width = -1, height = -1;
  bool resizable = false;
  for (const pugi::xml_attribute a : top.attributes()) {
    const QString name = QString::fromUtf8(a.name());
    const QString value = QString::fromUtf8(a.value());
    if (name == "width") width = ParseInt(value, -1);
    else if (name == "height") height = ParseInt(value, -1);
    else if (name == "title") setWindowTitle(value);
    else if (name == "resizable" || name == "resize") resizable = ParseBool(value);
    else if (name == "trCtx") setProperty("brisvel_trctx", value);
    else if (name == "escClose") escapeCloses_ = ParseBool(value);
    else if (name == "toolWindow" && ParseBool(value)) setWindowFlag(Qt::Tool, true);
    else if (name == "margin") root_->SetAttribute("padding", value);
    else root_->SetAttribute(name, value);
  }
  setProperty("brisvel_loading", true);
  BuildChildren(root_, top);
  root_->OnChildrenCreated();
  setProperty("brisvel_loading", false);
  QSize s(width, height);
  autoWidth_ = width < 0;
  autoHeight_ = height < 0;
  if (width < 0 || height < 0) {
    const QSize content = root_->ContentSize();
    if (width < 0) s.setWidth(content.width());
    if (height < 0) s.setHeight(content.height());
  }
  if (resizable) resize(s);
  else setFixedSize(s);
  root_->setGeometry(rect());
  root_->Relayout();
  loaded_ = true;
  OnInit();
  return true;
}

void HostWindow::FitToContent(QSize minimum) {
  root_->Relayout();
  const QSize content = root_->ContentSize();
  QSize s = size();
  if (autoWidth_) s.setWidth(std::max(content.width(), minimum.width()));
  if (autoHeight_) s.setHeight(std::max(content.height(), minimum.height()));
  setFixedSize(s);
  root_->setGeometry(rect());
  root_->Relayout();
}

QWidget* HostWindow::FindById(int id) const {
  lookedUpIds_.insert(id);
  return ui::FindById(root_, id);
}

QWidget* HostWindow::FindByName(const QString& name) const {
  lookedUpNames_.insert(name);
  return ui::FindByName(root_, name);
}

bool HostWindow::DispatchEvent(const Event& e) {
  if (!e.sender || e.sender->window() != this) return false;
  if (property("brisvel_loading").toBool()) return false;
  return OnEvent(e);
}

bool HostWindow::OnEvent(const Event& e) {
  if (router_.Dispatch(e)) return true;
  // Standard buttons of dialogs: close, OK (1), cancel (2).
  if (e.Id() == EventCmd && isModal()) {
    if (e.senderName == "btn_close" || e.senderId == kCancelButtonId) {
      EndDialog(kCancelButtonId);
      return true;
    }
    if (e.senderId == kOkButtonId) {
      EndDialog(kOkButtonId);
      return true;
    }
  }
  return false;
}

void HostWindow::SetTimer(int id, int intervalMs) {
  KillTimer(id);
  const int qtId = startTimer(std::max(1, intervalMs));
  if (qtId != 0) timers_[id] = qtId;
}

void HostWindow::KillTimer(int id) {
  auto it = timers_.find(id);
  if (it == timers_.end()) return;
  killTimer(it->second);
  timers_.erase(it);
}

void HostWindow::timerEvent(QTimerEvent* e) {
  for (const auto& [id, qtId] : timers_) {
    if (qtId == e->timerId()) {
      OnTimer(id);
      return;
    }
  }
  QDialog::timerEvent(e);
}

void HostWindow::OnTimer(int) {}

void HostWindow::CentreOn(const QWidget* owner) {
  if (owner) move(owner->window()->geometry().center() - rect().center());
}

int HostWindow::DoModal() { return exec(); }

void HostWindow::EndDialog(int code) { done(code); }

void HostWindow::resizeEvent(QResizeEvent* e) {
  QDialog::resizeEvent(e);
  root_->setGeometry(rect());
}

bool HostWindow::ClickStandardButton(int id, const QString& name) {
  QWidget* button = id != 0 ? FindById(id) : nullptr;
  if (!button && !name.isEmpty()) button = FindByName(name);
  if (!button || !button->isVisible() || !button->isEnabled()) return false;
  // The same event a click on the button raises, through the same handler.
  RaiseEvent(button, CmdArgs{});
  return true;
}

void HostWindow::keyPressEvent(QKeyEvent* e) {
  const int key = e->key();
  const bool plain = e->modifiers() == Qt::NoModifier || (key == Qt::Key_Enter && e->modifiers() == Qt::KeypadModifier);
  if (isModal() && plain) {
    // In a dialog Enter (main or keypad) is OK and Escape is Cancel; a dialog
    // without Cancel closes on Escape as with its close button.
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      ClickStandardButton(kOkButtonId, QString());
      e->accept();
      return;
    }
    if (key == Qt::Key_Escape) {
      if (!ClickStandardButton(kCancelButtonId, QString()) && !ClickStandardButton(0, QStringLiteral("btn_close")) &&
          escapeCloses_)
        reject();
      e->accept();
      return;
    }
  }
  if (key == Qt::Key_Escape && !escapeCloses_) {
    e->accept();
    return;
  }
  QDialog::keyPressEvent(e);
}

}  // namespace brisvel::ui
