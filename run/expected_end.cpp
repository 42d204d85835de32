#include "expected_end.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "crash_texts.h"

namespace run {
namespace {

constexpr uint32_t kStackOverflow = 0xC00000FDu;

std::string Printed(const char *format, uint32_t value) {
    char text[80];
    std::snprintf(text, sizeof text, format, static_cast<unsigned>(value));
    return text;
}

std::string CodeText(uint32_t code, bool crashesAreSignals) {
    return crashesAreSignals ? Printed("signal %u", code) : Printed("0x%08X", code);
}

// The crash as the console shows its details; a bare code where none are known.
std::string CrashText(const ActualEnd &actual, bool crashesAreSignals) {
    if (!actual.crashDetails.empty()) {
        return actual.crashDetails;
    }
    return crashesAreSignals ? Printed("signal %u", actual.code) : Printed("exception 0x%08X", actual.code);
}

bool ReadsNumber(const std::string &text, const char *prefix, int base, uint32_t &number) {
    const size_t length = std::strlen(prefix);
    if (text.compare(0, length, prefix) != 0) {
        return false;
    }
    char *end = nullptr;
    const unsigned long value = std::strtoul(text.c_str() + length, &end, base);
    if (end == text.c_str() + length) {
        return false;
    }
    number = static_cast<uint32_t>(value);
    return true;
}

std::string JudgeExit(uint32_t code, const ActualEnd &actual, bool crashesAreSignals) {
    switch (actual.kind) {
    case ActualEnd::Kind::Exited:
        return actual.code == code ? ""
                                   : Printed("expected the process to exit with %u", code) +
                                         Printed("; it exited with %u", actual.code);
    case ActualEnd::Kind::Crashed:
        return Printed("expected exit code %u; the test crashed: ", code) + CrashText(actual, crashesAreSignals);
    case ActualEnd::Kind::Returned:
        break;
    }
    return Printed("expected the process to exit with %u; the test returned", code);
}

std::string JudgeCrash(uint32_t code, const ActualEnd &actual, bool crashesAreSignals) {
    const std::string expected =
        code == 0 ? std::string("expected a crash") : "expected a crash (" + CodeText(code, crashesAreSignals) + ")";
    switch (actual.kind) {
    case ActualEnd::Kind::Crashed:
        return code == 0 || actual.code == code
                   ? ""
                   : expected + "; the test crashed: " + CrashText(actual, crashesAreSignals);
    case ActualEnd::Kind::Exited:
        return expected + Printed("; the process exited with %u", actual.code);
    case ActualEnd::Kind::Returned:
        break;
    }
    return expected + "; the test returned";
}

}  // namespace

ExpectedEnd ExpectedEndOf(NvkTestFunction *test) {
    ExpectedEnd expected;
    switch (NvkTestFunctionGetExpectedEnd(test, &expected.code)) {
    case NvkExpectedEndExit:
        expected.kind = ExpectedEnd::Kind::Exit;
        break;
    case NvkExpectedEndCrash:
        expected.kind = ExpectedEnd::Kind::Crash;
        break;
    default:
        expected = ExpectedEnd();
        break;
    }
    return expected;
}

bool NeedsOwnWorker(const ExpectedEnd &expected) {
#if defined(_WIN64)
    const bool overflowEscapesTheGuard = true;
#else
    const bool overflowEscapesTheGuard = false;
#endif
    return expected.kind == ExpectedEnd::Kind::Exit ||
           (expected.kind == ExpectedEnd::Kind::Crash && overflowEscapesTheGuard &&
            (expected.code == 0 || expected.code == kStackOverflow));
}

ActualEnd EndOfCrash(const std::string &crashDetails) {
    ActualEnd actual;
    actual.kind = ActualEnd::Kind::Crashed;
    actual.crashDetails = crashDetails;
    if (!ReadsNumber(crashDetails, "exception 0x", 16, actual.code)) {
        ReadsNumber(crashDetails, "signal ", 10, actual.code);
    }
    return actual;
}

ActualEnd EndOfProcess(const ProcessEnd &end, bool crashesAreSignals) {
    ActualEnd actual;
    const bool crashed = end.signalled || (!crashesAreSignals && end.code >= 0x80000000u);
    actual.kind = crashed ? ActualEnd::Kind::Crashed : ActualEnd::Kind::Exited;
    actual.code = end.code;
    return actual;
}

std::string JudgeEnd(const ExpectedEnd &expected, const ActualEnd &actual, bool crashesAreSignals) {
    switch (expected.kind) {
    case ExpectedEnd::Kind::Exit:
        return JudgeExit(expected.code, actual, crashesAreSignals);
    case ExpectedEnd::Kind::Crash:
        return JudgeCrash(expected.code, actual, crashesAreSignals);
    case ExpectedEnd::Kind::Return:
        break;
    }
    return "";
}

bool IsTestFunctionCrash(const ReportedFailure &failure) {
    return failure.line == 0 && failure.message == nvk::kTestCrash;
}

void RecordJudgement(const ExpectedEnd &expected, const ActualEnd &actual) {
    const std::string failure = JudgeEnd(expected, actual);
    if (!failure.empty()) {
        NvkAssert(0, nullptr, 0, "%s", failure.c_str());
    }
}

}  // namespace run
