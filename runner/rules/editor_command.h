// The command that opens a source file at a line in the user's editor. Portable.
#pragma once

#include <string>

namespace runner {

// The command with every {file} and {line} replaced; other text, braces included,
// stays as written. The file goes in as it is: the command decides on quotes.
std::string ExpandEditorCommand(const std::string &command, const std::string &file, long line);

}  // namespace runner
