// The failure message as a check stores it: at most 1023 characters, and a cut never
// leaves the first bytes of a UTF-8 character at its end.
#pragma once

#include <cstdarg>
#include <cstddef>

namespace nvk {

constexpr std::size_t kStoredMessageSize = 1024;

// format, formatted with arguments when it holds a '%', else as it is, into buffer.
void FormatMessage(char (&buffer)[kStoredMessageSize], const char *format, va_list arguments);

// format, formatted with arguments when it holds a '%', else as it is; a tracked copy, or
// NULL when it is empty.
char *StoreMessage(const char *format, va_list arguments);

}  // namespace nvk
