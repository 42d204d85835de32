// The worker side of the console runner as plain data: shards, shuffled orders,
// the split among workers, the in-order release, the pipe protocol and the texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "console_text.h"
#include "run_plan.h"
#include "worker_protocol.h"

namespace {

using console::Step;
using console::TestRef;

// Batches of the given sizes, every test selected.
std::vector<TestRef> Selection(const std::vector<uint32_t> &batchSizes) {
    std::vector<TestRef> tests;
    for (uint32_t batch = 0; batch < batchSizes.size(); ++batch) {
        for (uint32_t test = 0; test < batchSizes[batch]; ++test) {
            tests.push_back({batch, test});
        }
    }
    return tests;
}

bool Before(const TestRef &a, const TestRef &b) { return a.batch != b.batch ? a.batch < b.batch : a.test < b.test; }

std::vector<TestRef> Sorted(std::vector<TestRef> tests) {
    std::sort(tests.begin(), tests.end(), Before);
    return tests;
}

TEST(RunPlan, ShardsAreDisjointBalancedAndCoverTheSelection) {
    const std::vector<TestRef> selected = Selection({5, 1, 7});
    for (unsigned count : {1u, 2u, 3u, 13u, 20u}) {
        std::vector<TestRef> all;
        for (unsigned index = 0; index < count; ++index) {
            const std::vector<TestRef> share = console::ShardShare(selected, index, count);
            EXPECT_LE(share.size(), selected.size() / count + 1) << index << "/" << count;
            EXPECT_GE(share.size(), selected.size() / count) << index << "/" << count;
            EXPECT_TRUE(std::is_sorted(share.begin(), share.end(), Before));
            all.insert(all.end(), share.begin(), share.end());
        }
        EXPECT_EQ(selected, Sorted(all)) << count << " shards";
    }
    unsigned index = 9, count = 9;
    EXPECT_EQ("", console::ParseShard("0/1", index, count));
    EXPECT_EQ(0u, index);
    EXPECT_EQ(1u, count);
    for (const char *bad : {"1/1", "0/0", "x/2", "1", "-1/2", "1/2/3", "99999999999/2"}) {
        EXPECT_NE("", console::ParseShard(bad, index, count)) << bad;
    }
}

// Shards deal the selected tests of all the run's libraries as one sequence, so that
// several small libraries do not all land in the first shards.
TEST(RunPlan, ShardsDealTheWholeRunInTurn) {
    const struct {
        std::vector<uint32_t> selectedPerLibrary;
        unsigned count;
        std::vector<std::vector<size_t>> positionsPerShard;  // in the whole run
    } cases[] = {
        {{3, 1, 1}, 4, {{0, 4}, {1}, {2}, {3}}},
        {{5, 3}, 3, {{0, 3, 6}, {1, 4, 7}, {2, 5}}},
        {{1, 1, 1, 1, 1}, 2, {{0, 2, 4}, {1, 3}}},
        {{2, 0, 2}, 1, {{0, 1, 2, 3}}},
    };
    for (const auto &check : cases) {
        for (unsigned index = 0; index < check.count; ++index) {
            std::vector<size_t> positions;
            size_t earlier = 0;
            for (uint32_t selected : check.selectedPerLibrary) {
                for (const TestRef &test : console::ShardShare(Selection({selected}), index, check.count, earlier)) {
                    positions.push_back(earlier + test.test);
                }
                earlier += selected;
            }
            EXPECT_EQ(check.positionsPerShard[index], positions) << index << "/" << check.count;
        }
    }
    EXPECT_EQ((std::vector<TestRef>{{0, 0}}),
              console::ShardShare(Selection({3}), 4294967294u, 4294967295u, 4294967294u));
}

TEST(RunPlan, StepsKeepBatchesWholeUnlessEachTestRunsAlone) {
    const std::vector<TestRef> selected = {{0, 0}, {0, 2}, {2, 1}};
    const std::vector<Step> batches = console::PlanSteps(selected, false);
    ASSERT_EQ(2u, batches.size());
    EXPECT_FALSE(batches[0].alone);
    EXPECT_EQ((std::vector<TestRef>{{0, 0}, {0, 2}}), batches[0].tests);
    const std::vector<Step> alone = console::PlanSteps(selected, true);
    ASSERT_EQ(3u, alone.size());
    EXPECT_TRUE(alone[2].alone);
    EXPECT_EQ(selected, console::TestsInOrder(alone));
}

TEST(RunPlan, AShuffleDependsOnTheSeedOnlyAndKeepsEachBatchTogether) {
    const std::vector<TestRef> selected = Selection({6, 6, 6, 6});
    const std::vector<TestRef> first = console::TestsInOrder(console::ShuffledSteps(selected, 42));
    EXPECT_EQ(first, console::TestsInOrder(console::ShuffledSteps(selected, 42)));
    EXPECT_NE(first, console::TestsInOrder(console::ShuffledSteps(selected, 43)));
    EXPECT_NE(selected, first);
    EXPECT_EQ(selected, Sorted(first));
    for (size_t i = 1; i < first.size(); ++i) {
        if (first[i].batch != first[i - 1].batch) {
            EXPECT_TRUE(std::none_of(first.begin() + static_cast<std::ptrdiff_t>(i), first.end(),
                                     [&](const TestRef &test) { return test.batch == first[i - 1].batch; }));
        }
    }
    // The same seed gives the same order on every platform and compiler.
    EXPECT_EQ((std::vector<TestRef>{{0, 1}, {0, 0}, {1, 0}}),
              console::TestsInOrder(console::ShuffledSteps(Selection({2, 1}), 7)));
}

TEST(RunPlan, WorkersGetWholeBatchesAndSimilarLoads) {
    const std::vector<Step> steps = console::PlanSteps(Selection({8, 1, 1, 4, 4}), false);
    const auto split = console::SplitAmongWorkers(steps, 2);
    ASSERT_EQ(2u, split.size());
    // The biggest batch first, each next one to the lighter worker; each worker keeps
    // registration order.
    const std::vector<TestRef> first = console::TestsInOrder(split[0]);
    const std::vector<TestRef> second = console::TestsInOrder(split[1]);
    EXPECT_EQ(9u, first.size());
    EXPECT_EQ(9u, second.size());
    EXPECT_EQ((std::vector<uint32_t>{0, 1}),
              (std::vector<uint32_t>{split[0][0].tests[0].batch, split[0][1].tests[0].batch}));
    EXPECT_TRUE(std::is_sorted(second.begin(), second.end(), Before));
    EXPECT_EQ(5u, console::SplitAmongWorkers(steps, 9).size());
    EXPECT_EQ(1u, console::SplitAmongWorkers({}, 4).size());
}

TEST(RunPlan, ResultsComeOutInPlannedOrderWhateverOrderTheyFinishIn) {
    console::InOrderRelease release(4);
    EXPECT_EQ(std::vector<size_t>{}, release.Finish(2));
    EXPECT_EQ(std::vector<size_t>{}, release.Finish(1));
    EXPECT_EQ((std::vector<size_t>{0, 1, 2}), release.Finish(0));
    EXPECT_EQ(std::vector<size_t>{3}, release.Finish(3));

    // A stopped run: position 1 never finishes.
    console::InOrderRelease stopped(4);
    EXPECT_EQ(std::vector<size_t>{0}, stopped.Finish(0));
    EXPECT_EQ(std::vector<size_t>{}, stopped.Finish(3));
    EXPECT_EQ(std::vector<size_t>{3}, stopped.FinishedBehindGaps());
}

TEST(WorkerProtocol, StepsAndResultsSurviveThePipeByteForByte) {
    const std::vector<Step> steps = {{false, {{0, 1}, {0, 3}}}, {true, {{4, 0}}}};
    std::vector<Step> decoded;
    ASSERT_TRUE(console::DecodeSteps(console::EncodeSteps(steps), decoded));
    ASSERT_EQ(2u, decoded.size());
    EXPECT_EQ(steps[0].tests, decoded[0].tests);
    EXPECT_TRUE(decoded[1].alone);

    console::TestRecord record;
    record.outcome = console::Outcome::Failed;
    record.seconds = 0.125;
    std::string everyByte;
    for (int byte = 1; byte < 256; ++byte) {
        everyByte += static_cast<char>(byte);
    }
    record.failures.push_back({"dir\\file.c", 12, everyByte + "\\t", false});
    record.failures.push_back({"", 0, "", true});
    const std::string line = console::EncodeFinished({3, 7}, record);
    ASSERT_EQ(1, std::count(line.begin(), line.end(), '\n'));

    // Delivered in pieces, as a pipe may.
    console::LineSplitter lines;
    const std::string stream = console::EncodeReady() + line;
    for (char byte : stream) {
        lines.Add(&byte, 1);
    }
    std::string received;
    console::WorkerReport report;
    ASSERT_TRUE(lines.Next(received));
    ASSERT_TRUE(console::DecodeReport(received, report));
    EXPECT_FALSE(report.finished);
    ASSERT_TRUE(lines.Next(received));
    EXPECT_FALSE(lines.Next(received));
    ASSERT_TRUE(console::DecodeReport(received, report));
    EXPECT_TRUE(report.finished);
    EXPECT_EQ((TestRef{3, 7}), report.test);
    EXPECT_EQ(console::Outcome::Failed, report.record.outcome);
    EXPECT_EQ(0.125, report.record.seconds);
    ASSERT_EQ(2u, report.record.failures.size());
    EXPECT_EQ(everyByte + "\\t", report.record.failures[0].message);
    EXPECT_EQ("dir\\file.c", report.record.failures[0].file);
    EXPECT_EQ(12, report.record.failures[0].line);
    EXPECT_TRUE(report.record.failures[1].crash);

    for (const char *bad : {"", "X\t1\t2", "F\t1", "F\t1\tx\t1\t0.5", "F\t1\t2\t1\t0.5\tfile", "F\t1\t2\t1\t0.5\\"}) {
        EXPECT_FALSE(console::DecodeReport(bad, report)) << bad;
    }
    EXPECT_FALSE(console::DecodeSteps("B\t1\n", decoded));
    EXPECT_FALSE(console::DecodeSteps("Q\t1\t2\n", decoded));
}

TEST(ConsoleText, ControlBytesAreEscapedAndProcessEndsNamed) {
    const struct {
        const char *text;
        const char *escaped;
    } texts[] = {
        {"plain", "plain"},
        {"two\nlines\r\n", "two\\nlines\\r\\n"},
        {"\x1b[31mred\t\x7f\x01", "\\x1b[31mred\\t\\x7f\\x01"},
        {"caf\xc3\xa9 \\n", "caf\xc3\xa9 \\n"},
    };
    for (const auto &check : texts) {
        EXPECT_EQ(check.escaped, console::EscapeControlBytes(check.text));
    }
    // A listed name also doubles its backslashes: "\\n" is a name with a backslash,
    // "\n" one with a line end.
    EXPECT_EQ("Line\\nBreak.Back\\\\slash\\x01", console::ListedName("Line\nBreak.Back\\slash\x01"));
    EXPECT_EQ("Batch.\\\\n", console::ListedName("Batch.\\n"));

    const struct {
        bool signalled;
        uint32_t code;
        const char *text;
    } ends[] = {
        {false, 3, "exit code 0x3"},
        {false, 0xC0000005u, "exception 0xC0000005 (access violation)"},
        {false, 0xC00000FDu, "exception 0xC00000FD (stack overflow)"},
        {false, 0xC0000374u, "exception 0xC0000374 (heap corruption)"},
        {false, 0xE06D7363u, "exception 0xE06D7363"},
        {true, 11, "signal 0xB (SIGSEGV)"},
        {true, 6, "signal 0x6 (SIGABRT)"},
    };
    for (const auto &check : ends) {
        EXPECT_EQ(std::string("The test process ended during this test: ") + check.text,
                  console::DescribeProcessEnd({check.signalled, check.code}));
    }
}

}  // namespace
