// Texts the console runner makes from what tests leave: names and messages made
// safe for one console line.
#pragma once

#include <string>

namespace console {

// Control bytes as escapes ("\n", "\t", "\x1b"), so that a message stays on the
// one "file(line): error:" line that IDEs read and cannot drive the terminal.
// Other bytes, also those from 0x80 up, stay as they are.
std::string EscapeControlBytes(const std::string &text);

}  // namespace console
