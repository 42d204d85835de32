#include "process_end.h"

#include <cstddef>
#include <cstdio>

#include "worker_contract.h"

namespace run {
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

}  // namespace

std::string DescribeProcessEnd(const ProcessEnd &end) {
    char text[160];
    if (!end.signalled && end.code == kExitChannelLost) {
        return "The test closed its process's channel to the runner: its result is lost";
    }
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

std::string SecondsText(double seconds) {
    char text[48];
    std::snprintf(text, sizeof text, "%g second%s", seconds, seconds == 1 ? "" : "s");
    return text;
}

std::string TimeoutMessage(double limitSeconds) { return "Timed out after " + SecondsText(limitSeconds); }

}  // namespace run
