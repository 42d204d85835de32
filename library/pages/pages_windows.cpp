// Backing a fresh block at once: Windows has no call that backs committed pages never
// touched short of locking them into the working set, which is capped, so the faults
// come as they come.
#include "pages.h"

namespace nvk {

void BackPagesAtOnce(void *, std::size_t) {}

}  // namespace nvk
