#include "selection.h"

#include "run_plan.h"

namespace console {

std::vector<run::TestKey> Selection::Take(const run::RegistryIndex &index) {
    std::vector<run::TestRef> selected;
    selected.reserve(index.size());
    for (const run::TestIdentity &test : index.Tests()) {
        if (filter_.Selects(test)) {
            selected.push_back(test.ref);
        }
    }
    if (shardCount_ > 1) {
        const size_t filtered = selected.size();
        selected = run::ShardShare(selected, shardIndex_, shardCount_, dealtSoFar_);
        dealtSoFar_ += filtered;
    }
    std::vector<run::TestKey> keys;
    keys.reserve(selected.size());
    for (const run::TestRef &test : selected) {
        keys.push_back(index.KeyOf(test));
    }
    return keys;
}

run::RunRequest RequestFor(const std::vector<run::TestRef> &share, const RunOrder &order) {
    run::RunRequest request;
    if (order.shuffle) {
        request.kind = run::RunRequest::Kind::EachAlone;
        request.tests = run::TestsInOrder(run::ShuffledSteps(share, order.seed));
    } else if (order.eachAlone) {
        request.kind = run::RunRequest::Kind::EachAlone;
        request.tests = share;
    }
    return request;
}

}  // namespace console
