// The line that tells a crash, written piece by piece into a fixed buffer.
#include "crash_facts.h"

#include <csignal>

namespace nvk {
namespace {

struct NamedCode {
    uint32_t code;
    const char *name;
};

const NamedCode kExceptionNames[] = {
    {0x80000002u, "EXCEPTION_DATATYPE_MISALIGNMENT"},
    {0x80000003u, "EXCEPTION_BREAKPOINT"},
    {0x80000004u, "EXCEPTION_SINGLE_STEP"},
    {0xC0000005u, "EXCEPTION_ACCESS_VIOLATION"},
    {0xC0000006u, "EXCEPTION_IN_PAGE_ERROR"},
    {0xC0000008u, "EXCEPTION_INVALID_HANDLE"},
    {0xC000001Du, "EXCEPTION_ILLEGAL_INSTRUCTION"},
    {0xC0000025u, "EXCEPTION_NONCONTINUABLE_EXCEPTION"},
    {0xC0000026u, "EXCEPTION_INVALID_DISPOSITION"},
    {0xC000008Cu, "EXCEPTION_ARRAY_BOUNDS_EXCEEDED"},
    {0xC000008Du, "EXCEPTION_FLT_DENORMAL_OPERAND"},
    {0xC000008Eu, "EXCEPTION_FLT_DIVIDE_BY_ZERO"},
    {0xC000008Fu, "EXCEPTION_FLT_INEXACT_RESULT"},
    {0xC0000090u, "EXCEPTION_FLT_INVALID_OPERATION"},
    {0xC0000091u, "EXCEPTION_FLT_OVERFLOW"},
    {0xC0000092u, "EXCEPTION_FLT_STACK_CHECK"},
    {0xC0000093u, "EXCEPTION_FLT_UNDERFLOW"},
    {0xC0000094u, "EXCEPTION_INT_DIVIDE_BY_ZERO"},
    {0xC0000095u, "EXCEPTION_INT_OVERFLOW"},
    {0xC0000096u, "EXCEPTION_PRIV_INSTRUCTION"},
    {0xC00000FDu, "EXCEPTION_STACK_OVERFLOW"},
    {0xC0000374u, "STATUS_HEAP_CORRUPTION"},
    {0xC0000409u, "STATUS_STACK_BUFFER_OVERRUN"},
    // What the C++ compilers of Windows raise for a throw: one that no frame of the
    // test caught arrives as it is.
    {0xE06D7363u, "C++ exception"},
    {0x20474343u, "C++ exception"},
    // The guard's own stand-in for abort() (crash_guard_windows.cpp).
    {0xE04E564Bu, "abort"},
};

#if !defined(_WIN32)
const NamedCode kSignalNames[] = {
    {SIGSEGV, "SIGSEGV"}, {SIGBUS, "SIGBUS"},   {SIGFPE, "SIGFPE"},
    {SIGILL, "SIGILL"},   {SIGTRAP, "SIGTRAP"}, {SIGABRT, "SIGABRT"},
};
#endif

template <std::size_t N>
const char *NameIn(const NamedCode (&table)[N], uint32_t code) {
    for (const NamedCode &entry : table) {
        if (entry.code == code) {
            return entry.name;
        }
    }
    return nullptr;
}

// Appends to the text as long as there is room, always leaving it terminated.
class Line {
public:
    explicit Line(char (&text)[kCrashDetailsSize]) : text_(text) { text_[0] = '\0'; }

    Line &operator<<(const char *piece) {
        for (; *piece != '\0' && length_ + 1 < kCrashDetailsSize; ++piece) {
            text_[length_++] = *piece;
        }
        text_[length_] = '\0';
        return *this;
    }

    Line &Decimal(uint32_t value) {
        char digits[11];
        char *start = digits + sizeof digits - 1;
        *start = '\0';
        do {
            *--start = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value != 0);
        return *this << start;
    }

    // "0x" and the value's hex digits, at least minimumDigits of them.
    Line &Hex(uintptr_t value, unsigned minimumDigits, bool upperCase) {
        const char *const digitSet = upperCase ? "0123456789ABCDEF" : "0123456789abcdef";
        char digits[17];
        char *start = digits + sizeof digits - 1;
        *start = '\0';
        unsigned written = 0;
        do {
            *--start = digitSet[value & 0xF];
            value >>= 4;
            ++written;
        } while ((value != 0 || written < minimumDigits) && start != digits);
        return *this << "0x" << start;
    }

    // A line end, in place of the last character when the line is full.
    void EndLine() {
        if (length_ + 1 >= kCrashDetailsSize) {
            --length_;
        }
        text_[length_++] = '\n';
        text_[length_] = '\0';
    }

private:
    char (&text_)[kCrashDetailsSize];
    std::size_t length_ = 0;
};

const char *AccessWords(FaultAccess access) {
    switch (access) {
    case FaultAccess::Read:
        return "read from address ";
    case FaultAccess::Write:
        return "write to address ";
    case FaultAccess::Execute:
        return "execute at address ";
    case FaultAccess::Unknown:
    case FaultAccess::None:
        break;
    }
    return "access to address ";
}

}  // namespace

const char *ExceptionName(uint32_t code) { return NameIn(kExceptionNames, code); }

const char *SignalName(uint32_t number) {
#if defined(_WIN32)
    (void)number;
    return nullptr;
#else
    return NameIn(kSignalNames, number);
#endif
}

void FormatCrashFacts(const CrashFacts &facts, char (&text)[kCrashDetailsSize]) {
    Line line(text);
    const char *name = nullptr;
    if (facts.signal) {
        line << "signal ";
        line.Decimal(facts.code);
        name = SignalName(facts.code);
    } else {
        line << "exception ";
        line.Hex(facts.code, 8, true);
        name = ExceptionName(facts.code);
    }
    if (name != nullptr) {
        line << " (" << name << ")";
    }
    if (facts.placeKnown) {
        line << " at ";
        if (facts.module != nullptr) {
            line << facts.module << "+";
            line.Hex(facts.place, 1, false);
        } else {
            line.Hex(facts.place, facts.addressDigits, false);
        }
    }
    if (facts.access != FaultAccess::None) {
        line << ": " << AccessWords(facts.access);
        line.Hex(facts.accessAddress, facts.addressDigits, false);
    }
}

void FormatCppException(const char *typeName, const char *what, char (&text)[kCrashDetailsSize]) {
    Line line(text);
    line << "C++ exception";
    if (typeName != nullptr) {
        line << " " << typeName;
    }
    if (what != nullptr) {
        line << ": " << what;
    }
}

void FormatLastChance(const char *running, const char *details, char (&text)[kCrashDetailsSize]) {
    Line line(text);
    line << "Norvik: the test " << running << " crashed on another thread: " << details;
    line.EndLine();
}

}  // namespace nvk
