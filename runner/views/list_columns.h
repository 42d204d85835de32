// What the result list and the failure list share: their look, their columns and
// the column widths that follow the texts.
#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

namespace runner {

// Grid lines, full-row selection, double buffering, black on white, and one
// left-aligned column per string id.
void SetUpListView(HWND list, const unsigned *columnTitleIds, size_t columnCount);

// The text of a cell of a list that draws its rows itself, written into text (of
// size bytes) unless it is at hand elsewhere; returns where it is.
using CellTextSource = const char *(*)(int row, int column, char *text, size_t size);

// Each column as wide as its widest text (header included) plus a margin, but for
// the columns whose width the user set. A list that draws its rows itself gives the
// source of its texts, which spares a message to the list for every cell.
void AutosizeColumns(HWND list, CellTextSource cellText = nullptr);

// The widths the user gave columns by dragging their dividers, 0 for a column that
// follows its texts; one entry per column.
std::vector<int> UserColumnWidths(HWND list);
void SetUserColumnWidths(HWND list, const std::vector<int> &widths);

// Notes the width the user dragged a column of either list to; true when handled.
bool ColumnsHandleMessage(UINT message, LPARAM lParam);

// Writes the text of one cell.
void SetCellText(HWND list, int row, int column, const char *text);

}  // namespace runner
