// What a reload keeps of the window, by batch and test function name: the check
// boxes of tests and batches, the expanded batches, the current test function and the first item shown.
// Portable.
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>

namespace runner {

// A test function as the user knows it across builds: its batch's name and its own.
using TestName = std::pair<std::string, std::string>;

struct KeptSelection {
    std::map<TestName, bool> skipped;
    std::set<std::string> expandedBatches;
    // Batches whose own box was cleared: it stays so, whatever their tests show.
    std::set<std::string> clearedBatches;
    // The current test function, or a batch alone (second empty) when a batch item
    // was selected; both empty when nothing was.
    TestName selected;
    // The item at the top of the tree, named like selected.
    TestName firstShown;
    int firstResultRow = 0;
};

// The skip flag a test function gets after a reload: its old one, or 0 (ticked)
// when it is new.
int SkipAfterReload(const KeptSelection &kept, const TestName &test);

bool WasExpanded(const KeptSelection &kept, const std::string &batch);

// "Batch.Test", the name the window and its documentation use for a test function.
std::string FullTestName(const TestName &test);

}  // namespace runner
