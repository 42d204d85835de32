// Which of a loaded library's tests a run takes: the filter's, then the run's share
// of them when it shards. The shares are dealt across all the run's libraries.
#pragma once

#include <cstdint>
#include <vector>

#include "name_filter.h"
#include "plan_runner.h"
#include "registry_index.h"

namespace console {

// A plain run is every batch over the skip flags; one that must stop between tests or
// try them again runs each test alone, and a shuffled one each test alone in the
// seed's order.
struct RunOrder {
    bool eachAlone = false;
    bool shuffle = false;
    uint64_t seed = 0;
};
run::RunRequest RequestFor(const std::vector<run::TestRef> &share, const RunOrder &order);

class Selection {
public:
    // The shard is share index of count.
    Selection(const std::string &filter, unsigned shardIndex, unsigned shardCount)
        : filter_(filter), shardIndex_(shardIndex), shardCount_(shardCount) {}

    // The keys of the tests this library's run takes, in registration order.
    std::vector<run::TestKey> Take(const run::RegistryIndex &index);

private:
    const TestFilter filter_;
    const unsigned shardIndex_;
    const unsigned shardCount_;
    size_t dealtSoFar_ = 0;
};

}  // namespace console
