// Texts the console runner makes from what tests and processes leave: names and
// messages made safe for one console line, and how a worker process ended.
#pragma once

#include <cstdint>
#include <string>

namespace console {

// Control bytes as escapes ("\n", "\t", "\x1b"), so that a message stays on the
// one "file(line): error:" line that IDEs read and cannot drive the terminal.
// Other bytes, also those from 0x80 up, stay as they are.
std::string EscapeControlBytes(const std::string &text);

// A test's name as --list prints it: control bytes escaped as above and a
// backslash as "\\", so that each name is one line and reads back unambiguously.
std::string ListedName(const std::string &fullName);

struct ProcessEnd {
    bool signalled = false;  // ended by a signal (POSIX) rather than with a code
    uint32_t code = 0;       // the exit code or exception code, or the signal
};

// The failure message for a test during which its worker ended: the code in hex
// with the exception's or signal's name where known.
std::string DescribeProcessEnd(const ProcessEnd &end);

}  // namespace console
