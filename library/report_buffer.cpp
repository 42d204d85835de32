// Measuring and writing the variable parts of the report: escaped text, counts and times.
#include "report_buffer.h"

#include "seconds_text.h"
#include "xml_text.h"

namespace {

namespace xml_text = nvk::xml_text;

// The end of a text, never added: a text's loop stops on it first.
constexpr uint8_t kEndOfText = 0xFF;

// For each byte, how many more bytes than one it takes in the report: its entity or
// control picture, or its second byte of UTF-8. Plain text is all zeros, so a text
// is copied byte for byte until something else comes.
struct ExpansionTable {
    uint8_t extra[256] = {};

    constexpr ExpansionTable() {
        for (unsigned byte = 1; byte < 256; ++byte) {
            const auto value = static_cast<unsigned char>(byte);
            char replacement[xml_text::kLongestReplacement] = {};
            char encoded[2] = {};
            if (!xml_text::IsPlain(value, xml_text::Place::Text)) {
                extra[byte] = static_cast<uint8_t>(xml_text::Replacement(value, replacement) - 1);
            } else {
                extra[byte] = static_cast<uint8_t>(xml_text::EncodeLatin1(value, encoded) - 1);
            }
        }
        extra[0] = kEndOfText;
    }
};

constexpr ExpansionTable kExpansion;

char *WriteUnusual(char *out, unsigned char byte) {
    if (xml_text::IsPlain(byte, xml_text::Place::Text)) {
        char encoded[2];
        const std::size_t count = xml_text::EncodeLatin1(byte, encoded);
        std::memcpy(out, encoded, count);
        return out + count;
    }
    char replacement[xml_text::kLongestReplacement];
    const std::size_t count = xml_text::Replacement(byte, replacement);
    std::memcpy(out, replacement, count);
    return out + count;
}

// A time's text: short ones without the C library, the rest as the window writes them.
std::size_t TimeText(double seconds, char (&shortText)[nvk::seconds_text::kShortLength], nvk::SecondsText &longText,
                     const char *&text) {
    if (const std::size_t length = nvk::seconds_text::FormatShort(seconds, shortText)) {
        text = shortText;
        return length;
    }
    longText = nvk::FormatSeconds(seconds);
    text = longText.text;
    return std::strlen(text);
}

}  // namespace

namespace nvk {

std::size_t EscapedLength(const char *text) {
    if (text == nullptr) {
        return 0;
    }
    const unsigned char *cursor = reinterpret_cast<const unsigned char *>(text);
    std::size_t extra = 0;
    for (; *cursor != 0; ++cursor) {
        extra += kExpansion.extra[*cursor];
    }
    return static_cast<std::size_t>(cursor - reinterpret_cast<const unsigned char *>(text)) + extra;
}

char *WriteEscaped(char *out, const char *text) {
    if (text == nullptr) {
        return out;
    }
    for (const unsigned char *cursor = reinterpret_cast<const unsigned char *>(text);; ++cursor) {
        const unsigned char byte = *cursor;
        if (kExpansion.extra[byte] == 0) {
            *out++ = static_cast<char>(byte);
            continue;
        }
        if (byte == 0) {
            return out;
        }
        out = WriteUnusual(out, byte);
    }
}

std::size_t CountLength(uint32_t count) {
    std::size_t digits = 1;
    for (; count >= 10; count /= 10) {
        ++digits;
    }
    return digits;
}

char *WriteCount(char *out, uint32_t count) {
    char *const end = out + CountLength(count);
    seconds_text::DigitsBefore(end, count, 1);
    return end;
}

std::size_t SecondsLength(double seconds) {
    char shortText[seconds_text::kShortLength];
    nvk::SecondsText longText;
    const char *text = nullptr;
    return TimeText(seconds, shortText, longText, text);
}

char *WriteSeconds(char *out, double seconds) {
    char shortText[seconds_text::kShortLength];
    nvk::SecondsText longText;
    const char *text = nullptr;
    const std::size_t length = TimeText(seconds, shortText, longText, text);
    std::memcpy(out, text, length);
    return out + length;
}

}  // namespace nvk
