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

std::size_t PlainLength(const char *text) {
    if (text == nullptr) {
        return 0;
    }
    const unsigned char *cursor = reinterpret_cast<const unsigned char *>(text);
    while (kExpansion.extra[*cursor] == 0) {
        ++cursor;
    }
    if (*cursor != 0) {
        return SIZE_MAX;
    }
    return static_cast<std::size_t>(cursor - reinterpret_cast<const unsigned char *>(text));
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

std::size_t CountLength(uint32_t count) { return static_cast<std::size_t>(seconds_text::CountDigits(count)); }

char *WriteCount(char *out, uint32_t count) {
    const int digits = seconds_text::CountDigits(count);
    seconds_text::WriteDigits(out, count, digits);
    return out + digits;
}

std::size_t SecondsLength(double seconds) {
    uint64_t units = 0;
    if (seconds_text::ToUnits(seconds, units)) {
        return seconds_text::ShortSeconds(units).Length();
    }
    return std::strlen(FormatSeconds(seconds).text);
}

char *WriteSeconds(char *out, double seconds) {
    uint64_t units = 0;
    if (seconds_text::ToUnits(seconds, units)) {
        const seconds_text::ShortSeconds text(units);
        text.Write(out);
        return out + text.Length();
    }
    const SecondsText text = FormatSeconds(seconds);
    const std::size_t length = std::strlen(text.text);
    std::memcpy(out, text.text, length);
    return out + length;
}

}  // namespace nvk
