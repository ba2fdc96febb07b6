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
  LogRecord record{"soui", module, function, line, VFormatString(format, args)};
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
  const std::string text = VFormatString(format, args);
  va_end(args);
  (*sink)(text);
}

}  // namespace brisvel
