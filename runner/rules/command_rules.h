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
    SeparateRunInProgress,
    SeparateProcessChosen,
};

// What a command may do to a run in a worker process that the window shows while
// it goes on: commands that would change the registry or the selection, or start
// another run, wait until it ended.
enum class DuringRun { Offered, Held };

// What the rules look at, gathered once per command state update.
struct WindowFacts {
    bool batchAvailable = false;
    bool reportShown = false;
    bool currentTestFunction = false;
    bool listMode = true;
    bool libraryOpen = false;
    // A test function of the loaded library failed (or crashed) in its last run.
    bool failuresRecorded = false;
    // Tests run in a worker process now: the window stays usable meanwhile.
    bool separateRunInProgress = false;
    // Runs start in a worker process.
    bool separateProcessChosen = false;
};

bool IsOffered(OfferRule rule, const WindowFacts &facts);
// A command is offered by its rule, and during a separate run only when it may be.
bool IsOffered(OfferRule rule, DuringRun duringRun, const WindowFacts &facts);

}  // namespace runner
