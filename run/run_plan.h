// Which tests a run starts, in which order and in which process: the shard's share,
// the shuffled order, and the split of the work among worker processes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace run {

// A test by its place in the registry: its batch, and its place in that batch.
struct TestRef {
    uint32_t batch = 0;
    uint32_t test = 0;
};

inline bool operator==(const TestRef &a, const TestRef &b) { return a.batch == b.batch && a.test == b.test; }

// One library call: a batch run of some of a batch's tests (its setup before the
// first, its tear-down after the last), or one test run alone with both around it.
struct Step {
    bool alone = false;
    std::vector<TestRef> tests;
};

// "INDEX/COUNT" with INDEX below COUNT; returns "" or what is wrong.
std::string ParseShard(const std::string &text, unsigned &index, unsigned &count);

// Shard INDEX of COUNT takes every COUNT-th of the run's selected tests, from the
// INDEX-th on: the shares are disjoint, cover the selection, and differ by one test
// at most. A run of several libraries deals them as one: earlierSelected, the
// number of tests selected in the run's earlier libraries, places this library's
// first selected test in the run, so that its k-th goes to shard k % COUNT.
std::vector<TestRef> ShardShare(const std::vector<TestRef> &selected, unsigned index, unsigned count,
                                size_t earlierSelected = 0);

// Batch steps in registration order; with eachAlone, one step per test instead.
std::vector<Step> PlanSteps(const std::vector<TestRef> &selected, bool eachAlone);

// The same steps from the seed: the batches in a random order and each batch's tests
// in a random order, each test alone (a batch run keeps registration order). The
// order depends on the seed only, on every platform.
std::vector<Step> ShuffledSteps(const std::vector<TestRef> &selected, uint64_t seed);

// The steps dealt to at most `workers` groups: whole steps, each to the group with
// the fewest tests so far, the biggest first; each group keeps the steps' order.
std::vector<std::vector<Step>> SplitAmongWorkers(const std::vector<Step> &steps, unsigned workers);

// Every test of the steps, in the order they run.
std::vector<TestRef> TestsInOrder(const std::vector<Step> &steps);

}  // namespace run
