// The result rows' order by batch name and test function name.
#include "rules/result_order.h"

#include <algorithm>

namespace runner {
namespace {

bool SortsBefore(const ResultRowKey &first, const ResultRowKey &second) {
    const int byBatch = CompareNameBytes(first.batchName, second.batchName);
    return byBatch != 0 ? byBatch < 0 : CompareNameBytes(first.testName, second.testName) < 0;
}

bool RowSortsBefore(const ResultRow &first, const ResultRow &second) { return SortsBefore(first.key, second.key); }

// -1, 0 or 1 as first sorts before, with or after second.
int CompareValues(const ResultSortValue &first, const ResultSortValue &second) {
    if (first.blank || second.blank) {
        return first.blank == second.blank ? 0 : first.blank ? -1 : 1;
    }
    if (first.numeric && second.numeric) {
        return first.number < second.number ? -1 : first.number > second.number ? 1 : 0;
    }
    return CompareNameBytes(first.text, second.text);
}

}  // namespace

int CompareNameBytes(const char *first, const char *second) {
    const auto *left = reinterpret_cast<const unsigned char *>(first != nullptr ? first : "");
    const auto *right = reinterpret_cast<const unsigned char *>(second != nullptr ? second : "");
    for (; *left != 0 && *left == *right; ++left, ++right) {
    }
    return *left < *right ? -1 : *left > *right ? 1 : 0;
}

void ResultRowOrder::Add(const ResultRowKey &key, void *item) {
    rows_.push_back({key, item, false});
    ++added_;
}

bool ResultRowOrder::Settle() {
    if (added_ == 0) {
        return false;
    }
    RestoreKeyOrder();
    const auto firstAdded = rows_.end() - static_cast<std::ptrdiff_t>(added_);
    std::stable_sort(firstAdded, rows_.end(), RowSortsBefore);
    // Merging keeps the placed rows ahead of added rows with the same key.
    std::inplace_merge(rows_.begin(), firstAdded, rows_.end(), RowSortsBefore);
    added_ = 0;
    return true;
}

std::vector<size_t> ResultRowOrder::KeyOrder() const {
    if (!byKey_.empty()) {
        return byKey_;
    }
    std::vector<size_t> order(Count());
    for (size_t index = 0; index < order.size(); ++index) {
        order[index] = index;
    }
    return order;
}

void ResultRowOrder::RestoreKeyOrder() {
    if (byKey_.empty()) {
        return;
    }
    std::vector<ResultRow> placed;
    placed.reserve(rows_.size());
    for (const size_t index : byKey_) {
        placed.push_back(rows_[index]);
    }
    placed.insert(placed.end(), rows_.end() - static_cast<std::ptrdiff_t>(added_), rows_.end());
    rows_.swap(placed);
    byKey_.clear();
}

void ResultRowOrder::SortBy(const std::vector<ResultSortValue> &values, bool descending) {
    if (values.size() != Count()) {
        return;
    }
    std::vector<size_t> order = KeyOrder();
    std::stable_sort(order.begin(), order.end(), [&values, descending](size_t first, size_t second) {
        const int comparison = CompareValues(values[first], values[second]);
        return descending ? comparison > 0 : comparison < 0;
    });
    std::vector<size_t> placeOf(order.size());
    std::vector<ResultRow> sorted;
    sorted.reserve(rows_.size());
    for (size_t place = 0; place < order.size(); ++place) {
        placeOf[order[place]] = place;
        sorted.push_back(rows_[order[place]]);
    }
    sorted.insert(sorted.end(), rows_.end() - static_cast<std::ptrdiff_t>(added_), rows_.end());
    std::vector<size_t> byKey = KeyOrder();
    for (size_t &index : byKey) {
        index = placeOf[index];
    }
    rows_.swap(sorted);
    byKey_.swap(byKey);
}

size_t ResultRowOrder::Find(const ResultRowKey &key, const void *item) const {
    const auto keyOf = [this](size_t rank) -> const ResultRowKey & {
        return rows_[byKey_.empty() ? rank : byKey_[rank]].key;
    };
    size_t low = 0;
    size_t high = Count();
    while (low < high) {
        const size_t middle = low + (high - low) / 2;
        if (SortsBefore(keyOf(middle), key)) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    for (size_t rank = low; rank < Count() && !SortsBefore(key, keyOf(rank)); ++rank) {
        const size_t index = byKey_.empty() ? rank : byKey_[rank];
        if (item == nullptr || rows_[index].item == item) {
            return index;
        }
    }
    return kNotFound;
}

void ResultRowOrder::EraseAt(size_t index) {
    if (index >= Count()) {
        return;
    }
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(index));
    if (!byKey_.empty()) {
        byKey_.erase(std::find(byKey_.begin(), byKey_.end(), index));
        for (size_t &shown : byKey_) {
            shown -= shown > index ? 1 : 0;
        }
    }
}

void ResultRowOrder::Clear() {
    rows_.clear();
    added_ = 0;
    byKey_.clear();
}

}  // namespace runner
