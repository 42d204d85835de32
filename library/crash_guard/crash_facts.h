// What the crash guard learns about a fault, and the one line that tells it:
// what happened, where, and for a bad access which address it read, wrote or
// executed. Formatting takes no heap and no C runtime formatting, so that a
// guard may use it wherever it stands.
#pragma once

#include <cstddef>
#include <cstdint>

namespace nvk {

enum class FaultAccess { None, Unknown, Read, Write, Execute };

struct CrashFacts {
    bool signal = false;  // a POSIX signal rather than a Windows exception
    uint32_t code = 0;    // the exception code, or the signal's number
    // Where the faulting instruction is: in a module (its file name) at an offset,
    // else at an address; neither when unknown.
    const char *module = nullptr;
    uintptr_t place = 0;
    bool placeKnown = false;
    // A bad access: its kind (None: not an access fault) and the address it touched.
    FaultAccess access = FaultAccess::None;
    uintptr_t accessAddress = 0;
    unsigned addressDigits = 2 * sizeof(void *);
};

constexpr std::size_t kCrashDetailsSize = 512;

// "exception 0xC0000005 (EXCEPTION_ACCESS_VIOLATION) at tests.dll+0x1a2b: write to
// address 0x0000000000000000", "signal 11 (SIGSEGV) at 0x0000000000000000: execute at
// address 0x0000000000000000"; a name unknown is left out, and so is a place. A text
// too long for the buffer is cut.
void FormatCrashFacts(const CrashFacts &facts, char (&text)[kCrashDetailsSize]);

// "C++ exception std::runtime_error: what it said"; the type and what it said are
// left out when unknown (NULL).
void FormatCppException(const char *typeName, const char *what, char (&text)[kCrashDetailsSize]);

// The one line a crash guard writes on standard error when a thread other than the run's
// crashed during a test: "Norvik: the test Batch.Name crashed on another thread: ...",
// with the details above and a line end.
void FormatLastChance(const char *running, const char *details, char (&text)[kCrashDetailsSize]);

// The symbolic name of a Windows exception code or a signal; NULL when unknown.
const char *ExceptionName(uint32_t code);
const char *SignalName(uint32_t number);

}  // namespace nvk
