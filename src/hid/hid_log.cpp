// Error records and trace texts of the device link: one process-wide logger
// hook with a fallback to the debugger output, and a trace hook.
#include "hid/hid_log.h"

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <mutex>

#include "core/debug_output.h"

namespace brisvel {
namespace {

std::mutex g_mutex;
std::shared_ptr<const LogRecordSink> g_logSink;
std::shared_ptr<const TraceSink> g_traceSink;

std::string VFormat(const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  char small[512];
  const int n = std::vsnprintf(small, sizeof small, format, copy);
  va_end(copy);
  if (n < 0) return {};
  if (static_cast<size_t>(n) < sizeof small) return std::string(small, static_cast<size_t>(n));
  std::string out(static_cast<size_t>(n) + 1, '\0');
  std::vsnprintf(out.data(), out.size(), format, args);
  out.resize(static_cast<size_t>(n));
  return out;
}

}  // namespace

void SetErrorLogSink(LogRecordSink sink) {
  std::lock_guard lock(g_mutex);
  g_logSink = sink ? std::make_shared<const LogRecordSink>(std::move(sink)) : nullptr;
}

void SetTraceSink(TraceSink sink) {
  std::lock_guard lock(g_mutex);
  g_traceSink = sink ? std::make_shared<const TraceSink>(std::move(sink)) : nullptr;
}

void LogErrorRecord(const char* module, const char* function, int line, const char* format, ...) {
  va_list args;
  va_start(args, format);
  LogRecord record{"soui", module, function, line, VFormat(format, args)};
  va_end(args);
  std::shared_ptr<const LogRecordSink> sink;
  {
    std::lock_guard lock(g_mutex);
    sink = g_logSink;
  }
  if (sink) {
    (*sink)(record);
  } else {
    DebugOutput("%s", record.text.c_str());
  }
}

void TraceText(const char* format, ...) {
  std::shared_ptr<const TraceSink> sink;
  {
    std::lock_guard lock(g_mutex);
    sink = g_traceSink;
  }
  if (!sink) return;
  va_list args;
  va_start(args, format);
  const std::string text = VFormat(format, args);
  va_end(args);
  (*sink)(text);
}

}  // namespace brisvel
