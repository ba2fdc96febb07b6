// Error records and trace texts of the device link. Records go to the
// application's logger when one is installed, otherwise to the debugger output;
// trace texts go to a hook that discards them unless a sink is installed.
#pragma once

#include <functional>
#include <string>

namespace brisvel {

struct LogRecord {
  const char* tag;       // always "soui"
  const char* module;    // e.g. "common\\HidDevice\\HidBase"
  const char* function;  // e.g. "CHidBase::OpenDevice"
  int line;
  std::string text;
};

using LogRecordSink = std::function<void(const LogRecord&)>;
using TraceSink = std::function<void(const std::string&)>;

// Installs the application's error-level logger; empty falls back to the debugger output.
void SetErrorLogSink(LogRecordSink sink);
// Installs a receiver for trace texts; empty discards them (the default).
void SetTraceSink(TraceSink sink);

// One error-level record. Thread-safe.
void LogErrorRecord(const char* module, const char* function, int line, const char* format, ...)
    __attribute__((format(printf, 4, 5)));
// One trace text. Thread-safe.
void TraceText(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace brisvel

#define BRISVEL_LOG_ERROR(module, function, ...) ::brisvel::LogErrorRecord(module, function, __LINE__, __VA_ARGS__)
