// The test tree's items by key. A record's user data holds only 32 bits while an
// item handle is pointer-sized, so records keep a key into this table, and tree
// items carry the same key as their item data. A batch's test items are inserted
// only once it is first expanded, which the table notes. Portable.
#pragma once

#include <cstdint>
#include <vector>

namespace runner {

enum class ItemKind : uint8_t { Batch, TestFunction };

// The table keeps an entry for every test whose batch was ever expanded, its item
// gone or not: the small fields share the last word.
struct TreeEntry {
    TreeEntry(void *shownItem, ItemKind itemKind, void *shownRecord)
        : item(shownItem), record(shownRecord), kind(itemKind) {}

    void *item;
    void *record;
    ItemKind kind;
    bool childrenInserted = false;
};

class TreeItemTable {
public:
    // The key of the new entry; never 0, the value of user data nobody set.
    int32_t Add(const TreeEntry &entry);
    // The key the next Add gives.
    int32_t NextKey() const { return static_cast<int32_t>(entries_.size()) + 1; }
    // The key a record's new item takes: the one it carries, when that is its own,
    // since a record keeps the first key it was given; else the next.
    int32_t KeyFor(int64_t carried, const void *record) const;
    // Puts the entry under a key KeyFor gave.
    void Put(int32_t key, const TreeEntry &entry);
    // The items are gone but the records keep their keys, for items made anew.
    void ForgetItems();
    // The records are gone but their items stay, for new records to take over.
    void ForgetRecords();
    // A new record takes over the item of a key; false for keys this table never gave.
    bool GiveRecord(int64_t key, void *record);
    // The entry of a key, or NULL for 0 and for keys this table never gave.
    const TreeEntry *Find(int64_t key) const;
    // True once for each batch's key: the caller inserts its test items then. False
    // for test functions and for keys this table never gave.
    bool TakeChildrenToInsert(int64_t key);
    void Clear() { entries_.clear(); }

private:
    std::vector<TreeEntry> entries_;
};

}  // namespace runner
