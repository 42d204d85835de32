// Tracked allocation: every block the library makes for records, strings and
// texts handed to callers counts in the process-wide allocation count.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>

namespace nvk {

[[noreturn]] void EndProcessOutOfMemory();

// A zero-filled, counted block; never NULL for a size above 0.
void *AllocateTracked(std::size_t size);
void FreeTracked(void *block);

// For records that the library keeps side by side in larger blocks of its own:
// each still counts as one allocation while it lives.
void CountAllocation();
void CountRelease();

template <typename Record>
Record *AllocateRecord() {
    return static_cast<Record *>(AllocateTracked(sizeof(Record)));
}

// Uncounted heap memory that ends the process instead of throwing when exhausted,
// for the library's private containers.
void *AllocateUntracked(std::size_t size);
// An uncounted copy of text, freed with std::free; NULL for NULL or empty text.
char *CopyUntracked(const char *text);

template <typename T>
struct UntrackedAllocator {
    using value_type = T;
    UntrackedAllocator() = default;
    template <typename U>
    UntrackedAllocator(const UntrackedAllocator<U> &) noexcept {}
    T *allocate(std::size_t count) {
        if (count > static_cast<std::size_t>(-1) / sizeof(T))
            EndProcessOutOfMemory();
        return static_cast<T *>(AllocateUntracked(count * sizeof(T)));
    }
    void deallocate(T *block, std::size_t) noexcept { std::free(block); }
    template <typename U>
    bool operator==(const UntrackedAllocator<U> &) const noexcept {
        return true;
    }
    template <typename U>
    bool operator!=(const UntrackedAllocator<U> &) const noexcept {
        return false;
    }
};

}  // namespace nvk
