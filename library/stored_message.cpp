// The failure message as a check stores it, cut to the length every reader expects.
#include "stored_message.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "norvik.h"

namespace nvk {

namespace {

bool IsContinuationByte(unsigned char byte) { return byte >= 0x80 && byte <= 0xBF; }

// The bytes of the character a lead byte starts; 0 for a byte that starts none of several.
std::size_t AnnouncedLength(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    return lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
}

}  // namespace

// Only a lead byte followed by fewer continuation bytes than it announces goes.
std::size_t LengthOfWholeCharacters(const char *text, std::size_t length) {
    const unsigned char *bytes = reinterpret_cast<const unsigned char *>(text);
    std::size_t start = length;
    while (start > 0 && length - start < 3 && IsContinuationByte(bytes[start - 1])) {
        --start;
    }
    if (start == 0) {
        return length;
    }
    const std::size_t present = length - start + 1;
    return AnnouncedLength(bytes[start - 1]) > present ? start - 1 : length;
}

void FormatMessage(char (&buffer)[kStoredMessageSize], const char *format, va_list arguments) {
    constexpr std::size_t kLongestMessage = kStoredMessageSize - 1;
    std::size_t length = 0;
    if (std::strchr(format, '%') == nullptr) {
        length = std::strlen(format);
        std::memcpy(buffer, format, std::min(length, kLongestMessage));
    } else {
        const int written = std::vsnprintf(buffer, sizeof buffer, format, arguments);
        length = written < 0 ? 0 : static_cast<std::size_t>(written);
    }
    if (length > kLongestMessage) {
        length = LengthOfWholeCharacters(buffer, kLongestMessage);
    }
    buffer[length] = '\0';
}

char *StoreMessage(const char *format, va_list arguments) {
    char buffer[kStoredMessageSize];
    FormatMessage(buffer, format, arguments);
    return NvkMemCopyString(buffer);
}

}  // namespace nvk
