#include "registry_index.h"

#include <cstdio>

namespace run {
namespace {

std::string TextOf(const char *text) { return text != nullptr ? text : ""; }

// 64-bit FNV-1a: stable across builds and platforms, which std::hash is not.
class NameHash {
public:
    void Add(const std::string &text) {
        for (const char character : text) {
            AddByte(static_cast<unsigned char>(character));
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

RegistryIndex RegistryIndex::OfLoadedLibrary() {
    RegistryIndex index;
    // Asking an empty registry for its first batch would create one.
    if (NvkBatchGetCount(nullptr) == 0) {
        index.fingerprint_ = "0";
        return index;
    }
    NameHash hash;
    for (NvkBatch *batch = NvkBatchGetFirst(); batch != nullptr; batch = NvkBatchGetNext(batch)) {
        const uint32_t batchPlace = static_cast<uint32_t>(index.batches_.size());
        const std::string batchName = TextOf(NvkBatchGetName(batch));
        index.batches_.push_back(batch);
        index.firstOfBatch_.push_back(static_cast<TestKey>(index.tests_.size()));
        hash.Add(batchName);
        uint32_t place = 0;
        for (NvkTestFunction *test = NvkBatchGetFirstTestFunction(batch); test != nullptr;
             test = NvkTestFunctionGetNext(test), ++place) {
            TestIdentity identity;
            identity.key = static_cast<TestKey>(index.tests_.size());
            identity.ref = {batchPlace, place};
            identity.batch = batchName;
            identity.name = TextOf(NvkTestFunctionGetName(test));
            identity.file = TextOf(NvkTestFunctionGetSourceFile(test));
            identity.line = NvkTestFunctionGetSourceLine(test);
            hash.Add(identity.name);
            index.keys_.emplace(test, identity.key);
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
    const auto found = keys_.find(function);
    if (found == keys_.end()) {
        return false;
    }
    key = found->second;
    return true;
}

std::vector<TestRef> RegistryIndex::Selected(NvkBatch *only) const {
    std::vector<TestRef> selected;
    for (const TestIdentity &test : tests_) {
        if ((only == nullptr || batches_[test.ref.batch] == only) && NvkTestFunctionGetSkip(functions_[test.key]) == 0) {
            selected.push_back(test.ref);
        }
    }
    return selected;
}

void RegistryIndex::Select(const std::vector<TestRef> &tests) const {
    for (NvkTestFunction *function : functions_) {
        NvkTestFunctionSetSkip(function, 1);
    }
    for (const TestRef &test : tests) {
        NvkTestFunctionSetSkip(Function(test), 0);
    }
}

}  // namespace run
