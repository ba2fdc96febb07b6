// Events of the toolkit: every control reports through one path to the handler
// of its host window, with the sender, its id and name and the event's own
// fields, one struct per kind of event. Handlers route them by control name,
// by id or by ranges of ids.
//
// The contract of every control: an event reports what the user did (a click,
// a drag, a key, the wheel). A value, check state, selection or text set by
// code never raises one, so a window can reload its controls freely.
#pragma once

#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <variant>
#include <vector>

namespace brisvel::ui {

// Event ids. The toolkit's own events come first; 29100-29102 are the
// application's events and keep their numbers.
enum EventId : int {
  EventCmd = 10000,                // "on_command"
  EventSliderPos = 10001,          // "on_slider_pos"
  EventSelChanged = 10002,         // "on_sel_changed"
  EventStateChanged = 10003,       // "on_state_changed"
  EventKillFocus = 10004,          // "on_kill_focus"
  EventThumbMoving = 29100,        // "on_thumb_moving"
  EventEditValueChanging = 29101,  // "on_edit_valuechanging"
  EventCarDelayChanged = 29102,    // "onCarDelayChanged"
};

// A click on a button, check or radio button (after its check state changed).
struct CmdArgs {
  static constexpr int kId = EventCmd;
};
// A knob or slider moved by the user.
struct SliderPosArgs {
  static constexpr int kId = EventSliderPos;
  int position = 0;
};
// A list or tab control set to another item by the user.
struct SelChangedArgs {
  static constexpr int kId = EventSelChanged;
  int index = -1;
};
// A check or radio button's state changed by the user.
struct StateChangedArgs {
  static constexpr int kId = EventStateChanged;
  bool checked = false;
};
// An edit box lost the focus.
struct KillFocusArgs {
  static constexpr int kId = EventKillFocus;
};
// A graph handle dragged: where its top-left would go, and where it is; and
// what the graph that holds it reads from that in its own units: the
// frequency and gain at the proposed centre, each only when the handle moved
// along that axis, and the Q-table steps a Q handle moved.
struct ThumbMovingArgs {
  static constexpr int kId = EventThumbMoving;
  int ownerBand = -1;
  QPoint proposed;
  QPoint current;
  std::optional<double> frequency;  // Hz
  std::optional<double> gain;       // dB
  int qSteps = 0;
};
// A numeric edit box stepped up (+1), down (-1) or its text applied (0).
struct EditValueChangingArgs {
  static constexpr int kId = EventEditValueChanging;
  int step = 0;
};
// The car view changed a position and so the delays.
struct CarDelayChangedArgs {
  static constexpr int kId = EventCarDelayChanged;
};

using EventArgs = std::variant<CmdArgs, SliderPosArgs, SelChangedArgs, StateChangedArgs, KillFocusArgs,
                               ThumbMovingArgs, EditValueChangingArgs, CarDelayChangedArgs>;

const char* EventName(int eventId);

struct Event {
  EventArgs args;
  QPointer<QWidget> sender;
  int senderId = 0;
  QString senderName;

  int Id() const {
    return std::visit([](const auto& a) { return std::decay_t<decltype(a)>::kId; }, args);
  }
  QString Name() const { return QString::fromLatin1(EventName(Id())); }
  // The fields of the event when it is of that kind, otherwise nullptr.
  template <class T>
  const T* As() const {
    return std::get_if<T>(&args);
  }
};

// Builds an event of a control: its fields, and the control's id and name.
Event MakeEvent(QWidget* sender, EventArgs args);

// Sends the event to the host window that contains the sender. Returns true
// when a handler took it.
bool RaiseEvent(const Event& e);
// Builds and sends in one step.
inline bool RaiseEvent(QWidget* sender, EventArgs args) { return RaiseEvent(MakeEvent(sender, std::move(args))); }

// Routes events to callbacks by control name, id or id range; every matching
// route runs, in the order they were added.
class EventRouter {
 public:
  using Handler = std::function<void(const Event&)>;
  // What a route listens to: eventId 0 is every event; a name, or ids first ... last.
  struct Route {
    int eventId = 0;
    QString name;
    int first = 0, last = -1;
  };
  void OnName(int eventId, const QString& name, Handler h);
  void OnId(int eventId, int id, Handler h);
  void OnIdRange(int eventId, int firstId, int lastId, Handler h);
  // One kind of event of the ids first ... last, handed over with its fields:
  // f(const Event&, const Args&).
  template <class Args, class F>
  void On(int firstId, int lastId, F f) {
    OnIdRange(Args::kId, firstId, lastId, [f = std::move(f)](const Event& e) {
      if (const Args* args = e.As<Args>()) f(e, *args);
    });
  }
  void Clear() { routes_.clear(); }
  bool Dispatch(const Event& e) const;
  // The routes added so far, in order.
  std::vector<Route> Routes() const;

 private:
  struct Entry {
    Route route;
    Handler handler;
  };
  std::vector<Entry> routes_;
};

}  // namespace brisvel::ui
