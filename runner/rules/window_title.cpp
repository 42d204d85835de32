#include "rules/window_title.h"

#include <cstdio>
#include <cstring>

namespace runner {
namespace {

constexpr char kSeparator[] = " - ";
constexpr char kCutMark[] = "...";

}  // namespace

void FormatLibraryTitle(char *buffer, size_t bufferSize, const char *path, const char *displayName) {
    if (buffer == nullptr || bufferSize == 0) {
        return;
    }
    if (path == nullptr) {
        path = "";
    }
    if (displayName == nullptr) {
        displayName = "";
    }
    const size_t room = bufferSize - 1;
    const size_t pathLength = std::strlen(path);
    const size_t suffixLength = std::strlen(kSeparator) + std::strlen(displayName);
    const size_t markLength = std::strlen(kCutMark);
    if (pathLength + suffixLength > room && suffixLength + markLength < room) {
        const size_t keptLength = room - suffixLength - markLength;
        std::snprintf(buffer, bufferSize, "%s%s%s%s", kCutMark, path + (pathLength - keptLength), kSeparator,
                      displayName);
        return;
    }
    // Fits, or the display name alone fills the buffer: the output is cut at its end.
    std::snprintf(buffer, bufferSize, "%s%s%s", path, kSeparator, displayName);
}

}  // namespace runner
