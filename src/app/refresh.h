// The refresh notification: one application-wide signal that tells every
// window and dialog what changed under it, so it reloads its controls.
#pragma once

#include <QObject>

namespace brisvel::app {

enum class RefreshKind {
  kFull,          // the block changed: reload every control
  kGraphHandles,  // the EQ graph places its handles anew and redraws
  kConnection,    // a processor was connected or disconnected: reload every control
  kRecall,        // a device mode was recalled into the block: reload every control
};

// Every kind but the graph handles asks for a reload of all controls.
constexpr bool ReloadsAll(RefreshKind kind) { return kind != RefreshKind::kGraphHandles; }

class RefreshNotifier : public QObject {
  Q_OBJECT

 public:
  // Sent: every receiver has handled it when this returns (UI thread).
  void Send(RefreshKind kind) { Q_EMIT Refresh(kind); }
  // Posted: handled at the next turn of the UI thread's loop; any thread may post.
  void Post(RefreshKind kind);

 Q_SIGNALS:
  void Refresh(brisvel::app::RefreshKind kind);
};

}  // namespace brisvel::app
