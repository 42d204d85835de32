// How text of ISO 8859-1 goes into XML: the one rule of the library's report and the
// console runner's JUnit report. Header-only, so that each builds it in, and constant
// expressions, so that the report can make its table of every byte when compiling.
#pragma once

#include <cstddef>

namespace nvk {
namespace xml_text {

enum class Place { Text, Attribute };

// Long enough for every replacement ("&#x2401;", "&quot;").
constexpr std::size_t kLongestReplacement = 8;

// XML 1.0 admits no control character but tab, line feed and carriage return, not
// even written as a character reference.
constexpr bool IsForbiddenInXml(unsigned char byte) {
    return byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r';
}

// Whether the byte goes into XML as it is (before the text is encoded). Every byte
// that needs replacing is below '?', so most text takes the first test only.
constexpr bool IsPlain(unsigned char byte, Place place) {
    if (byte > '>') {
        return true;
    }
    switch (byte) {
    case '"':
    case '\'':
    case '<':
    case '>':
    case '&':
        return false;
    case '\t':
    case '\n':
    case '\r':
        return place == Place::Text;
    default:
        return !IsForbiddenInXml(byte);
    }
}

// Writes what stands for a byte that is not plain and returns its length. Markup
// characters become entities. A forbidden control byte becomes the visible symbol
// Unicode keeps for it (U+2400 plus the byte): the text stays readable by every XML
// tool, and the byte can still be told, since the text is otherwise all below U+0100.
// In an attribute, tab, line feed and carriage return become decimal character
// references, which a parser keeps where it would turn the characters into blanks.
constexpr std::size_t Replacement(unsigned char byte, char (&out)[kLongestReplacement]) {
    const char *entity = nullptr;
    switch (byte) {
    case '"':
        entity = "&quot;";
        break;
    case '\'':
        entity = "&apos;";
        break;
    case '<':
        entity = "&lt;";
        break;
    case '>':
        entity = "&gt;";
        break;
    case '&':
        entity = "&amp;";
        break;
    default:
        break;
    }
    std::size_t length = 0;
    if (entity != nullptr) {
        for (; entity[length] != '\0'; ++length) {
            out[length] = entity[length];
        }
        return length;
    }
    out[length++] = '&';
    out[length++] = '#';
    if (IsForbiddenInXml(byte)) {
        const char hexDigits[] = "0123456789ABCDEF";
        out[length++] = 'x';
        out[length++] = '2';
        out[length++] = '4';
        out[length++] = hexDigits[byte >> 4];
        out[length++] = hexDigits[byte & 0xF];
    } else {
        if (byte >= 10) {
            out[length++] = static_cast<char>('0' + byte / 10);
        }
        out[length++] = static_cast<char>('0' + byte % 10);
    }
    out[length++] = ';';
    return length;
}

// The UTF-8 form of a byte of ISO 8859-1, whose code point is the byte's value:
// one or two bytes written to out, their count returned.
constexpr std::size_t EncodeLatin1(unsigned char byte, char (&out)[2]) {
    if (byte < 0x80) {
        out[0] = static_cast<char>(byte);
        return 1;
    }
    out[0] = static_cast<char>(0xC0 | (byte >> 6));
    out[1] = static_cast<char>(0x80 | (byte & 0x3F));
    return 2;
}

}  // namespace xml_text
}  // namespace nvk
