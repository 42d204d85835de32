// Fresh memory about to be written whole, backed at once where the system can.
#pragma once

#include <cstddef>

namespace nvk {

// A fresh block takes a fault on the first write to each of its pages; for a block of
// megabytes, such as a large report, those faults cost as much as writing it. Where
// the system can back the block in one call, this asks for that; elsewhere, and for
// small blocks, it does nothing. The block's contents stay as they were.
void BackPagesAtOnce(void *block, std::size_t size);

}  // namespace nvk
