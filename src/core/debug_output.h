// The "RezUriru:" debugger-output channel: printf-style lines handed to one
// process-wide sink (standard error with --verbose, a test capture, or nothing).
#pragma once

#include <cstdarg>
#include <functional>
#include <string>
#include <string_view>

namespace brisvel {

using DebugSink = std::function<void(std::string_view line)>;

// Replaces the sink; an empty sink discards every line. Thread-safe.
void SetDebugOutputSink(DebugSink sink);

// Formats like printf and hands the text to the sink. Thread-safe.
void DebugOutput(const char* format, ...) __attribute__((format(printf, 1, 2)));

// vprintf-style formatting into a std::string; consumes args like vsnprintf.
std::string VFormatString(const char* format, va_list args);

// printf-style formatting into a std::string.
std::string FormatString(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace brisvel
