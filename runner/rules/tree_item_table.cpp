// The tree's key table: entries by the key their records and items carry.
#include "rules/tree_item_table.h"

#include <cstddef>

namespace runner {

int32_t TreeItemTable::Add(const TreeEntry &entry) {
    entries_.push_back(entry);
    return static_cast<int32_t>(entries_.size());
}

const TreeEntry *TreeItemTable::Find(int64_t key) const {
    if (key <= 0 || static_cast<uint64_t>(key) > entries_.size()) {
        return nullptr;
    }
    return &entries_[static_cast<size_t>(key - 1)];
}

int32_t TreeItemTable::KeyFor(int64_t carried, const void *record) const {
    const TreeEntry *entry = Find(carried);
    return entry != nullptr && entry->record == record ? static_cast<int32_t>(carried) : NextKey();
}

void TreeItemTable::Put(int32_t key, const TreeEntry &entry) {
    if (key == NextKey()) {
        Add(entry);
    } else if (Find(key) != nullptr) {
        entries_[static_cast<size_t>(key - 1)] = entry;
    }
}

void TreeItemTable::ForgetItems() {
    for (TreeEntry &entry : entries_) {
        entry.item = nullptr;
        entry.childrenInserted = false;
    }
}

void TreeItemTable::ForgetRecords() {
    for (TreeEntry &entry : entries_) {
        entry.record = nullptr;
    }
}

bool TreeItemTable::GiveRecord(int64_t key, void *record) {
    if (Find(key) == nullptr) {
        return false;
    }
    entries_[static_cast<size_t>(key - 1)].record = record;
    return true;
}

bool TreeItemTable::TakeChildrenToInsert(int64_t key) {
    const TreeEntry *found = Find(key);
    if (found == nullptr || found->kind != ItemKind::Batch || found->childrenInserted) {
        return false;
    }
    entries_[static_cast<size_t>(key - 1)].childrenInserted = true;
    return true;
}

}  // namespace runner
