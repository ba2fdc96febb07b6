// Event names, event construction and the routing of events to host windows.

#include "ui/ui_event.h"

#include "ui/element.h"
#include "ui/host_window.h"

namespace brisvel::ui {

const char* EventName(int eventId) {
  switch (eventId) {
    case EventCmd: return "on_command";
    case EventSliderPos: return "on_slider_pos";
    case EventSelChanged: return "on_sel_changed";
    case EventStateChanged: return "on_state_changed";
    case EventKillFocus: return "on_kill_focus";
    case EventThumbMoving: return "on_thumb_moving";
    case EventEditValueChanging: return "on_edit_valuechanging";
    case EventCarDelayChanged: return "onCarDelayChanged";
    default: return "";
  }
}

Event MakeEvent(QWidget* sender, EventArgs args) {
  Event e;
  e.args = std::move(args);
  e.sender = sender;
  e.senderId = ElementId(sender);
  if (sender) e.senderName = sender->objectName();
  return e;
}

bool RaiseEvent(const Event& e) {
  if (!e.sender) return false;
  HostWindow* host = HostWindow::Of(e.sender);
  return host != nullptr && host->DispatchEvent(e);
}

void EventRouter::OnName(int eventId, const QString& name, Handler h) {
  routes_.push_back({{eventId, name, 0, -1}, std::move(h)});
}

void EventRouter::OnId(int eventId, int id, Handler h) {
  routes_.push_back({{eventId, QString(), id, id}, std::move(h)});
}

void EventRouter::OnIdRange(int eventId, int firstId, int lastId, Handler h) {
  routes_.push_back({{eventId, QString(), firstId, lastId}, std::move(h)});
}

std::vector<EventRouter::Route> EventRouter::Routes() const {
  std::vector<Route> routes;
  routes.reserve(routes_.size());
  for (const Entry& e : routes_) routes.push_back(e.route);
  return routes;
}

bool EventRouter::Dispatch(const Event& e) const {
  bool handled = false;
  const int id = e.Id();
  // Routes may be added while a handler runs; walk by index.
  for (size_t i = 0; i < routes_.size(); ++i) {
    const Route& r = routes_[i].route;
    if (r.eventId != 0 && r.eventId != id) continue;
    const bool match = r.name.isEmpty() ? (e.senderId >= r.first && e.senderId <= r.last) : r.name == e.senderName;
    if (match && routes_[i].handler) {
      const Handler h = routes_[i].handler;
      h(e);
      handled = true;
    }
  }
  return handled;
}

}  // namespace brisvel::ui
