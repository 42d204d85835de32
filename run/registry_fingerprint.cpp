#include "registry_fingerprint.h"

#include <cstdint>
#include <cstdio>

#include "norvik.h"

namespace run {
namespace {

// 64-bit FNV-1a: stable across builds and platforms, which std::hash is not.
class NameHash {
public:
    void Add(const char *text) {
        for (const char *at = text != nullptr ? text : ""; *at != '\0'; ++at) {
            AddByte(static_cast<unsigned char>(*at));
        }
        // A separator no name holds, so that "ab"+"c" and "a"+"bc" differ.
        AddByte(0);
    }
    uint64_t Value() const { return value_; }

private:
    void AddByte(unsigned char byte) {
        value_ ^= byte;
        value_ *= 0x100000001B3ull;
    }
    uint64_t value_ = 0xCBF29CE484222325ull;
};

}  // namespace

std::string RegistryFingerprint() {
    // Asking an empty registry for its first batch would create one.
    if (NvkBatchGetCount(nullptr) == 0) {
        return "0";
    }
    NameHash hash;
    unsigned long tests = 0;
    for (NvkBatch *batch = NvkBatchGetFirst(); batch != nullptr; batch = NvkBatchGetNext(batch)) {
        hash.Add(NvkBatchGetName(batch));
        for (NvkTestFunction *test = NvkBatchGetFirstTestFunction(batch); test != nullptr;
             test = NvkTestFunctionGetNext(test)) {
            hash.Add(NvkTestFunctionGetName(test));
            ++tests;
        }
        hash.Add(nullptr);
    }
    char text[48];
    std::snprintf(text, sizeof text, "%lu:%016llx", tests, static_cast<unsigned long long>(hash.Value()));
    return text;
}

}  // namespace run
