#include "console_text.h"

#include <algorithm>
#include <cstdint>
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

std::string ClosingLine(unsigned passed, unsigned failed, unsigned skipped, unsigned notRun, unsigned flaky) {
    std::string line = std::to_string(passed) + " passed, " + std::to_string(failed) + " failed";
    if (skipped != 0) {
        line += ", " + std::to_string(skipped) + " skipped";
    }
    if (notRun != 0) {
        line += ", " + std::to_string(notRun) + " not run";
    }
    if (flaky != 0) {
        line += ", " + std::to_string(flaky) + " flaky";
    }
    return line;
}

std::string MillisecondsText(double seconds) {
    // Beyond 2^53 milliseconds the count is no longer exact; no run lasts that long.
    const double milliseconds = seconds > 0 ? std::min(seconds * 1000 + 0.5, 9007199254740992.0) : 0.0;
    const auto count = static_cast<uint64_t>(milliseconds);
    const std::string fraction = std::to_string(count % 1000);
    return std::to_string(count / 1000) + "." + std::string(3 - fraction.size(), '0') + fraction;
}

}  // namespace console
