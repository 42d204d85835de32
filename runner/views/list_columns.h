// What the result list and the failure list share: their look, their columns and
// the column widths that follow the texts.
#pragma once

#include <windows.h>

#include <cstddef>

namespace runner {

// Grid lines, full-row selection, double buffering, black on white, and one
// left-aligned column per string id.
void SetUpListView(HWND list, const unsigned *columnTitleIds, size_t columnCount);

// Each column as wide as its widest text (header included) plus a margin.
void AutosizeColumns(HWND list);

// Writes the text of one cell.
void SetCellText(HWND list, int row, int column, const char *text);

}  // namespace runner
