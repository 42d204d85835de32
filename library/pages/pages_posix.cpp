// Backing a fresh block at once, on Linux by populating its pages for writing.
#include "pages.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace {

// Below this, the call costs more than the faults it saves.
constexpr std::size_t kWorthwhile = std::size_t{1} << 20;

}  // namespace

namespace nvk {

void BackPagesAtOnce(void *block, std::size_t size) {
#if defined(MADV_POPULATE_WRITE)
    if (size < kWorthwhile) {
        return;
    }
    const auto pageSize = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<uintptr_t>(block);
    // Only the pages inside the block: the allocator's own header shares the first one.
    const uintptr_t first = (start + pageSize - 1) & ~(pageSize - 1);
    const uintptr_t end = (start + size) & ~(pageSize - 1);
    // A kernel that does not know the request refuses it; the faults then come as before.
    (void)madvise(reinterpret_cast<void *>(first), end - first, MADV_POPULATE_WRITE);
#else
    (void)block;
    (void)size;
#endif
}

}  // namespace nvk
