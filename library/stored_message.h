// The failure message as a check stores it: at most 1023 characters, and a cut never
// leaves the first bytes of a UTF-8 character at its end.
#pragma once

#include <cstdarg>
#include <cstddef>

namespace nvk {

constexpr std::size_t kStoredMessageSize = 1024;

// length, less the bytes of a UTF-8 character that the first length bytes of text end
// inside; text that is not UTF-8 there is kept as it is.
std::size_t LengthOfWholeCharacters(const char *text, std::size_t length);

// format, formatted with arguments when it holds a '%', else as it is, into buffer.
void FormatMessage(char (&buffer)[kStoredMessageSize], const char *format, va_list arguments);

// format, formatted with arguments when it holds a '%', else as it is; a tracked copy, or
// NULL when it is empty.
char *StoreMessage(const char *format, va_list arguments);

}  // namespace nvk
