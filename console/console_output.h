// What the console runner prints: failures in the form IDEs and CI annotate, a line
// per test when verbose, and a summary that ends with the plain counts. It only
// listens: the session hands it what happened.
#pragma once

#include <string>
#include <vector>

#include "options.h"
#include "result_store.h"

namespace console {

class ConsoleOutput {
public:
    ConsoleOutput(Verbosity verbosity, bool colour) : verbosity_(verbosity), colour_(colour) {}

    void LibraryStarted(const std::string &path, size_t selectedTests) const;
    void RepetitionStarted(unsigned repetition, unsigned count) const;
    void Shuffling(uint64_t seed) const;
    // "file(line): error: Batch.Test: message" for each failure; when verbose, a
    // line with the outcome and time first. Control bytes in names and messages are
    // escaped, so that each failure stays one line.
    void TestFinished(const std::string &fullName, const TestRecord &test) const;
    // Whether TestFinished prints anything for the test.
    bool PrintsTest(const TestRecord &test) const { return PrintsPassedTests() || !test.failures.empty(); }
    bool PrintsPassedTests() const { return verbosity_ == Verbosity::Verbose; }
    // When verbose, a test that skipped itself: "[SKIP] Batch.Test (0.000 s) skipped:
    // reason", its reason's control bytes escaped.
    void TestSkipped(const std::string &fullName, const TestRecord &test) const;
    void Summary(const Counts &counts, const std::vector<std::string> &failedTests) const;
    void Listed(const std::string &fullName) const;

    // On standard error, with the program's name.
    void Error(const std::string &text) const;
    // On standard error, as "library: error: text", the form that build logs are
    // searched by; control bytes escaped.
    void LibraryError(const std::string &libraryPath, const std::string &text) const;

private:
    std::string Coloured(const char *code, const std::string &text) const;

    Verbosity verbosity_;
    bool colour_;
};

}  // namespace console
