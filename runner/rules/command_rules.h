// When each command of the window is offered: the rules shared by its menu item,
// its key and its button. Portable.
#pragma once

namespace runner {

enum class OfferRule {
    Always,
    BatchAvailable,
    ReportShown,
    CurrentTestFunction,
    NotInListMode,
    NotInXmlMode,
    LibraryOpen,
    FailuresRecorded,
};

// What the rules look at, gathered once per command state update.
struct WindowFacts {
    bool batchAvailable = false;
    bool reportShown = false;
    bool currentTestFunction = false;
    bool listMode = true;
    bool libraryOpen = false;
    // A test function of the loaded library failed (or crashed) in its last run.
    bool failuresRecorded = false;
};

bool IsOffered(OfferRule rule, const WindowFacts &facts);

}  // namespace runner
