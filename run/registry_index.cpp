#include "registry_index.h"

#include <algorithm>
#include <cstdio>

#include "library_text.h"

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

}  // namespace

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
    for (NvkBatch *batch = NvkBatchGetFirst(); batch != nullptr; batch = NvkBatchGetNext(batch)) {
        const uint32_t batchPlace = static_cast<uint32_t>(index.batches_.size());
        const char *const batchName = NvkBatchGetName(batch);
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
                identity.batch = TextOf(batchName);
                identity.name = TextOf(name);
                identity.file = TextOf(NvkTestFunctionGetSourceFile(test));
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
    std::vector<std::pair<NvkTestFunction *, TestKey>> &keys = byFunction_->keys;
    std::call_once(byFunction_->made, [this, &keys] {
        keys.reserve(functions_.size());
        for (TestKey each = 0; each < functions_.size(); ++each) {
            keys.emplace_back(functions_[each], each);
        }
        std::sort(keys.begin(), keys.end());
    });
    const auto found = std::lower_bound(keys.begin(), keys.end(), std::make_pair(function, TestKey(0)));
    if (found == keys.end() || found->first != function) {
        return false;
    }
    key = found->second;
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
