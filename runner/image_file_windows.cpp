#include <windows.h>

#include "image_validation.h"
#include "resources/resource.h"

namespace runner {
namespace {

unsigned ValidateMappedView(HANDLE mapping, size_t size, uint16_t ownMachine) {
    void *view = MapViewOfFileEx(mapping, FILE_MAP_READ, 0, 0, 0, nullptr);
    if (view == nullptr) {
        return IDS_CANNOT_MAP;
    }
    const unsigned result = ValidateImageBytes(static_cast<const unsigned char *>(view), size, ownMachine);
    UnmapViewOfFile(view);
    return result;
}

unsigned ValidateOpenFile(HANDLE file, uint16_t ownMachine) {
    // The view covers the whole file; its size bounds every read of the header.
    LARGE_INTEGER fileSize;
    if (!GetFileSizeEx(file, &fileSize) || fileSize.QuadPart <= 0 ||
        static_cast<unsigned long long>(fileSize.QuadPart) > SIZE_MAX) {
        return IDS_CANNOT_MAP;
    }
    HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (mapping == nullptr) {
        return IDS_CANNOT_MAP;
    }
    const unsigned result = ValidateMappedView(mapping, static_cast<size_t>(fileSize.QuadPart), ownMachine);
    CloseHandle(mapping);
    return result;
}

}  // namespace

unsigned ValidateLibraryFile(const char *path, uint16_t ownMachine) {
    if (path == nullptr || path[0] == '\0') {
        return IDS_CANNOT_READ;
    }
    HANDLE file = CreateFileA(path, FILE_READ_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return IDS_CANNOT_READ;
    }
    const unsigned result = ValidateOpenFile(file, ownMachine);
    CloseHandle(file);
    return result;
}

}  // namespace runner
