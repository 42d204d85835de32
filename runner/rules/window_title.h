// The main window's title while a test library is loaded. Portable.
#pragma once

#include <cstddef>

namespace runner {

// Writes "path - displayName" into buffer, always terminated and never beyond
// bufferSize bytes. A path too long for the buffer gives way at its start, marked by
// "...", so that the file name and the display name stay readable.
void FormatLibraryTitle(char *buffer, size_t bufferSize, const char *path, const char *displayName);

}  // namespace runner
