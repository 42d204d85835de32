// Which of a loaded library's tests a run takes: the filter's, then the run's share
// of them when it shards. The shares are dealt across all the run's libraries.
#pragma once

#include <vector>

#include "name_filter.h"
#include "registry_index.h"

namespace console {

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
