#include <windows.h>

#include "image_validation.h"
#include "wide_text_windows.h"

namespace loader {
namespace {

LoadFailure ValidateMappedView(HANDLE mapping, size_t size, uint16_t ownMachine) {
    void *view = MapViewOfFileEx(mapping, FILE_MAP_READ, 0, 0, 0, nullptr);
    if (view == nullptr) {
        return LoadFailure::CannotMap;
    }
    const LoadFailure result = ValidateImageBytes(static_cast<const unsigned char *>(view), size, ownMachine);
    UnmapViewOfFile(view);
    return result;
}

LoadFailure ValidateOpenFile(HANDLE file, uint16_t ownMachine) {
    // The view covers the whole file; its size bounds every read of the header.
    LARGE_INTEGER fileSize;
    if (!GetFileSizeEx(file, &fileSize) || fileSize.QuadPart <= 0 ||
        static_cast<unsigned long long>(fileSize.QuadPart) > SIZE_MAX) {
        return LoadFailure::CannotMap;
    }
    HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (mapping == nullptr) {
        return LoadFailure::CannotMap;
    }
    const LoadFailure result = ValidateMappedView(mapping, static_cast<size_t>(fileSize.QuadPart), ownMachine);
    CloseHandle(mapping);
    return result;
}

}  // namespace

LoadFailure ValidateLibraryFile(const char *path, uint16_t ownMachine) {
    if (path == nullptr || path[0] == '\0') {
        return LoadFailure::CannotRead;
    }
    HANDLE file = CreateFileW(WideFromUtf8(path).c_str(), FILE_READ_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return LoadFailure::CannotRead;
    }
    const LoadFailure result = ValidateOpenFile(file, ownMachine);
    CloseHandle(file);
    return result;
}

}  // namespace loader
