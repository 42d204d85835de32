// The tree's items kept through a reload, matched by name and order to the records
// the rebuilt library registers. A rebuilt DLL most often holds the same batches
// and tests in the same order: its records then take over the items as they are,
// expanded, checked and selected as they were, and the tree does no work for them.
// Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace runner {

class KeptItems {
public:
    // Before the old records go, in registration order: each batch's item key and
    // name, whether its tests have items, and then each of those tests' key and name.
    void KeepBatch(int32_t key, const std::string &name, bool testsShown);
    void KeepTest(int32_t key, const std::string &name);
    // The old records could not all be kept: the new ones match nothing.
    void GiveUp();

    // The key of the item that the next batch registered takes over, or 0 when it
    // does not match the next kept batch, which ends all matching.
    int32_t TakeBatch(const std::string &name);
    // The key of the item that a test registered in the batch of that key takes over;
    // 0 when its batch's tests have no items, or when it does not match the next
    // kept test of its batch, which ends all matching.
    int32_t TakeTest(int32_t batchKey, const std::string &name);

    // Whether the new records took over every item kept, and no other record came
    // where items were shown.
    bool AllTaken() const;
    bool Empty() const { return batches_.empty(); }
    void Clear();

private:
    struct KeptTest {
        int32_t key;
        std::string name;
    };
    struct KeptBatch {
        int32_t key;
        std::string name;
        bool testsShown;
        std::vector<KeptTest> tests;
        size_t taken = 0;
    };

    std::vector<KeptBatch> batches_;
    size_t batchesTaken_ = 0;
    // By item key: the batch a new record took over.
    std::unordered_map<int32_t, size_t> takenBatches_;
    bool matching_ = true;
};

}  // namespace runner
