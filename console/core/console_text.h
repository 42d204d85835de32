// Texts the console runner makes from what tests leave: names and messages made
// safe for one console line.
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

}  // namespace console
