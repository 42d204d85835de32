#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>

#include "image_validation.h"
#include "resources/resource.h"

namespace runner {
namespace {

unsigned ValidateOpenFile(int file, uint16_t ownMachine) {
    struct stat status;
    // Only a regular file can be a library; a directory opens here but not on Windows.
    if (fstat(file, &status) != 0 || !S_ISREG(status.st_mode)) {
        return IDS_CANNOT_READ;
    }
    if (status.st_size <= 0 || static_cast<unsigned long long>(status.st_size) > SIZE_MAX) {
        return IDS_CANNOT_MAP;
    }
    const size_t size = static_cast<size_t>(status.st_size);
    void *view = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file, 0);
    if (view == MAP_FAILED) {
        return IDS_CANNOT_MAP;
    }
    const unsigned result = ValidateImageBytes(static_cast<const unsigned char *>(view), size, ownMachine);
    munmap(view, size);
    return result;
}

}  // namespace

unsigned ValidateLibraryFile(const char *path, uint16_t ownMachine) {
    if (path == nullptr || path[0] == '\0') {
        return IDS_CANNOT_READ;
    }
    const int file = open(path, O_RDONLY | O_CLOEXEC);
    if (file < 0) {
        return IDS_CANNOT_READ;
    }
    const unsigned result = ValidateOpenFile(file, ownMachine);
    close(file);
    return result;
}

}  // namespace runner
