#include "registry_index.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>

namespace run {
namespace {

// 64-bit FNV-1a: stable across builds and platforms, which std::hash is not.
class NameHash {
public:
    void Add(const char *text) {
        for (; text != nullptr && *text != '\0'; ++text) {
            AddByte(static_cast<unsigned char>(*text));
        }
        // A separator no name holds, so that "ab"+"c" and "a"+"bc" differ.
        AddByte(0);
    }
    void EndBatch() { AddByte(0); }
    uint64_t Value() const { return value_; }

private:
    void AddByte(unsigned char byte) {
        value_ ^= byte;
        value_ *= 0x100000001B3ull;
    }
    uint64_t value_ = 0xCBF29CE484222325ull;
};

// Room for the names of a few thousand tests: one allocation for many copies.
constexpr size_t kTextBlockSize = 64 * 1024;

}  // namespace

std::string TestIdentity::FullName() const {
    std::string full;
    full.reserve(batch.size() + 1 + name.size());
    full.append(std::string_view(batch)).append(1, '.').append(std::string_view(name));
    return full;
}

const char *RegistryIndex::TextCopies::Keep(const char *text) {
    const size_t length = text != nullptr ? std::strlen(text) : 0;
    if (length == 0) {
        return "";
    }
    if (length + 1 > left_) {
        const size_t size = std::max(kTextBlockSize, length + 1);
        blocks_.push_back(std::make_unique<char[]>(size));
        free_ = blocks_.back().get();
        left_ = size;
    }
    char *const copy = free_;
    std::memcpy(copy, text, length + 1);
    free_ += length + 1;
    left_ -= length + 1;
    return copy;
}

RegistryIndex RegistryIndex::OfLoadedLibrary(Names names) {
    RegistryIndex index;
    // Asking an empty registry for its first batch would create one.
    if (NvkBatchGetCount(nullptr) == 0) {
        index.fingerprint_ = "0";
        return index;
    }
    // Counted first, so that each table is one block.
    size_t count = 0;
    for (NvkBatch *batch = NvkBatchGetFirst(); batch != nullptr; batch = NvkBatchGetNext(batch)) {
        for (NvkTestFunction *test = NvkBatchGetFirstTestFunction(batch); test != nullptr;
             test = NvkTestFunctionGetNext(test)) {
            ++count;
        }
    }
    index.tests_.reserve(count);
    index.functions_.reserve(count);
    NameHash hash;
    // The tests of a batch are mostly defined in one file, kept once for them all.
    const char *lastFile = "";
    for (NvkBatch *batch = NvkBatchGetFirst(); batch != nullptr; batch = NvkBatchGetNext(batch)) {
        const uint32_t batchPlace = static_cast<uint32_t>(index.batches_.size());
        const char *const batchName = NvkBatchGetName(batch);
        const char *const batchCopy = names == Names::Kept ? index.texts_.Keep(batchName) : "";
        index.batches_.push_back(batch);
        index.firstOfBatch_.push_back(static_cast<TestKey>(index.tests_.size()));
        hash.Add(batchName);
        uint32_t place = 0;
        for (NvkTestFunction *test = NvkBatchGetFirstTestFunction(batch); test != nullptr;
             test = NvkTestFunctionGetNext(test), ++place) {
            TestIdentity identity;
            identity.key = static_cast<TestKey>(index.tests_.size());
            identity.ref = {batchPlace, place};
            const char *const name = NvkTestFunctionGetName(test);
            if (names == Names::Kept) {
                identity.batch = batchCopy;
                identity.name = index.texts_.Keep(name);
                const char *const file = NvkTestFunctionGetSourceFile(test);
                if (file == nullptr || std::strcmp(lastFile, file) != 0) {
                    lastFile = index.texts_.Keep(file);
                }
                identity.file = lastFile;
                identity.line = NvkTestFunctionGetSourceLine(test);
            }
            hash.Add(name);
            index.functions_.push_back(test);
            index.tests_.push_back(std::move(identity));
        }
        hash.EndBatch();
    }
    char text[48];
    std::snprintf(text, sizeof text, "%lu:%016llx", static_cast<unsigned long>(index.tests_.size()),
                  static_cast<unsigned long long>(hash.Value()));
    index.fingerprint_ = text;
    return index;
}

bool RegistryIndex::Find(NvkTestFunction *function, TestKey &key) const {
    std::vector<TestKey> &keys = byFunction_->keys;
    const std::less<const NvkTestFunction *> before;
    std::call_once(byFunction_->made, [this, &keys, &before] {
        keys.resize(functions_.size());
        for (TestKey each = 0; each < functions_.size(); ++each) {
            keys[each] = each;
        }
        std::sort(keys.begin(), keys.end(),
                  [this, &before](TestKey left, TestKey right) { return before(functions_[left], functions_[right]); });
    });
    const auto found = std::lower_bound(
        keys.begin(), keys.end(), function,
        [this, &before](TestKey each, const NvkTestFunction *wanted) { return before(functions_[each], wanted); });
    if (found == keys.end() || functions_[*found] != function) {
        return false;
    }
    key = *found;
    return true;
}

std::vector<TestRef> RegistryIndex::Selected(NvkBatch *only) const {
    std::vector<TestRef> selected;
    for (const TestIdentity &test : tests_) {
        if ((only == nullptr || batches_[test.ref.batch] == only) &&
            NvkTestFunctionGetSkip(functions_[test.key]) == 0) {
            selected.push_back(test.ref);
        }
    }
    return selected;
}

void RegistryIndex::Select(const std::vector<TestRef> &tests) const {
    std::vector<bool> chosen(functions_.size(), false);
    for (const TestRef &test : tests) {
        chosen[KeyOf(test)] = true;
    }
    for (size_t key = 0; key < functions_.size(); ++key) {
        NvkTestFunctionSetSkip(functions_[key], chosen[key] ? 0 : 1);
    }
}

}  // namespace run
