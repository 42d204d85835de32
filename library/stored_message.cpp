// The failure message as a check stores it, cut to the length every reader expects.
#include "stored_message.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "norvik.h"

namespace nvk {

namespace {

constexpr std::size_t kLongestMessage = 1023;

}  // namespace

char *StoreMessage(const char *format, va_list arguments) {
    char buffer[kLongestMessage + 1];
    std::size_t length = 0;
    if (std::strchr(format, '%') == nullptr) {
        length = std::strlen(format);
        std::memcpy(buffer, format, std::min(length, kLongestMessage));
    } else {
        const int written = std::vsnprintf(buffer, sizeof buffer, format, arguments);
        length = written < 0 ? 0 : static_cast<std::size_t>(written);
    }
    buffer[std::min(length, kLongestMessage)] = '\0';
    return NvkMemCopyString(buffer);
}

}  // namespace nvk
