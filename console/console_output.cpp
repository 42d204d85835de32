#include "console_output.h"

#include "console_text.h"
#include "platform.h"

namespace console {
namespace {

const char kRed[] = "\x1b[31m";
const char kGreen[] = "\x1b[32m";
const char kYellow[] = "\x1b[33m";

}  // namespace

std::string ConsoleOutput::Coloured(const char *code, const std::string &text) const {
    return colour_ ? code + text + "\x1b[0m" : text;
}

void ConsoleOutput::LibraryStarted(const std::string &path, size_t selectedTests) const {
    if (verbosity_ != Verbosity::Quiet) {
        WriteOutput("Running " + std::to_string(selectedTests) + (selectedTests == 1 ? " test" : " tests") + " from " +
                    EscapeControlBytes(path) + "\n");
    }
}

void ConsoleOutput::RepetitionStarted(unsigned repetition, unsigned count) const {
    if (verbosity_ != Verbosity::Quiet) {
        WriteOutput("Repetition " + std::to_string(repetition) + " of " + std::to_string(count) + "\n");
    }
}

void ConsoleOutput::Shuffling(uint64_t seed) const {
    WriteOutput("Shuffling with --seed " + std::to_string(seed) + "\n");
}

void ConsoleOutput::TestFinished(const std::string &rawName, const TestRecord &test) const {
    const std::string fullName = EscapeControlBytes(rawName);
    std::string text;
    if (verbosity_ == Verbosity::Verbose) {
        const bool passed = test.outcome == Outcome::Passed;
        text += Coloured(passed ? kGreen : kRed, passed ? "[PASS]" : "[FAIL]") + " " + fullName + " (" +
                MillisecondsText(test.seconds) + " s)\n";
    }
    for (const FailureRecord &failure : test.failures) {
        text += EscapeControlBytes(failure.file) + "(" + std::to_string(failure.line) +
                "): " + Coloured(kRed, "error:") + " " + fullName + ": " + EscapeControlBytes(ShownMessage(failure)) +
                "\n";
    }
    WriteOutput(text);
}

void ConsoleOutput::Summary(const Counts &counts, const std::vector<std::string> &failedTests) const {
    std::string text;
    const unsigned ran = counts.passed + counts.failed;
    if (verbosity_ != Verbosity::Quiet) {
        text += std::to_string(ran) + (ran == 1 ? " test" : " tests") + " ran in " + MillisecondsText(counts.seconds) +
                " s\n";
        if (!failedTests.empty()) {
            text += "Failed tests:\n";
            for (const std::string &name : failedTests) {
                text += "  " + Coloured(kRed, EscapeControlBytes(name)) + "\n";
            }
        }
    }
    // The last line stays plain, for scripts that read it.
    WriteOutput(text + ClosingLine(counts.passed, counts.failed, counts.skipped, counts.notRun) + "\n");
}

void ConsoleOutput::TestSkipped(const std::string &fullName, const TestRecord &test) const {
    if (verbosity_ == Verbosity::Verbose) {
        WriteOutput(Coloured(kYellow, "[SKIP]") + " " + EscapeControlBytes(fullName) + " (" +
                    MillisecondsText(test.seconds) + " s) skipped" +
                    (test.skipReason.empty() ? "" : ": " + EscapeControlBytes(test.skipReason)) + "\n");
    }
}

void ConsoleOutput::Listed(const std::string &fullName) const { WriteOutput(ListedName(fullName) + "\n"); }

void ConsoleOutput::Error(const std::string &text) const { WriteError(std::string(kProgramName) + ": " + text + "\n"); }

void ConsoleOutput::LibraryError(const std::string &libraryPath, const std::string &text) const {
    WriteError(EscapeControlBytes(libraryPath) + ": error: " + EscapeControlBytes(text) + "\n");
}

}  // namespace console
