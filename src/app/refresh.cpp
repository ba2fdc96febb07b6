// The refresh notification.

#include "app/refresh.h"

namespace brisvel::app {

void RefreshNotifier::Post(RefreshKind kind) {
  QMetaObject::invokeMethod(this, [this, kind] { Send(kind); }, Qt::QueuedConnection);
}

}  // namespace brisvel::app
