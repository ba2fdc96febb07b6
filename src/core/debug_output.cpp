// Process-wide debugger-output sink.
#include "core/debug_output.h"

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <mutex>

namespace brisvel {
namespace {

std::mutex g_mutex;
std::shared_ptr<const DebugSink> g_sink;

}  // namespace

std::string VFormatString(const char* format, va_list args) {
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

void SetDebugOutputSink(DebugSink sink) {
  std::lock_guard lock(g_mutex);
  g_sink = sink ? std::make_shared<const DebugSink>(std::move(sink)) : nullptr;
}

void DebugOutput(const char* format, ...) {
  std::shared_ptr<const DebugSink> sink;
  {
    std::lock_guard lock(g_mutex);
    sink = g_sink;
  }
  if (!sink) return;
  va_list args;
  va_start(args, format);
  const std::string line = VFormatString(format, args);
  va_end(args);
  (*sink)(line);
}

std::string FormatString(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string s = VFormatString(format, args);
  va_end(args);
  return s;
}

}  // namespace brisvel
