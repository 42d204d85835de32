#include "rules/result_order.h"

#include <algorithm>

namespace runner {
namespace {

bool SortsBefore(const ResultRowKey &first, const ResultRowKey &second) {
    const int byBatch = CompareNameBytes(first.batchName, second.batchName);
    return byBatch != 0 ? byBatch < 0 : CompareNameBytes(first.testName, second.testName) < 0;
}

}  // namespace

int CompareNameBytes(const char *first, const char *second) {
    const auto *left = reinterpret_cast<const unsigned char *>(first != nullptr ? first : "");
    const auto *right = reinterpret_cast<const unsigned char *>(second != nullptr ? second : "");
    for (; *left != 0 && *left == *right; ++left, ++right) {
    }
    return *left < *right ? -1 : *left > *right ? 1 : 0;
}

size_t ResultRowOrder::Insert(const ResultRowKey &key) {
    const auto place = std::upper_bound(rows_.begin(), rows_.end(), key, SortsBefore);
    const size_t index = static_cast<size_t>(place - rows_.begin());
    rows_.insert(place, key);
    return index;
}

size_t ResultRowOrder::Find(const ResultRowKey &key) const {
    const auto place = std::lower_bound(rows_.begin(), rows_.end(), key, SortsBefore);
    if (place == rows_.end() || SortsBefore(key, *place)) {
        return kNotFound;
    }
    return static_cast<size_t>(place - rows_.begin());
}

void ResultRowOrder::EraseAt(size_t index) {
    if (index < rows_.size()) {
        rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(index));
    }
}

}  // namespace runner
