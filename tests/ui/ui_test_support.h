// Helpers of the widget tests: a host window built from inline layout XML
// and a recorder of the events its controls raise.
#pragma once

#include "ui/host_window.h"

#include <QApplication>
#include <QTest>
#include <memory>
#include <vector>

namespace brisvel::ui::test {

struct EventLog {
  std::vector<Event> events;
  int Count(int eventId) const {
    int n = 0;
    for (const Event& e : events) n += e.Id() == eventId;
    return n;
  }
  const Event* Last(int eventId) const {
    for (auto it = events.rbegin(); it != events.rend(); ++it)
      if (it->Id() == eventId) return &*it;
    return nullptr;
  }
};

// A shown host window built from xml; every event lands in log.
inline std::unique_ptr<HostWindow> MakeHost(const char* xml, EventLog* log = nullptr) {
  auto host = std::make_unique<HostWindow>();
  if (log) host->Router().OnIdRange(0, INT_MIN, INT_MAX, [log](const Event& e) { log->events.push_back(e); });
  if (!host->LoadLayoutXml(QByteArray(xml))) return nullptr;
  host->show();
  QApplication::processEvents();
  return host;
}

}  // namespace brisvel::ui::test
