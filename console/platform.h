// What the console runner needs of its platform besides loading libraries: its
// name, colour on a terminal, and ending at once when a test hangs. One file per
// platform.
#pragma once

namespace console {

extern const char kProgramName[];

// True when standard output is a terminal that shows colour codes; turns them on
// where the terminal needs that.
bool PrepareColourTerminal();

// Ends the process with the exit code without running anything more of it: a
// hanging test may hold locks that a normal exit would wait for.
[[noreturn]] void EndProcessNow(int exitCode);

}  // namespace console
