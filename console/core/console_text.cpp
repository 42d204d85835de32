#include "console_text.h"

#include <cstdio>

namespace console {
namespace {

struct NamedCode {
    uint32_t code;
    const char *name;
};

// The exception codes a crashing test ends a Windows process with.
const NamedCode kExceptions[] = {
    {0x80000003u, "breakpoint"},
    {0xC0000005u, "access violation"},
    {0xC000001Du, "illegal instruction"},
    {0xC0000094u, "integer division by zero"},
    {0xC00000FDu, "stack overflow"},
    {0xC0000374u, "heap corruption"},
    {0xC0000409u, "stack buffer overrun or fast fail"},
    {0xC000013Au, "ended by Ctrl+C"},
};

const NamedCode kSignals[] = {
    {2, "SIGINT"}, {4, "SIGILL"},  {5, "SIGTRAP"},  {6, "SIGABRT"},  {7, "SIGBUS"},
    {8, "SIGFPE"}, {9, "SIGKILL"}, {11, "SIGSEGV"}, {13, "SIGPIPE"}, {15, "SIGTERM"},
};

template <size_t N>
const char *NameOf(const NamedCode (&table)[N], uint32_t code) {
    for (const NamedCode &entry : table) {
        if (entry.code == code) {
            return entry.name;
        }
    }
    return nullptr;
}

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

std::string DescribeProcessEnd(const ProcessEnd &end) {
    char text[160];
    const char *name = end.signalled ? NameOf(kSignals, end.code) : NameOf(kExceptions, end.code);
    const char *kind = end.signalled ? "signal" : (end.code >= 0x80000000u ? "exception" : "exit code");
    if (name != nullptr) {
        std::snprintf(text, sizeof text, "The test process ended during this test: %s 0x%X (%s)", kind,
                      static_cast<unsigned>(end.code), name);
    } else {
        std::snprintf(text, sizeof text, "The test process ended during this test: %s 0x%X", kind,
                      static_cast<unsigned>(end.code));
    }
    return text;
}

}  // namespace console
