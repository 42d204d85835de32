// What the console runner needs of its platform besides loading libraries: its
// name, colour on a terminal, and, when a test hangs, stopping the test thread
// where the library's state is whole and ending at once. One file per platform.
#pragma once

#include <string>

namespace console {

extern const char kProgramName[];

// True when standard output is a terminal that shows colour codes; turns them on
// where the terminal needs that.
bool PrepareColourTerminal();

// Remembers the calling thread as the one that runs the tests.
void RememberTestThread();

// From another thread: stops the test thread at a moment when it runs code of the
// test library at libraryPath (so it is inside no call of the Norvik library, whose
// state is then whole) and leaves it stopped. False when that did not happen within
// about a second, for example while the test waits in the system; the thread then
// runs on.
bool PauseTestThreadInLibrary(const std::string &libraryPath);

// Ends the process with the exit code without running anything more of it: a
// hanging test may hold locks that a normal exit would wait for.
[[noreturn]] void EndProcessNow(int exitCode);

}  // namespace console
