#include "console_text.h"

#include <cstdio>

namespace console {
namespace {

void AppendEscaped(char character, std::string &escaped) {
    const unsigned char byte = static_cast<unsigned char>(character);
    if (byte >= 0x20 && byte != 0x7F) {
        escaped += character;
    } else if (byte == '\n') {
        escaped += "\\n";
    } else if (byte == '\r') {
        escaped += "\\r";
    } else if (byte == '\t') {
        escaped += "\\t";
    } else {
        char code[8];
        std::snprintf(code, sizeof code, "\\x%02x", byte);
        escaped += code;
    }
}

}  // namespace

std::string EscapeControlBytes(const std::string &text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char character : text) {
        AppendEscaped(character, escaped);
    }
    return escaped;
}

std::string ListedName(const std::string &fullName) {
    std::string listed;
    listed.reserve(fullName.size());
    for (const char character : fullName) {
        if (character == '\\') {
            listed += "\\\\";
        } else {
            AppendEscaped(character, listed);
        }
    }
    return listed;
}

}  // namespace console
