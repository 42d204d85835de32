// Checks, skips and labels from threads a test starts: they count for the test running
// then, exactly, with their own messages and places, and nothing of them outlives it.
#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "assertion_run.h"

namespace {

// Runs each body on a thread of its own, all at once, and waits for them.
void OnThreads(int count, const std::function<void(int)> &body) {
    std::vector<std::thread> threads;
    for (int index = 0; index < count; ++index) {
        threads.emplace_back(body, index);
    }
    for (std::thread &thread : threads) {
        thread.join();
    }
}

int CountEvents(int32_t code) {
    int count = 0;
    for (const RecordedEvent &event : EventRecorder::Events()) {
        count += event.code == code ? 1 : 0;
    }
    return count;
}

TEST_F(AssertionRun, PassesOfFourThreadsAreCountedExactlyWithTheirEvents) {
    NvkTestFunction *test = RunAsTest([] {
        OnThreads(4, [](int) {
            for (int check = 0; check < 1000; ++check) {
                NVK_ASSERT_EQUAL_INT(check, check);
            }
        });
        NVK_ASSERT_TRUE(1);
    });
    EXPECT_EQ(4001, PassedAssertions(test));
    EXPECT_EQ(4001, CountEvents(NvkEventAssertPassed));
    EXPECT_EQ(1, lastRunResult_);
}

// Each thread's failure keeps its own message and line, after what the test's own thread
// recorded before them; the message comes back to the thread that failed.
TEST_F(AssertionRun, FailuresOfOtherThreadsKeepTheirMessagesAndPlaces) {
    std::vector<std::string> returned(3);
    NvkTestFunction *test = RunAsTest([&] {
        NvkAssert(0, "own.c", 1, "on the test's thread");
        OnThreads(3, [&](int index) {
            for (int pass = 0; pass < 100; ++pass) {
                NvkAssert(1, "thread.c", 2, nullptr);
            }
            const char *message = NvkAssert(0, "thread.c", 10 + index, "thread %d", index);
            returned[index] = message != nullptr ? message : "(null)";
        });
    });
    EXPECT_EQ(0, lastRunResult_);
    EXPECT_EQ(300, PassedAssertions(test));
    std::vector<NvkAssertionFailure *> failures = Failures(test);
    ASSERT_EQ(4u, failures.size());
    EXPECT_STREQ("on the test's thread", NvkAssertionFailureGetMessage(failures[0]));
    std::vector<std::string> seen;
    for (size_t index = 1; index < failures.size(); ++index) {
        const std::string message = NvkAssertionFailureGetMessage(failures[index]);
        seen.push_back(message);
        EXPECT_STREQ("thread.c", NvkAssertionFailureGetFileName(failures[index]));
        EXPECT_EQ(10 + (message.back() - '0'), NvkAssertionFailureGetLineNumber(failures[index]));
        EXPECT_EQ(test, NvkAssertionFailureGetTestFunction(failures[index]));
    }
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ((std::vector<std::string>{"thread 0", "thread 1", "thread 2"}), seen);
    EXPECT_EQ(seen, (std::vector<std::string>{returned[0], returned[1], returned[2]}));
    EXPECT_EQ(4, CountEvents(NvkEventAssertFailed));
    EXPECT_EQ(4, CountEvents(NvkEventFailureAdded));
}

// A thread that outlives its test: its checks then are recorded nowhere, and say so.
TEST_F(AssertionRun, ACheckAfterItsTestEndedIsRecordedNowhereAndSaysSo) {
    std::atomic<int> stage{0};
    std::thread late;
    NvkTestFunction *test = RunAsTest([&] {
        late = std::thread([&] {
            NVK_ASSERT_EQUAL_INT(1, 1);
            stage = 1;
            while (stage != 2) {
                std::this_thread::yield();
            }
            NvkAssert(0, "late.c", 7, "too late");
            NvkAssert(1, "late.c", 8, nullptr);
        });
        while (stage != 1) {
            std::this_thread::yield();
        }
    });
    ::testing::internal::CaptureStderr();
    stage = 2;
    late.join();
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(1, PassedAssertions(test));
    EXPECT_TRUE(Failures(test).empty());
    EXPECT_EQ(
        "Norvik: a check at late.c:7 came after its test ended and is recorded nowhere: too late\n"
        "Norvik: a check at late.c:8 came after its test ended and is recorded nowhere\n",
        said);
}

TEST_F(AssertionRun, ASkipOfAnotherThreadSkipsTheTest) {
    NvkTestFunction *test = RunAsTest([] { std::thread([] { NvkSkip("not on %s", "this thread"); }).join(); });
    EXPECT_STREQ("not on this thread", NvkTestFunctionGetSkipReason(test));
}

// Each thread has its own label, and none reaches the next run of the test.
TEST_F(AssertionRun, LabelsBelongToTheThreadAndTheTestThatSetThem) {
    const auto run = [this](bool labelled) {
        return RunAsTest([labelled] {
            if (labelled) {
                NVK_LABEL("main %d", 1);
            }
            std::thread([labelled] {
                NVK_ASSERT_EQUAL_INT(1, 2);
                if (labelled) {
                    NVK_LABEL("worker");
                }
                NVK_ASSERT_LT_INT(2, 1);
            }).join();
            NVK_ASSERT_FALSE(1);
        });
    };
    EXPECT_EQ((std::vector<std::string>{"main 1: Expected boolean to be false but it was true",
                                        "Expected integer to be '1' but it was '2'",
                                        "worker: Expected '2' to be less than '1'"}),
              Messages(run(true)));
    EXPECT_EQ(
        (std::vector<std::string>{"Expected boolean to be false but it was true",
                                  "Expected integer to be '1' but it was '2'", "Expected '2' to be less than '1'"}),
        Messages(run(false)));
}

}  // namespace

namespace {

int Count(const std::string &text, const std::string &part) {
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) {
        ++count;
    }
    return count;
}

// Each "Norvik: N passing checks came ..." line, summed.
int LatePassesInBatches(const std::string &text) {
    int passes = 0;
    const std::string start = "Norvik: ";
    for (size_t at = text.find(start); at != std::string::npos; at = text.find(start, at + 1)) {
        const size_t number = at + start.size();
        const std::string words = " passing check";
        if (text.compare(text.find(' ', number), words.size(), words) == 0) {
            passes += std::stoi(text.substr(number));
        }
    }
    return passes;
}

}  // namespace

// A thread that checks on while tests start and end around it: each of its checks counts
// for exactly one test or is said to be recorded nowhere, whichever way it raced.
TEST_F(AssertionRun, EveryCheckOfAThreadAcrossTestEndsIsCountedOnceOrSaidLost) {
    constexpr int kChecks = 20000;
    std::atomic<bool> done{false};
    RunAsTest([] {});
    ::testing::internal::CaptureStderr();
    std::thread checker([&] {
        for (int check = 0; check < kChecks; ++check) {
            NvkAssert(check % 10 != 0, "racing.c", check % 10 == 0 ? 2 : 1, "lost or kept");
        }
        done = true;
    });
    int32_t passes = 0;
    int32_t failures = 0;
    while (!done) {
        NvkTestFunction *test = RunAsTest([] { std::this_thread::yield(); });
        passes += PassedAssertions(test);
        failures += static_cast<int32_t>(Failures(test).size());
    }
    checker.join();
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(kChecks / 10, failures + Count(said, "racing.c:2 came after its test ended"));
    EXPECT_EQ(kChecks - kChecks / 10,
              passes + Count(said, "racing.c:1 came after its test ended") + LatePassesInBatches(said));
}
