// Matching the new records of a reload to the tree's kept items.
#include "rules/kept_items.h"

namespace runner {

void KeptItems::KeepBatch(int32_t key, const std::string &name, bool testsShown) {
    batches_.push_back({key, name, testsShown, {}});
}

void KeptItems::KeepTest(int32_t key, const std::string &name) {
    if (batches_.empty() || !batches_.back().testsShown) {
        GiveUp();
        return;
    }
    batches_.back().tests.push_back({key, name});
}

void KeptItems::GiveUp() { matching_ = false; }

int32_t KeptItems::TakeBatch(const std::string &name) {
    if (!matching_ || batchesTaken_ == batches_.size() || batches_[batchesTaken_].name != name) {
        matching_ = false;
        return 0;
    }
    const KeptBatch &batch = batches_[batchesTaken_];
    takenBatches_[batch.key] = batchesTaken_++;
    return batch.key;
}

int32_t KeptItems::TakeTest(int32_t batchKey, const std::string &name) {
    const auto found = takenBatches_.find(batchKey);
    if (!matching_ || found == takenBatches_.end()) {
        matching_ = false;
        return 0;
    }
    KeptBatch &batch = batches_[found->second];
    if (!batch.testsShown) {
        return 0;
    }
    if (batch.taken == batch.tests.size() || batch.tests[batch.taken].name != name) {
        matching_ = false;
        return 0;
    }
    return batch.tests[batch.taken++].key;
}

bool KeptItems::AllTaken() const {
    if (!matching_ || batchesTaken_ != batches_.size()) {
        return false;
    }
    for (const KeptBatch &batch : batches_) {
        if (batch.taken != batch.tests.size()) {
            return false;
        }
    }
    return true;
}

void KeptItems::Clear() {
    batches_.clear();
    batchesTaken_ = 0;
    takenBatches_.clear();
    matching_ = true;
}

}  // namespace runner
