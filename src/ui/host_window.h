// Host windows: a top-level window or dialog built from a layout. It finds
// its controls by name or id, receives every event its controls raise and
// routes them, runs window timers, and ends modal loops with a result.
#pragma once

#include "ui/element.h"
#include "ui/panel.h"
#include "ui/ui_event.h"

#include <QDialog>
#include <map>
#include <set>

namespace brisvel::ui {

class HostWindow : public QDialog {
 public:
  // The standard buttons of dialogs: OK and Cancel.
  static constexpr int kOkButtonId = 1;
  static constexpr int kCancelButtonId = 2;

  explicit HostWindow(QWidget* owner = nullptr);
  ~HostWindow() override;

  // Builds the window from a built-in layout ("XML_..." or "LAYOUT:XML_...").
  bool LoadLayout(const QString& resourceName);
  // Builds the window from layout XML text.
  bool LoadLayoutXml(const QByteArray& xml);
  Panel* Root() const { return root_; }
  // Sizes a self-sizing window (a layout without width or height) to its
  // content after texts changed, at least to minimum.
  void FitToContent(QSize minimum = {});
  // True once a layout has been built into the window.
  bool IsLoaded() const { return loaded_; }
  QString LayoutName() const { return layoutName_; }

  QWidget* FindById(int id) const;
  QWidget* FindByName(const QString& name) const;
  template <class T>
  T* Find(int id) const { return dynamic_cast<T*>(FindById(id)); }
  template <class T>
  T* Find(const QString& name) const { return dynamic_cast<T*>(FindByName(name)); }

  // Every id and name the window's code has looked up so far: with the
  // router's routes, what the window binds of its layout.
  const std::set<int>& LookedUpIds() const { return lookedUpIds_; }
  const std::set<QString>& LookedUpNames() const { return lookedUpNames_; }

  // Routes to callbacks; consulted after OnEvent.
  EventRouter& Router() { return router_; }
  // Delivers an event of one of this window's controls. Events whose sender
  // belongs to another top-level window are ignored.
  bool DispatchEvent(const Event& e);

  // Window timers by the application's ids.
  void SetTimer(int id, int intervalMs);
  void KillTimer(int id);
  bool HasTimer(int id) const { return timers_.count(id) != 0; }

  // Places the window centred over the owner's window (nothing without one).
  void CentreOn(const QWidget* owner);
  // Runs the window modally; returns the code given to EndDialog.
  int DoModal();
  void EndDialog(int code);

  // The host of a control: the HostWindow its top-level window is, or nullptr.
  static HostWindow* Of(QWidget* control);

 protected:
  // After the layout is built.
  virtual void OnInit() {}
  // Every event of this window's controls; return true when handled.
  virtual bool OnEvent(const Event& e);
  virtual void OnTimer(int id);
  void timerEvent(QTimerEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  // Raises the click of the visible, enabled button with the id (or, for id 0,
  // the name); false when there is none.
  bool ClickStandardButton(int id, const QString& name);

  Panel* root_ = nullptr;
  QString layoutName_;
  EventRouter router_;
  std::map<int, int> timers_;  // application id -> Qt timer id
  mutable std::set<int> lookedUpIds_;
  mutable std::set<QString> lookedUpNames_;
  bool escapeCloses_ = false;
  bool loaded_ = false;
  bool autoWidth_ = false, autoHeight_ = false;
};

// The event-handler side of a dialog: finds its controls when the dialog
// initialises (skipping those the layout lacks) and answers events and timers.
class DialogEventHandler {
 public:
  virtual ~DialogEventHandler() = default;
  virtual void OnInit(HostWindow& dlg) { (void)dlg; }
  virtual bool OnEvent(HostWindow& dlg, const Event& e) {
    (void)dlg;
    (void)e;
    return false;
  }
  virtual void OnTimer(HostWindow& dlg, int id) {
    (void)dlg;
    (void)id;
  }
};

// The one dialog host, parameterised by its event-handler class.
template <class THandler>
class CCommonDlg : public HostWindow {
 public:
  template <class... Args>
  explicit CCommonDlg(QString layout, QWidget* owner = nullptr, Args&&... handlerArgs)
      : HostWindow(owner), layout_(std::move(layout)), handler_(std::forward<Args>(handlerArgs)...) {}

  THandler& Handler() { return handler_; }
  // Builds the layout (once) without showing the dialog.
  bool Create() { return IsLoaded() || LoadLayout(layout_); }
  int DoModal() {
    if (!Create()) return -1;
    return HostWindow::DoModal();
  }

 protected:
  void OnInit() override { handler_.OnInit(*this); }
  bool OnEvent(const Event& e) override { return handler_.OnEvent(*this, e) || HostWindow::OnEvent(e); }
  void OnTimer(int id) override { handler_.OnTimer(*this, id); }

 private:
  QString layout_;
  THandler handler_;
};

}  // namespace brisvel::ui
