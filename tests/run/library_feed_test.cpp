// The run's event stream as the library feeds it: one account of each test's end,
// with what workers told of it, and the tests a run never reached.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "library_feed.h"
#include "registry_fixture.h"

namespace {

using run::Ending;
using run::Phase;

struct Seen {
    std::string event;
    std::string test;
    run::TestOutcome outcome;
};

class Recorder final : public run::RunListener {
public:
    void RunStarted(const run::LibraryRun &run) override { seen.push_back({"run started", run.library, {}}); }
    void TestStarted(const run::TestIdentity &test) override { seen.push_back({"started", test.FullName(), {}}); }
    void CheckFailed(const run::TestIdentity &test, const run::Failure &failure) override {
        run::TestOutcome failed;
        failed.failures.push_back(failure);
        seen.push_back({"check failed", test.FullName(), failed});
    }
    void TryFailed(const run::TestIdentity &test, const run::TestOutcome &outcome) override {
        seen.push_back({"try failed", test.FullName(), outcome});
    }
    void Output(const run::TestIdentity &test, const std::string &text) override {
        seen.push_back({"output " + text, test.FullName(), {}});
    }
    void TestEnded(const run::TestIdentity &test, const run::TestOutcome &outcome) override {
        seen.push_back({"ended", test.FullName(), outcome});
    }
    void RunEnded(const run::LibraryRun &run) override { seen.push_back({"run ended", run.library, {}}); }

    std::vector<std::string> Events() const {
        std::vector<std::string> events;
        for (const Seen &each : seen) {
            events.push_back(each.event + " " + each.test);
        }
        return events;
    }
    const run::TestOutcome &EndOf(const std::string &test) const {
        for (const Seen &each : seen) {
            if (each.event == "ended" && each.test == test) {
                return each.outcome;
            }
        }
        static const run::TestOutcome none;
        ADD_FAILURE() << test << " did not end";
        return none;
    }

    std::vector<Seen> seen;
};

// Where the tests write when a test captures their output.
std::string *written = nullptr;

class WrittenFile final : public run::CaptureFile {
public:
    uint64_t End() override { return written->size(); }
    std::string Read(uint64_t offset, size_t count) override {
        return written->substr(static_cast<size_t>(offset), count);
    }
};

void NVK_CALL Passes() {
    if (written != nullptr) {
        *written += "passes\n";
    }
    NvkAssert(1, "passes.c", 3, nullptr);
}
void NVK_CALL PassesToo() { NvkAssert(1, "passes.c", 4, nullptr); }
void NVK_CALL Fails() { NvkAssert(0, "fails.c", 7, "%s", "seven"); }
void NVK_CALL SkipsItself() { NvkSkip("%s", "no network"); }

// A crash the way an executor hands one over: with its details.
int32_t NVK_CALL CrashingExecutor(void *, int32_t call, NvkTestFunction *, NvkTestProc, double *) {
    if (call != NvkRunCallTestFunction) {
        return NvkRunCallReturned;
    }
    NvkSetCrashDetails("read from address 0x10");
    return NvkRunCallCrashed;
}

class LibraryFeedTest : public RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        NvkSetEventHandler(&run::LibraryFeed::OnLibraryEvent, 0);
        batch_ = NvkBatchCreate("B");
        NvkBatchAddFunctionAt(batch_, "Passes", Passes, "b.c", 10);
        NvkBatchAddFunctionAt(batch_, "Fails", Fails, "b.c", 20);
        NvkBatchAddFunctionAt(batch_, "Skips", SkipsItself, "b.c", 30);
        NvkBatchAddFunctionAt(batch_, "Last", PassesToo, "b.c", 40);
        index_ = run::RegistryIndex::OfLoadedLibrary();
        run_.library = "tests.dll";
        run_.index = &index_;
    }
    void TearDown() override {
        EventRecorder::Install();
        RegistryTest::TearDown();
    }

    std::vector<run::TestKey> All() const { return {0, 1, 2, 3}; }

    NvkBatch *batch_ = nullptr;
    run::RegistryIndex index_;
    run::LibraryRun run_;
    Recorder recorder_;
};

TEST_F(LibraryFeedTest, IndexNamesEachTestOnceAndFingerprintsAsWorkersDo) {
    ASSERT_EQ(4u, index_.size());
    EXPECT_EQ("B.Fails", index_[1].FullName());
    EXPECT_EQ("b.c", index_[1].file);
    EXPECT_EQ(20, index_[1].line);
    run::TestKey key = 0;
    ASSERT_TRUE(index_.Find(index_.Function(3), key));
    EXPECT_EQ(3u, key);
    // What workers compare: the count, then the names hashed.
    EXPECT_EQ(0u, index_.Fingerprint().find("4:"));
    EXPECT_TRUE(index_.Holds({0, 3}));
    EXPECT_FALSE(index_.Holds({0, 4}));
    EXPECT_FALSE(index_.Holds({1, 0}));
    index_.Select({{0, 1}, {0, 3}});
    EXPECT_EQ(2u, index_.Selected().size());
    EXPECT_EQ(1, NvkTestFunctionGetSkip(index_.Function(0)));
}

// The index's own copies of the names, each batch's and each file once, outlive the
// library's records and a move of the index, and read as C strings.
TEST_F(LibraryFeedTest, IndexKeepsItsNamesOnceAndBeyondTheRecords) {
    NvkBatch *other = NvkBatchCreate("Other");
    NvkBatchAddFunctionImp(other, "Unplaced", Passes);
    NvkBatchAddFunctionAt(other, "Placed", Fails, "o.c", 5);
    run::RegistryIndex made = run::RegistryIndex::OfLoadedLibrary();
    std::vector<NvkTestFunction *> functions;
    for (run::TestKey key = 0; key < made.size(); ++key) {
        functions.push_back(made.Function(key));
    }
    NvkBatchFree(nullptr);
    const run::RegistryIndex index = std::move(made);
    ASSERT_EQ(6u, index.size());
    EXPECT_EQ("B.Passes", index[0].FullName());
    EXPECT_EQ(index[0].batch.data(), index[3].batch.data());
    EXPECT_EQ(index[0].file.data(), index[3].file.data());
    EXPECT_EQ(std::string("Other"), index[4].batch.data());
    EXPECT_EQ(std::string(""), index[4].file.data());
    EXPECT_EQ(0, index[4].line);
    EXPECT_EQ(std::string("o.c"), index[5].file.data());
    // Every test is found by its function, wherever the search starts.
    for (run::TestKey key = 0; key < functions.size(); ++key) {
        run::TestKey found = 99;
        EXPECT_TRUE(index.Find(functions[key], found));
        EXPECT_EQ(key, found);
    }
    run::TestKey none = 0;
    EXPECT_FALSE(index.Find(nullptr, none));
}

TEST_F(LibraryFeedTest, EachEndingIsTheLibrarysRecordInRunOrder) {
    {
        run::LibraryFeed feed(run_, All(), recorder_);
        NvkBatchRun(nullptr);
    }
    EXPECT_EQ((std::vector<std::string>{"run started tests.dll", "started B.Passes", "ended B.Passes",
                                        "started B.Fails", "check failed B.Fails", "ended B.Fails", "started B.Skips",
                                        "ended B.Skips", "started B.Last", "ended B.Last", "run ended tests.dll"}),
              recorder_.Events());
    EXPECT_EQ(Ending::Passed, recorder_.EndOf("B.Passes").ending);
    const run::TestOutcome &failed = recorder_.EndOf("B.Fails");
    EXPECT_EQ(Ending::Failed, failed.ending);
    ASSERT_EQ(1u, failed.failures.size());
    EXPECT_EQ("fails.c", failed.failures[0].file);
    EXPECT_EQ(7, failed.failures[0].line);
    EXPECT_EQ(Ending::Skipped, recorder_.EndOf("B.Skips").ending);
    EXPECT_EQ("no network", recorder_.EndOf("B.Skips").reason);
}

// In this process the output is the capture file's since the test before; a worker's
// comes through the observer. Either way it comes before the test's end.
TEST_F(LibraryFeedTest, EachTestsOutputComesBeforeItsEnd) {
    std::string file = "before the run\n";
    written = &file;
    WrittenFile capture;
    {
        run::LibraryFeed feed(run_, All(), recorder_);
        feed.TakeOutputFrom(capture);
        feed.TestOutput(index_.Function(1), "from a worker\n");
        NvkBatchRun(nullptr);
    }
    written = nullptr;
    EXPECT_EQ((std::vector<std::string>{"run started tests.dll", "started B.Passes", "output passes\n B.Passes",
                                        "ended B.Passes", "started B.Fails", "check failed B.Fails",
                                        "output from a worker\n B.Fails", "ended B.Fails", "started B.Skips",
                                        "ended B.Skips", "started B.Last", "ended B.Last", "run ended tests.dll"}),
              recorder_.Events());
}

TEST_F(LibraryFeedTest, ACrashIsPlacedAtTheTestsDefinitionWithItsDetailsAndPhase) {
    NvkSetRunExecutor(&CrashingExecutor, nullptr);
    {
        run::LibraryFeed feed(run_, {0}, recorder_);
        NvkTestFunctionRun(index_.Function(0));
    }
    NvkSetRunExecutor(nullptr, nullptr);
    const run::TestOutcome &crashed = recorder_.EndOf("B.Passes");
    EXPECT_EQ(Ending::Crashed, crashed.ending);
    EXPECT_EQ(Phase::Test, crashed.phase);
    ASSERT_EQ(1u, crashed.failures.size());
    EXPECT_TRUE(crashed.failures[0].crash);
    EXPECT_EQ("b.c", crashed.failures[0].file);
    EXPECT_EQ(10, crashed.failures[0].line);
    EXPECT_EQ("A crash was detected in the unit test function: read from address 0x10",
              run::ShownMessage(crashed.failures[0]));
}

TEST_F(LibraryFeedTest, TestsTheRunNeverReachedEndAsNotRunWithTheReason) {
    {
        run::LibraryFeed feed(run_, All(), recorder_);
        feed.SetNotRunReason("the run stopped at the first failure");
        NvkTestFunctionRun(index_.Function(1));
    }
    EXPECT_EQ(Ending::Failed, recorder_.EndOf("B.Fails").ending);
    for (const char *test : {"B.Passes", "B.Skips", "B.Last"}) {
        EXPECT_EQ(Ending::NotRun, recorder_.EndOf(test).ending) << test;
        EXPECT_EQ("the run stopped at the first failure", recorder_.EndOf(test).reason) << test;
    }
    EXPECT_EQ("run ended tests.dll", recorder_.Events().back());
}

TEST_F(LibraryFeedTest, AWorkersWordShapesTheEndingAndStartsTheTestOnce) {
    {
        run::LibraryFeed feed(run_, {0, 1}, recorder_);
        feed.TestStarted(index_.Function(0));
        // A worker tells of the next test before the library replayed the one before.
        feed.TestStarted(index_.Function(1));
        run::TestEnd timedOut;
        timedOut.kind = run::TestEnd::Kind::TimedOut;
        timedOut.phase = Phase::TestSetup;
        feed.TestEnded(index_.Function(1), timedOut);
        NvkTestFunctionRun(index_.Function(0));
        NvkTestFunctionRun(index_.Function(1));
    }
    EXPECT_EQ(
        (std::vector<std::string>{"run started tests.dll", "started B.Passes", "started B.Fails", "ended B.Passes",
                                  "check failed B.Fails", "ended B.Fails", "run ended tests.dll"}),
        recorder_.Events());
    EXPECT_EQ(Ending::TimedOut, recorder_.EndOf("B.Fails").ending);
    EXPECT_EQ(Phase::TestSetup, recorder_.EndOf("B.Fails").phase);
}

// Tries the test while the feed says so; returns how often it ran.
int RunWithTries(const run::LibraryFeed &feed, NvkTestFunction *test) {
    int runs = 0;
    do {
        NvkTestFunctionRun(test);
        ++runs;
    } while (feed.TriesAgain(test));
    return runs;
}

// Each failed try but the last is told apart with its number, and the test ends once,
// with its last try. A passed test is tried once; a stop is not tried again.
TEST_F(LibraryFeedTest, AFailedTryWithTriesLeftIsToldApartFromTheTestsEnd) {
    run_.retries = 2;
    {
        run::LibraryFeed feed(run_, {0, 1}, recorder_);
        EXPECT_EQ(1, RunWithTries(feed, index_.Function(0)));
        EXPECT_EQ(3, RunWithTries(feed, index_.Function(1)));
    }
    EXPECT_EQ(
        (std::vector<std::string>{"run started tests.dll", "started B.Passes", "ended B.Passes", "started B.Fails",
                                  "check failed B.Fails", "try failed B.Fails", "started B.Fails",
                                  "check failed B.Fails", "try failed B.Fails", "started B.Fails",
                                  "check failed B.Fails", "ended B.Fails", "run ended tests.dll"}),
        recorder_.Events());
    EXPECT_EQ(1u, recorder_.seen[5].outcome.tries);
    EXPECT_EQ(2u, recorder_.seen[8].outcome.tries);
    EXPECT_EQ(Ending::Failed, recorder_.seen[8].outcome.ending);
    EXPECT_EQ(3u, recorder_.EndOf("B.Fails").tries);
    EXPECT_EQ(1u, recorder_.EndOf("B.Passes").tries);

    recorder_.seen.clear();
    {
        run::LibraryFeed feed(run_, {1}, recorder_);
        run::TestEnd stopped;
        stopped.kind = run::TestEnd::Kind::Stopped;
        feed.TestEnded(index_.Function(1), stopped);
        EXPECT_EQ(1, RunWithTries(feed, index_.Function(1)));
    }
    EXPECT_EQ(Ending::Stopped, recorder_.EndOf("B.Fails").ending);
}

// A run that ends between tries ends the test with its last try, not as not run.
TEST_F(LibraryFeedTest, ATestNotTriedAgainEndsWithItsLastTry) {
    run_.retries = 1;
    {
        run::LibraryFeed feed(run_, {1, 3}, recorder_);
        NvkTestFunctionRun(index_.Function(1));
        EXPECT_TRUE(feed.TriesAgain(index_.Function(1)));
    }
    const run::TestOutcome &failed = recorder_.EndOf("B.Fails");
    EXPECT_EQ(Ending::Failed, failed.ending);
    EXPECT_EQ(1u, failed.tries);
    ASSERT_EQ(1u, failed.failures.size());
    EXPECT_EQ("seven", failed.failures[0].message);
    EXPECT_EQ(Ending::NotRun, recorder_.EndOf("B.Last").ending);
}

// What a process-end handler does with the test in progress.
run::LibraryFeed *endingFeed = nullptr;
void NVK_CALL EndsTheProcess() {
    endingFeed->EndTestInProgress(Ending::ProcessEnded, "The test ended the process");
    endingFeed->Close();
}

TEST_F(LibraryFeedTest, TheTestInProgressEndsWithTheProcessAtItsDefinition) {
    NvkBatch *ending = NvkBatchCreate("E");
    NvkBatchAddFunctionAt(ending, "Exits", EndsTheProcess, "e.c", 5);
    index_ = run::RegistryIndex::OfLoadedLibrary();
    {
        run::LibraryFeed feed(run_, {3, 4}, recorder_);
        endingFeed = &feed;
        NvkTestFunctionRun(index_.Function(4));
    }
    // The library finishes the test afterwards here; in a process that ends it never would.
    const run::TestOutcome &ended = recorder_.EndOf("E.Exits");
    EXPECT_EQ(Ending::ProcessEnded, ended.ending);
    ASSERT_EQ(1u, ended.failures.size());
    EXPECT_EQ("e.c", ended.failures[0].file);
    EXPECT_EQ(5, ended.failures[0].line);
    EXPECT_EQ("The test ended the process", ended.failures[0].message);
    EXPECT_EQ(Ending::NotRun, recorder_.EndOf("B.Last").ending);
    const std::vector<std::string> events = recorder_.Events();
    EXPECT_EQ(1, std::count(events.begin(), events.end(), "run ended tests.dll"));
}

}  // namespace
