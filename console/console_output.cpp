#include "console_output.h"

#include <cstdlib>

#include "console_text.h"
#include "platform.h"
#include "result_store.h"

namespace console {
namespace {

const char kRed[] = "\x1b[31m";
const char kGreen[] = "\x1b[32m";
const char kYellow[] = "\x1b[33m";

}  // namespace

void ConsoleOutput::Write(const std::string &text) const {
    if (toErrors_) {
        WriteError(text);
    } else {
        WriteOutput(text);
    }
}

std::string ConsoleOutput::Coloured(const char *code, const std::string &text) const {
    return colour_ ? code + text + "\x1b[0m" : text;
}

void ConsoleOutput::RunStarted(const run::LibraryRun &run) {
    repetition_ = RepetitionLabel(run);
    tries_ = run.retries + 1;
    const size_t selected = run.selection.size();
    if (verbosity_ != Verbosity::Quiet) {
        Write("Running " + std::to_string(selected) + (selected == 1 ? " test" : " tests") + " from " +
              EscapeControlBytes(run.library) + "\n");
    }
}

void ConsoleOutput::Output(const run::TestIdentity &, const std::string &text) { output_ += text; }

void ConsoleOutput::TestEnded(const run::TestIdentity &test, const run::TestOutcome &outcome) {
    // A passing test that is not printed costs no name.
    const bool verbose = verbosity_ == Verbosity::Verbose;
    if (outcome.ending == run::Ending::NotRun || (!verbose && outcome.failures.empty())) {
        output_.clear();
        return;
    }
    const std::string fullName = test.FullName() + repetition_;
    if (outcome.ending == run::Ending::Skipped) {
        TestSkipped(fullName, outcome);
        return;
    }
    if (outcome.ending == run::Ending::TimedOut && !outcome.failures.empty()) {
        Error(EscapeControlBytes(fullName) + ": " + outcome.failures.back().message);
    }
    TestFinished(fullName, outcome);
}

// A failed try's output stays with it, under its warnings.
void ConsoleOutput::TryFailed(const run::TestIdentity &test, const run::TestOutcome &outcome) {
    const std::string fullName = EscapeControlBytes(test.FullName() + repetition_);
    const std::string prefix = Coloured(kYellow, "warning:") + " " + fullName + ": try " +
                               std::to_string(outcome.tries) + " of " + std::to_string(tries_) + ": ";
    std::string text;
    for (const run::Failure &failure : outcome.failures) {
        text += EscapeControlBytes(failure.file) + "(" + std::to_string(failure.line) + "): " + prefix +
                EscapeControlBytes(run::ShownMessage(failure)) + "\n";
    }
    Write(text + TakeOutput(fullName));
}

void ConsoleOutput::RepetitionStarted(unsigned repetition, unsigned count) const {
    if (verbosity_ != Verbosity::Quiet) {
        Write("Repetition " + std::to_string(repetition) + " of " + std::to_string(count) + "\n");
    }
}

void ConsoleOutput::Shuffling(uint64_t seed) const { Write("Shuffling with --seed " + std::to_string(seed) + "\n"); }

void ConsoleOutput::TestFinished(const std::string &rawName, const run::TestOutcome &test) {
    const std::string fullName = EscapeControlBytes(rawName);
    std::string text;
    if (verbosity_ == Verbosity::Verbose) {
        const bool passed = test.ending == run::Ending::Passed;
        text += Coloured(passed ? kGreen : kRed, passed ? "[PASS]" : "[FAIL]") + " " + fullName + " (" +
                MillisecondsText(test.seconds) + " s" + (test.tries > 1 ? ", try " + std::to_string(test.tries) : "") +
                ")\n";
    }
    for (const run::Failure &failure : test.failures) {
        text += EscapeControlBytes(failure.file) + "(" + std::to_string(failure.line) +
                "): " + Coloured(kRed, "error:") + " " + fullName + ": " +
                EscapeControlBytes(run::ShownMessage(failure)) + "\n";
    }
    Write(text + TakeOutput(fullName));
}

std::string ConsoleOutput::TakeOutput(const std::string &fullName) {
    if (output_.empty()) {
        return std::string();
    }
    std::string text = Coloured(kYellow, "[OUTPUT]") + " " + fullName + "\n";
    text += output_;
    if (text.back() != '\n') {
        text += '\n';
    }
    output_.clear();
    return text;
}

void ConsoleOutput::Summary(const run::Counts &counts, const std::vector<std::string> &failedTests,
                            const std::vector<std::string> &flakyTests) const {
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
        if (!flakyTests.empty()) {
            text += "Flaky tests:\n";
            for (const std::string &name : flakyTests) {
                text += "  " + Coloured(kYellow, EscapeControlBytes(name)) + "\n";
            }
        }
    }
    // The last line stays plain, for scripts that read it.
    Write(text + ClosingLine(counts.passed, counts.failed, counts.skipped, counts.notRun, counts.flaky) + "\n");
}

void ConsoleOutput::TestSkipped(const std::string &fullName, const run::TestOutcome &test) {
    if (verbosity_ == Verbosity::Verbose) {
        Write(Coloured(kYellow, "[SKIP]") + " " + EscapeControlBytes(fullName) + " (" + MillisecondsText(test.seconds) +
              " s) skipped" + (test.reason.empty() ? "" : ": " + EscapeControlBytes(test.reason)) + "\n" +
              TakeOutput(EscapeControlBytes(fullName)));
    }
    output_.clear();
}

void ConsoleOutput::Listed(const std::string &fullName) const { Write(ListedName(fullName) + "\n"); }

void ConsoleOutput::Error(const std::string &text) const { WriteError(std::string(kProgramName) + ": " + text + "\n"); }

void ConsoleOutput::LibraryError(const std::string &libraryPath, const std::string &text) const {
    WriteError(EscapeControlBytes(libraryPath) + ": error: " + EscapeControlBytes(text) + "\n");
}

bool ColourWanted() {
    const char *noColour = std::getenv("NO_COLOR");
    return (noColour == nullptr || noColour[0] == '\0') && PrepareColourTerminal();
}

}  // namespace console
