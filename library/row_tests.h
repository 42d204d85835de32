// Tests made from the rows of a table: each row a test of its own, named after the
// table and the row, that the run calls with its row.
#pragma once

#include "records.h"

namespace nvk {

// Adds a test for each row of the table to the batch; false when a row was refused
// (a registration error says why), the others are added all the same.
bool DeclareRows(NvkBatch *batch, const NvkRowsDeclaration &table);

}  // namespace nvk
