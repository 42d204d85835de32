// The JUnit report of results copied from a real run: its counts, failure types and
// how it writes names and messages that XML cannot hold as they are.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "junit_report.h"
#include "library_feed.h"
#include "norvik.h"
#include "registry_fixture.h"
#include "result_store.h"

namespace {

void NVK_CALL Passes() { NvkAssert(1, "odd.c", 10, "fine"); }
void NVK_CALL FailsOddly() { NvkAssert(0, "odd.c", 12, "%s", "bad\x01 <caf\xE9>\n\"end\""); }
void NVK_CALL Throws() { throw std::runtime_error("thrown"); }
void NVK_CALL SaysItCrashed() { NvkAssert(0, "odd.c", 20, "A crash was detected in the unit test function"); }

void NVK_CALL SkipsItself() { NvkSkip("no %s", "<printer>"); }

void NVK_CALL TimesOut() { NvkAssert(0, nullptr, 0, "%s", "Timed out after 2 seconds"); }

class JunitReport : public RegistryTest {
protected:
    // The selected tests (skip flag 0) of the registry, as a run of library starts them.
    void Start(console::ResultStore &results, const std::string &library) {
        index_ = run::RegistryIndex::OfLoadedLibrary();
        run::LibraryRun libraryRun;
        libraryRun.library = library;
        libraryRun.index = &index_;
        for (const run::TestRef &test : index_.Selected()) {
            libraryRun.selection.push_back(index_.KeyOf(test));
        }
        results.RunStarted(libraryRun);
    }

    // The test's end, as the event stream brings it.
    void End(console::ResultStore &results, run::TestKey key, const std::string &library,
             run::Ending ending = run::Ending::Passed) {
        run::TestOutcome outcome = run::OutcomeFromRegistry(index_.Function(key), index_[key], library);
        if (ending != run::Ending::Passed) {
            outcome.ending = ending;
        }
        results.TestEnded(index_[key], outcome);
    }

    // Runs the selected tests and records each as the console runner does.
    console::ResultStore RunAll() {
        console::ResultStore results;
        Start(results, "odd.dll");
        NvkBatchRun(nullptr);
        for (const run::TestRef &test : index_.Selected()) {
            End(results, index_.KeyOf(test), "odd.dll");
        }
        return results;
    }

    run::RegistryIndex index_;
};

TEST_F(JunitReport, CountsTypesAndEscapesWhatXmlCannotHold) {
    NvkBatch *batch = NvkBatchCreate("Odd <&> 'b'");
    NvkBatchAddFunctionImp(batch, "Passes", Passes);
    NvkBatchAddFunctionImp(batch, "FailsOddly", FailsOddly);
    NvkBatchAddFunctionAt(batch, "Throws", Throws, "odd_tests.c", 31);
    NvkBatchAddFunctionImp(batch, "SaysItCrashed", SaysItCrashed);
    NvkTestFunctionSetSkip(NvkBatchAddFunctionImp(batch, "Skipped", Proc<1>), 1);
    const console::ResultStore results = RunAll();
    const std::string report = console::JunitReport(results);

    for (const char *expected : {
             "<testsuites name=\"Norvik\" tests=\"4\" failures=\"3\" errors=\"0\" skipped=\"0\"",
             "<testsuite name=\"Odd &lt;&amp;&gt; &apos;b&apos;\" tests=\"4\"",
             "<testcase classname=\"Odd &lt;&amp;&gt; &apos;b&apos;\" name=\"Passes\" time=",
             "<failure message=\"bad&#x2401; &lt;caf\xC3\xA9&gt;&#10;&quot;end&quot;\" type=\"assertion\">"
             "odd.c(12): bad&#x2401; &lt;caf\xC3\xA9&gt;\n&quot;end&quot;\n</failure>",
             // A crash is at its test's place, with what it ran into.
             " file=\"odd_tests.c\" line=\"31\">\n      <failure message=\"A crash was detected in the unit "
             "test function: ",
             "type=\"crash\">odd_tests.c(31): A crash was detected in the unit test function: ",
             // The same words from an assertion, on a line of its own, are no crash.
             "<failure message=\"A crash was detected in the unit test function\" type=\"assertion\">odd.c(20)",
         }) {
        EXPECT_NE(std::string::npos, report.find(expected)) << expected << "\nin\n" << report;
    }
    // A test the run left out is no result of it.
    EXPECT_EQ(std::string::npos, report.find("Skipped")) << report;
    // Only the test whose place is known has one.
    EXPECT_EQ(report.find(" file="), report.rfind(" file=")) << report;
}

TEST_F(JunitReport, ATimeoutIsItsOwnFailureTypeAndStopsTheRest) {
    NvkBatch *batch = NvkBatchCreate("Slow");
    NvkTestFunction *hangs = NvkBatchAddFunctionImp(batch, "Hangs", TimesOut);
    NvkBatchAddFunctionImp(batch, "NeverReached", Proc<2>);
    console::ResultStore results;
    Start(results, "slow.dll");
    NvkTestFunctionRun(hangs);
    End(results, 0, "slow.dll", run::Ending::TimedOut);
    run::TestOutcome notRun;
    notRun.reason = "the run ended at a timeout";
    results.TestEnded(index_[1], notRun);
    const std::string report = console::JunitReport(results);
    // The test's time is what the check took, a millisecond or more on a busy machine.
    const size_t hangsCase = report.find("name=\"Hangs\" time=\"");
    ASSERT_NE(std::string::npos, hangsCase) << report;
    EXPECT_EQ(report.find("\">\n      <failure message=\"Timed out after 2 seconds\" "
                          "type=\"timeout\">slow.dll(0): Timed out after 2 seconds\n</failure>",
                          hangsCase),
              report.find("\">", hangsCase))
        << report;
    EXPECT_NE(std::string::npos, report.find("<skipped message=\"not run: the run ended at a timeout\"/>"));
}

// A repeated test keeps its own name, the repetition after it, and a flaky test is a
// passed testcase that holds each failed try; the summary names it with its tries.
TEST_F(JunitReport, AFlakyRepeatedTestPassesWithItsFailedTries) {
    NvkBatch *batch = NvkBatchCreate("Net");
    NvkTestFunction *flaky = NvkBatchAddFunctionImp(batch, "Flaky", TimesOut);
    index_ = run::RegistryIndex::OfLoadedLibrary();
    run::LibraryRun libraryRun;
    libraryRun.library = "net.dll";
    libraryRun.index = &index_;
    libraryRun.selection = {0};
    libraryRun.repetition = 2;
    libraryRun.repetitions = 3;
    console::ResultStore results;
    results.RunStarted(libraryRun);
    NvkTestFunctionRun(flaky);
    run::TestOutcome failedTry = run::OutcomeFromRegistry(flaky, index_[0], "net.dll");
    failedTry.ending = run::Ending::TimedOut;
    results.TryFailed(index_[0], failedTry);
    run::TestOutcome passed;
    passed.ending = run::Ending::Passed;
    passed.tries = 2;
    results.TestEnded(index_[0], passed);
    const std::string report = console::JunitReport(results);
    EXPECT_NE(std::string::npos, report.find("<testsuite name=\"Net (repetition 2 of 3)\" tests=\"1\" failures=\"0\""))
        << report;
    EXPECT_NE(std::string::npos,
              report.find("<testcase classname=\"Net\" name=\"Flaky (repetition 2 of 3)\" time=\"0.000\">\n"
                          "      <flakyFailure message=\"Timed out after 2 seconds\" type=\"timeout\"><stackTrace>"
                          "net.dll(0): Timed out after 2 seconds\n</stackTrace></flakyFailure>\n    </testcase>"))
        << report;
    EXPECT_EQ((std::vector<std::string>{"Net.Flaky (repetition 2 of 3): passed on try 2"}), results.FlakyTests());
    EXPECT_EQ(1u, results.Count().flaky);
}

// A test's output is text of its own: UTF-8 stays as written, any other byte above
// 0x7F is taken as ISO 8859-1, and what XML cannot hold is escaped.
TEST_F(JunitReport, OutputGoesIntoSystemOutAsItsOwnText) {
    NvkBatch *batch = NvkBatchCreate("Prints");
    NvkBatchAddFunctionImp(batch, "Passes", Passes);
    NvkBatchAddFunctionImp(batch, "Silent", Proc<3>);
    console::ResultStore results;
    Start(results, "prints.dll");
    NvkBatchRun(nullptr);
    results.Output(index_[0], "caf\xC3\xA9 <ok> & caf\xE9 \xC3\x01\n");
    End(results, 0, "prints.dll");
    End(results, 1, "prints.dll");
    const std::string report = console::JunitReport(results);
    EXPECT_NE(std::string::npos,
              report.find("name=\"Passes\" time=\"0.001\">\n      <system-out>caf\xC3\xA9 &lt;ok&gt; &amp; caf\xC3\xA9 "
                          "\xC3\x83&#x2401;\n</system-out>\n    </testcase>"))
        << report;
    EXPECT_NE(std::string::npos, report.find("name=\"Silent\" time=\"0.001\"/>")) << report;
}

// A test that skipped itself keeps its reason. What a library's registration refused
// is an error of a suite of its own, before the library's batches.
TEST_F(JunitReport, SkipsKeepTheirReasonAndRegistrationErrorsShowAsErrors) {
    NvkBatch *batch = NvkBatchCreate("Printer");
    NvkTestFunction *skips = NvkBatchAddFunctionImp(batch, "Skips", SkipsItself);
    EXPECT_EQ(nullptr, NvkBatchAddFunctionImp(batch, "Skips", Proc<3>));
    console::ResultStore results;
    results.AddRegistrationErrors("printer.dll", {NvkRegistrationGetError(0)});
    Start(results, "printer.dll");
    NvkBatchRun(nullptr);
    End(results, 0, "printer.dll");
    const std::string report = console::JunitReport(results);
    const std::string expected =
        "<testsuites name=\"Norvik\" tests=\"2\" failures=\"0\" errors=\"1\" skipped=\"1\" time=\"0.000\">\n"
        "  <testsuite name=\"printer.dll\" tests=\"1\" failures=\"0\" errors=\"1\" skipped=\"0\" time=\"0.000\">\n"
        "    <testcase classname=\"printer.dll\" name=\"registration\" time=\"0.000\">\n"
        "      <error message=\"Printer.Skips was not added: the batch already has a test of that name";
    EXPECT_NE(std::string::npos, report.find(expected)) << report;
    EXPECT_NE(std::string::npos, report.find("type=\"registration\">Printer.Skips was not added")) << report;
    EXPECT_NE(std::string::npos, report.find("name=\"Skips\" time=\"0.000\">\n      <skipped message=\"no "
                                             "&lt;printer&gt;\"/>\n    </testcase>"))
        << report;
    EXPECT_EQ(run::Ending::Skipped, results.Test({1, 0}).outcome.ending);
    EXPECT_EQ(skips, index_.Function(0));
}

}  // namespace
