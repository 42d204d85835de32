#include "memory.h"

#include <atomic>
#include <cstring>

#include "norvik.h"

namespace {

// The threads a test starts allocate the records of their failures.
std::atomic<int32_t> allocationCount{0};

}  // namespace

namespace nvk {

void EndProcessOutOfMemory() { std::exit(1); }

void *AllocateUntracked(std::size_t size) {
    void *block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) {
        EndProcessOutOfMemory();
    }
    return block;
}

char *CopyUntracked(const char *text) {
    if (text == nullptr || text[0] == '\0') {
        return nullptr;
    }
    const std::size_t size = std::strlen(text) + 1;
    return static_cast<char *>(std::memcpy(AllocateUntracked(size), text, size));
}

void *AllocateTracked(std::size_t size) {
    void *block = std::calloc(1, size);
    if (block == nullptr) {
        EndProcessOutOfMemory();
    }
    CountAllocation();
    return block;
}

void FreeTracked(void *block) {
    std::free(block);
    CountRelease();
}

void CountAllocation() { allocationCount.fetch_add(1, std::memory_order_relaxed); }

void CountRelease() { allocationCount.fetch_sub(1, std::memory_order_relaxed); }

}  // namespace nvk

extern "C" {

void *NVK_CALL NvkMemAlloc(size_t size) {
    if (size == 0) {
        return nullptr;
    }
    return nvk::AllocateTracked(size);
}

char *NVK_CALL NvkMemAllocString(size_t length) {
    if (length == 0 || length + 1 == 0) {
        return nullptr;
    }
    return static_cast<char *>(nvk::AllocateTracked(length + 1));
}

char *NVK_CALL NvkMemCopyString(const char *text) {
    if (text == nullptr || text[0] == '\0') {
        return nullptr;
    }
    const size_t length = std::strlen(text);
    char *copy = static_cast<char *>(nvk::AllocateTracked(length + 1));
    std::memcpy(copy, text, length + 1);
    return copy;
}

void NVK_CALL NvkMemAppendString(char **target, const char *text, const char *separator) {
    const size_t textLength = text == nullptr ? 0 : std::strlen(text);
    if (target == nullptr || textLength == 0) {
        return;
    }
    if (*target == nullptr) {
        *target = NvkMemCopyString(text);
        return;
    }
    const size_t targetLength = std::strlen(*target);
    const size_t separatorLength = separator == nullptr ? 0 : std::strlen(separator);
    char *joined = NvkMemAllocString(targetLength + separatorLength + textLength);
    std::memcpy(joined, *target, targetLength);
    if (separatorLength != 0) {
        std::memcpy(joined + targetLength, separator, separatorLength);
    }
    std::memcpy(joined + targetLength + separatorLength, text, textLength);
    NvkMemFreeImp(target);
    *target = joined;
}

void NVK_CALL NvkMemFreeImp(void *blockAddress) {
    void **block = static_cast<void **>(blockAddress);
    if (block == nullptr || *block == nullptr) {
        return;
    }
    nvk::FreeTracked(*block);
    *block = nullptr;
}

int32_t NVK_CALL NvkMemGetAllocCount(void) { return allocationCount.load(std::memory_order_relaxed); }

}  // extern "C"
