// What the console runner prints: failures in the form IDEs and CI annotate, a line
// per test when verbose, and a summary that ends with the plain counts. It listens
// to the run's events; the session adds only the run's own lines and errors.
#pragma once

#include <string>
#include <vector>

#include "options.h"
#include "run_events.h"

namespace console {

// Colour unless NO_COLOR is set or the output is no terminal that takes it.
bool ColourWanted();

class ConsoleOutput final : public run::RunListener {
public:
    // toErrors: the run's lines go to standard error, standard output being another
    // report's.
    ConsoleOutput(Verbosity verbosity, bool colour, bool toErrors = false)
        : verbosity_(verbosity), colour_(colour), toErrors_(toErrors) {}

    // "Running N tests from library".
    void RunStarted(const run::LibraryRun &run) override;
    // Kept for the test's end: shown under a failing test's failure lines, and
    // under every test's line when verbose, as the test wrote it.
    void Output(const run::TestIdentity &test, const std::string &text) override;
    // "file(line): error: Batch.Test: message" for each failure; when verbose, a
    // line with the outcome and time first, or for a test that skipped itself
    // "[SKIP] Batch.Test (0.000 s) skipped: reason". A timeout is also told on
    // standard error. Control bytes in names and messages are escaped, so that
    // each failure stays one line.
    void TestEnded(const run::TestIdentity &test, const run::TestOutcome &outcome) override;
    // A failed try of a test that is tried again: its failures as
    // "file(line): warning: Batch.Test: try 1 of 3: message", which CI does not count
    // as errors.
    void TryFailed(const run::TestIdentity &test, const run::TestOutcome &outcome) override;

    void RepetitionStarted(unsigned repetition, unsigned count) const;
    void Shuffling(uint64_t seed) const;
    // Ends with the closing line; the flaky tests are named with their tries.
    void Summary(const run::Counts &counts, const std::vector<std::string> &failedTests,
                 const std::vector<std::string> &flakyTests = {}) const;
    void Listed(const std::string &fullName) const;

    // On standard error, with the program's name.
    void Error(const std::string &text) const;
    // On standard error, as "library: error: text", the form that build logs are
    // searched by; control bytes escaped.
    void LibraryError(const std::string &libraryPath, const std::string &text) const;

private:
    std::string Coloured(const char *code, const std::string &text) const;
    void Write(const std::string &text) const;
    void TestFinished(const std::string &fullName, const run::TestOutcome &test);
    void TestSkipped(const std::string &fullName, const run::TestOutcome &test);
    // "[OUTPUT] Batch.Test" and the test's output, ended with a line end; "" for none.
    std::string TakeOutput(const std::string &fullName);

    Verbosity verbosity_;
    bool colour_;
    bool toErrors_;
    std::string repetition_;  // the label of the library run in progress
    unsigned tries_ = 1;      // the most a test is tried in the library run in progress
    std::string output_;      // what the test about to end wrote
};

}  // namespace console
