// The order of the result list's rows, kept beside the list so that a row is found
// and placed by binary search instead of by scanning or re-sorting the list. Portable.
#pragma once

#include <cstddef>
#include <vector>

namespace runner {

// Compares two names byte by byte as unsigned values: -1, 0 or 1. A name that is a
// prefix of the other sorts first; upper and lower case are different bytes.
int CompareNameBytes(const char *first, const char *second);

// A row's sort key: its batch name, then its test function name. The names belong to
// the row's record and must stay valid while the row exists.
struct ResultRowKey {
    const char *batchName;
    const char *testName;
};

class ResultRowOrder {
public:
    static constexpr size_t kNotFound = static_cast<size_t>(-1);

    // Records a new row and returns the index it takes in the list.
    size_t Insert(const ResultRowKey &key);
    // The index of the row with exactly this key, or kNotFound.
    size_t Find(const ResultRowKey &key) const;
    void EraseAt(size_t index);
    void Clear() { rows_.clear(); }
    size_t Count() const { return rows_.size(); }

private:
    std::vector<ResultRowKey> rows_;
};

}  // namespace runner
