// Events of the toolkit: every control reports through one path to the handler
// of its host window, with the sender, its id and name and the event's fields.
// Handlers route them by control name, by id or by ranges of ids.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <vector>

namespace brisvel::ui {

// Event ids. The toolkit's own events come first; 29100-29102 are the
// application's events and keep their numbers.
enum EventId : int {
  EventCmd = 10000,           // "on_command": a click on a button, check or radio button
  EventSliderPos = 10001,     // "on_slider_pos": value = new position
  EventSelChanged = 10002,    // "on_sel_changed": value = new index
  EventStateChanged = 10003,  // "on_state_changed": value = check state 0/1
  EventKillFocus = 10004,     // "on_kill_focus"
  EventThumbMoving = 29100,        // "on_thumb_moving": args = owner band, proposed left/top, current left/top
  EventEditValueChanging = 29101,  // "on_edit_valuechanging": value = step +1, -1 or 0
  EventCarDelayChanged = 29102,    // "onCarDelayChanged"
};

const char* EventName(int eventId);

struct Event {
  int id = 0;
  QPointer<QWidget> sender;
  int senderId = 0;
  QString senderName;
  int value = 0;
  std::array<int, 5> args{};

  QString Name() const { return QString::fromLatin1(EventName(id)); }
};

// Builds an event for a control: fills in its id and name.
Event MakeEvent(int eventId, QWidget* sender);

// Sends the event to the host window that contains the sender. Returns true
// when a handler took it.
bool RaiseEvent(const Event& e);

// Routes events to callbacks by control name, id or id range; every matching
// route runs, in the order they were added.
class EventRouter {
 public:
  using Handler = std::function<void(const Event&)>;
  // eventId 0 matches every event.
  void OnName(int eventId, const QString& name, Handler h);
  void OnId(int eventId, int id, Handler h);
  void OnIdRange(int eventId, int firstId, int lastId, Handler h);
  void Clear() { routes_.clear(); }
  bool Dispatch(const Event& e) const;

 private:
  struct Route {
    int eventId;
    QString name;
    int first, last;
    Handler handler;
  };
  std::vector<Route> routes_;
};

}  // namespace brisvel::ui
