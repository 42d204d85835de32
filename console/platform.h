// What the console runner needs of its platform besides loading libraries and
// starting workers: its name, its output, colour on a terminal, and files by
// paths in UTF-8. One file per platform.
#pragma once

#include <cstdint>
#include <string>

namespace console {

extern const char kProgramName[];

// True when standard output is a terminal that shows colour codes; turns them on
// where the terminal needs that.
bool PrepareColourTerminal();

// Writes to standard output or error at once, after what the C runtime still holds
// for it, which tests may have printed. A console gets the text as UTF-8 however
// its code page is set. Usable while the process ends.
void WriteOutput(const std::string &text);
void WriteError(const std::string &text);
// From now on the two write to these instead (a descriptor, or a handle): the
// standard streams were taken to capture the tests' output.
void WriteLinesTo(intptr_t output, intptr_t error);

// The path made absolute against the current folder, which a test may change.
std::string AbsolutePath(const std::string &path);

// Writes the bytes as the whole file; false when they were not all written.
bool WriteWholeFile(const std::string &path, const std::string &bytes);
// Creates the file when it does not exist, keeping what it holds.
bool TouchFile(const std::string &path);

}  // namespace console
