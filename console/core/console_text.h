// Texts the console runner makes from what tests leave: names and messages made
// safe for one console line, and times.
#pragma once

#include <string>

namespace console {

// Control bytes as escapes ("\n", "\t", "\x1b"), so that a message stays on the
// one "file(line): error:" line that IDEs read and cannot drive the terminal.
// Other bytes, also those from 0x80 up, stay as they are.
std::string EscapeControlBytes(const std::string &text);

// A test's name as --list prints it: control bytes escaped as above and a
// backslash as "\\", so that each name is one line and reads back unambiguously.
std::string ListedName(const std::string &fullName);

// Seconds to the millisecond ("12.345"). Made without the C library's number
// formatting: that may look up the runtime's module, which waits for the loader
// while a library's loading or unloading hangs and the runner reports it.
std::string MillisecondsText(double seconds);

// The run's closing line, "N passed, M failed", then ", K skipped", ", J not run" and
// ", F flaky" each where it is not 0: scripts read the line by its start. The flaky
// tests are among the passed.
std::string ClosingLine(unsigned passed, unsigned failed, unsigned skipped, unsigned notRun, unsigned flaky = 0);

}  // namespace console
