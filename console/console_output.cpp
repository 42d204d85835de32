#include "console_output.h"

#include <cstdio>

#include "console_text.h"
#include "platform.h"

namespace console {
namespace {

const char kRed[] = "\x1b[31m";
const char kGreen[] = "\x1b[32m";

}  // namespace

std::string ConsoleOutput::Coloured(const char *code, const std::string &text) const {
    return colour_ ? code + text + "\x1b[0m" : text;
}

void ConsoleOutput::LibraryStarted(const std::string &path, size_t selectedTests) const {
    if (verbosity_ != Verbosity::Quiet) {
        std::printf("Running %lu test%s from %s\n", static_cast<unsigned long>(selectedTests),
                    selectedTests == 1 ? "" : "s", path.c_str());
    }
}

void ConsoleOutput::TestFinished(const std::string &rawName, const TestRecord &test) const {
    const std::string fullName = EscapeControlBytes(rawName);
    if (verbosity_ == Verbosity::Verbose) {
        const bool passed = test.outcome == Outcome::Passed;
        std::printf("%s %s (%.3f s)\n", Coloured(passed ? kGreen : kRed, passed ? "[PASS]" : "[FAIL]").c_str(),
                    fullName.c_str(), test.seconds);
    }
    for (const FailureRecord &failure : test.failures) {
        std::printf("%s(%d): %s %s: %s\n", failure.file.c_str(), failure.line, Coloured(kRed, "error:").c_str(),
                    fullName.c_str(), EscapeControlBytes(failure.message).c_str());
    }
    // CI logs show each line as it comes, also when a later test hangs.
    std::fflush(stdout);
}

void ConsoleOutput::Summary(const Counts &counts, const std::vector<std::string> &failedTests) const {
    if (verbosity_ != Verbosity::Quiet) {
        std::printf("%u test%s ran in %.3f s\n", counts.passed + counts.failed,
                    counts.passed + counts.failed == 1 ? "" : "s", counts.seconds);
        if (!failedTests.empty()) {
            std::printf("Failed tests:\n");
            for (const std::string &name : failedTests) {
                std::printf("  %s\n", Coloured(kRed, EscapeControlBytes(name)).c_str());
            }
        }
    }
    // The last line stays plain, for scripts that read it.
    std::printf("%u passed, %u failed", counts.passed, counts.failed);
    if (counts.skipped != 0) {
        std::printf(", %u skipped", counts.skipped);
    }
    std::printf("\n");
    std::fflush(stdout);
}

void ConsoleOutput::Error(const std::string &text) const {
    std::fflush(stdout);
    std::fprintf(stderr, "%s: %s\n", kProgramName, text.c_str());
    std::fflush(stderr);
}

std::string SecondsText(double seconds) {
    char text[48];
    std::snprintf(text, sizeof text, "%g second%s", seconds, seconds == 1 ? "" : "s");
    return text;
}

}  // namespace console
