// The result list: one row per test function, ordered by batch name and then test
// function name, with its file, result, time and assertion counts, as the copies of
// its latest run tell them.
#pragma once

#include <windows.h>

#include <cstdint>

#include "norvik.h"
#include "views/view_context.h"

namespace runner {

void SetUpResultList(HWND list, const ViewContext &context);

// The result list's part of the runner's event handling.
void ResultListOnEvent(int32_t code, void *first, void *second);

// Notifications from the result list; true when handled.
bool ResultListHandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

// Whether the notification just handled left its answer as the dialog's message
// result, which the dialog must then return; asking forgets it. Setting that result
// costs a call to the window system, so only the rare notifications that need an
// answer set it.
bool ResultListLeftAnswer();

// Shows the test function's row as the test in progress, "Testing", once its copies
// say that it started, until its end's event.
void ResultListShowTestInProgress(NvkTestFunction *testFunction);

// Selects the row of a test function, or no row for NULL.
void ResultListSelect(NvkTestFunction *testFunction);

void AutosizeResultColumns();

// The row at the top of the list, and scrolling a row there, so that a reload can
// keep what was in sight.
int ResultListTopRow();
void ResultListScrollTo(int topRow);

}  // namespace runner
