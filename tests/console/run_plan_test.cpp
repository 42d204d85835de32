// The run plan as plain data: shards, shuffled orders and the split among workers;
// and the console's escaping of what tests print.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "console_text.h"
#include "run_plan.h"

namespace {

using run::Step;
using run::TestRef;

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
            const std::vector<TestRef> share = run::ShardShare(selected, index, count);
            EXPECT_LE(share.size(), selected.size() / count + 1) << index << "/" << count;
            EXPECT_GE(share.size(), selected.size() / count) << index << "/" << count;
            EXPECT_TRUE(std::is_sorted(share.begin(), share.end(), Before));
            all.insert(all.end(), share.begin(), share.end());
        }
        EXPECT_EQ(selected, Sorted(all)) << count << " shards";
    }
    unsigned index = 9, count = 9;
    EXPECT_EQ("", run::ParseShard("0/1", index, count));
    EXPECT_EQ(0u, index);
    EXPECT_EQ(1u, count);
    for (const char *bad : {"1/1", "0/0", "x/2", "1", "-1/2", "1/2/3", "99999999999/2"}) {
        EXPECT_NE("", run::ParseShard(bad, index, count)) << bad;
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
                for (const TestRef &test : run::ShardShare(Selection({selected}), index, check.count, earlier)) {
                    positions.push_back(earlier + test.test);
                }
                earlier += selected;
            }
            EXPECT_EQ(check.positionsPerShard[index], positions) << index << "/" << check.count;
        }
    }
    EXPECT_EQ((std::vector<TestRef>{{0, 0}}),
              run::ShardShare(Selection({3}), 4294967294u, 4294967295u, 4294967294u));
}

TEST(RunPlan, StepsKeepBatchesWholeUnlessEachTestRunsAlone) {
    const std::vector<TestRef> selected = {{0, 0}, {0, 2}, {2, 1}};
    const std::vector<Step> batches = run::PlanSteps(selected, false);
    ASSERT_EQ(2u, batches.size());
    EXPECT_FALSE(batches[0].alone);
    EXPECT_EQ((std::vector<TestRef>{{0, 0}, {0, 2}}), batches[0].tests);
    const std::vector<Step> alone = run::PlanSteps(selected, true);
    ASSERT_EQ(3u, alone.size());
    EXPECT_TRUE(alone[2].alone);
    EXPECT_EQ(selected, run::TestsInOrder(alone));
}

TEST(RunPlan, AShuffleDependsOnTheSeedOnlyAndKeepsEachBatchTogether) {
    const std::vector<TestRef> selected = Selection({6, 6, 6, 6});
    const std::vector<TestRef> first = run::TestsInOrder(run::ShuffledSteps(selected, 42));
    EXPECT_EQ(first, run::TestsInOrder(run::ShuffledSteps(selected, 42)));
    EXPECT_NE(first, run::TestsInOrder(run::ShuffledSteps(selected, 43)));
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
              run::TestsInOrder(run::ShuffledSteps(Selection({2, 1}), 7)));
}

TEST(RunPlan, WorkersGetWholeBatchesAndSimilarLoads) {
    const std::vector<Step> steps = run::PlanSteps(Selection({8, 1, 1, 4, 4}), false);
    const auto split = run::SplitAmongWorkers(steps, 2);
    ASSERT_EQ(2u, split.size());
    // The biggest batch first, each next one to the lighter worker; each worker keeps
    // registration order.
    const std::vector<TestRef> first = run::TestsInOrder(split[0]);
    const std::vector<TestRef> second = run::TestsInOrder(split[1]);
    EXPECT_EQ(9u, first.size());
    EXPECT_EQ(9u, second.size());
    EXPECT_EQ((std::vector<uint32_t>{0, 1}),
              (std::vector<uint32_t>{split[0][0].tests[0].batch, split[0][1].tests[0].batch}));
    EXPECT_TRUE(std::is_sorted(second.begin(), second.end(), Before));
    EXPECT_EQ(5u, run::SplitAmongWorkers(steps, 9).size());
    EXPECT_EQ(1u, run::SplitAmongWorkers({}, 4).size());
}

TEST(ConsoleText, ControlBytesAreEscaped) {
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
}

TEST(ConsoleText, SecondsShowToTheRoundedMillisecond) {
    const struct {
        double seconds;
        const char *text;
    } times[] = {
        {0.0, "0.000"},       {0.0004, "0.000"},   {0.0006, "0.001"},      {1.2345678, "1.235"},
        {59.9996, "60.000"},  {1234567.0, "1234567.000"}, {-1.0, "0.000"}, {std::nan(""), "0.000"},
    };
    for (const auto &check : times) {
        EXPECT_EQ(check.text, console::MillisecondsText(check.seconds)) << check.seconds;
    }
}

}  // namespace
