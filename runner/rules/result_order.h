// The order of the result list's rows, kept beside the list, which draws each row
// from here: a row is found by binary search, and rows added in bulk are placed all
// at once instead of one by one. Portable.
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

// What a row sorts by in one column: a number, or else a text; a blank cell sorts
// before any other.
struct ResultSortValue {
    bool blank;
    bool numeric;
    double number;
    const char *text;
};

struct ResultRow {
    ResultRowKey key;
    // The record the row shows.
    void *item;
    // A new row shows its names only, until its test is first reset or ends.
    bool showsResult;
};

class ResultRowOrder {
public:
    static constexpr size_t kNotFound = static_cast<size_t>(-1);

    // Records a new row, placed by the next Settle: a library registers its tests
    // one by one, and placing each as it comes would move the rows after it.
    void Add(const ResultRowKey &key, void *item);
    // Places the rows added since the last call among the others, each after the
    // rows with the same key, and puts all rows back in the keys' order; true when
    // there were any.
    bool Settle();
    // Orders the placed rows by one value each, given in the rows' present order;
    // rows with equal values keep the keys' order, whichever way the values go.
    void SortBy(const std::vector<ResultSortValue> &values, bool descending);
    // The index of the placed row with exactly this key and, unless NULL, this
    // record, or kNotFound.
    size_t Find(const ResultRowKey &key, const void *item = nullptr) const;
    ResultRow &At(size_t index) { return rows_[index]; }
    const ResultRow &At(size_t index) const { return rows_[index]; }
    void EraseAt(size_t index);
    void Clear();
    // The placed rows.
    size_t Count() const { return rows_.size() - added_; }

private:
    // The placed rows' indices in the keys' order.
    std::vector<size_t> KeyOrder() const;
    void RestoreKeyOrder();

    std::vector<ResultRow> rows_;
    // How many rows at the end of rows_ wait for Settle.
    size_t added_ = 0;
    // Once sorted by a column, the indices of the placed rows in the keys' order;
    // empty while the rows are in that order themselves.
    std::vector<size_t> byKey_;
};

}  // namespace runner
