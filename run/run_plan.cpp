#include "run_plan.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <numeric>

namespace run {
namespace {

bool ParseUnsigned(const std::string &text, unsigned &value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    errno = 0;
    const unsigned long parsed = std::strtoul(text.c_str(), nullptr, 10);
    if (errno != 0 || parsed > 0xFFFFFFFFul) {
        return false;
    }
    value = static_cast<unsigned>(parsed);
    return true;
}

// A small generator whose sequence is fixed by its seed alone.
class SeededSequence {
public:
    explicit SeededSequence(uint64_t seed) : state_(seed) {}

    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    template <typename T>
    void Shuffle(std::vector<T> &items) {
        for (size_t i = items.size(); i > 1; --i) {
            std::swap(items[i - 1], items[Next() % i]);
        }
    }

private:
    uint64_t state_;
};

std::vector<std::vector<TestRef>> ByBatch(const std::vector<TestRef> &selected) {
    std::vector<std::vector<TestRef>> batches;
    for (const TestRef &test : selected) {
        if (batches.empty() || batches.back().front().batch != test.batch) {
            batches.emplace_back();
        }
        batches.back().push_back(test);
    }
    return batches;
}

}  // namespace

std::string ParseShard(const std::string &text, unsigned &index, unsigned &count) {
    const size_t slash = text.find('/');
    if (slash == std::string::npos || !ParseUnsigned(text.substr(0, slash), index) ||
        !ParseUnsigned(text.substr(slash + 1), count) || count == 0 || index >= count) {
        return "--shard needs INDEX/COUNT with 0 <= INDEX < COUNT, not \"" + text + "\"";
    }
    return std::string();
}

std::vector<TestRef> ShardShare(const std::vector<TestRef> &selected, unsigned index, unsigned count,
                                size_t earlierSelected) {
    std::vector<TestRef> share;
    // In 64 bits: index + count overflows 32.
    const uint64_t first = (uint64_t(index) + count - earlierSelected % count) % count;
    for (uint64_t i = first; i < selected.size(); i += count) {
        share.push_back(selected[static_cast<size_t>(i)]);
    }
    return share;
}

std::vector<Step> PlanSteps(const std::vector<TestRef> &selected, bool eachAlone) {
    std::vector<Step> steps;
    for (const std::vector<TestRef> &batch : ByBatch(selected)) {
        if (eachAlone) {
            for (const TestRef &test : batch) {
                steps.push_back(Step{true, {test}});
            }
        } else {
            steps.push_back(Step{false, batch});
        }
    }
    return steps;
}

std::vector<Step> ShuffledSteps(const std::vector<TestRef> &selected, uint64_t seed) {
    SeededSequence sequence(seed);
    std::vector<std::vector<TestRef>> batches = ByBatch(selected);
    sequence.Shuffle(batches);
    std::vector<Step> steps;
    for (std::vector<TestRef> &batch : batches) {
        sequence.Shuffle(batch);
        for (const TestRef &test : batch) {
            steps.push_back(Step{true, {test}});
        }
    }
    return steps;
}

std::vector<std::vector<Step>> SplitAmongWorkers(const std::vector<Step> &steps, unsigned workers) {
    std::vector<size_t> order(steps.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return steps[a].tests.size() > steps[b].tests.size(); });
    const size_t groupCount = std::max<size_t>(1, std::min<size_t>(workers, steps.size()));
    std::vector<std::vector<size_t>> groups(groupCount);
    std::vector<size_t> load(groupCount, 0);
    for (size_t step : order) {
        const size_t lightest = static_cast<size_t>(std::min_element(load.begin(), load.end()) - load.begin());
        groups[lightest].push_back(step);
        load[lightest] += steps[step].tests.size();
    }
    std::vector<std::vector<Step>> split;
    for (std::vector<size_t> &group : groups) {
        std::sort(group.begin(), group.end());
        split.emplace_back();
        for (size_t step : group) {
            split.back().push_back(steps[step]);
        }
    }
    return split;
}

std::vector<TestRef> TestsInOrder(const std::vector<Step> &steps) {
    std::vector<TestRef> tests;
    for (const Step &step : steps) {
        tests.insert(tests.end(), step.tests.begin(), step.tests.end());
    }
    return tests;
}

}  // namespace run
