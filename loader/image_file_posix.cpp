#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <functional>

#include "image_validation.h"

namespace loader {
namespace {

using ByteRule = std::function<LoadFailure(const unsigned char *bytes, size_t size)>;

LoadFailure ValidateOpenFile(int file, const ByteRule &rule) {
    struct stat status;
    // Only a regular file can be a library; a directory opens here but not on Windows.
    if (fstat(file, &status) != 0 || !S_ISREG(status.st_mode)) {
        return LoadFailure::CannotRead;
    }
    if (status.st_size <= 0 || static_cast<unsigned long long>(status.st_size) > SIZE_MAX) {
        return LoadFailure::CannotMap;
    }
    const size_t size = static_cast<size_t>(status.st_size);
    void *view = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file, 0);
    if (view == MAP_FAILED) {
        return LoadFailure::CannotMap;
    }
    const LoadFailure result = rule(static_cast<const unsigned char *>(view), size);
    munmap(view, size);
    return result;
}

LoadFailure ValidateFile(const char *path, const ByteRule &rule) {
    if (path == nullptr || path[0] == '\0') {
        return LoadFailure::CannotRead;
    }
    const int file = open(path, O_RDONLY | O_CLOEXEC);
    if (file < 0) {
        return LoadFailure::CannotRead;
    }
    const LoadFailure result = ValidateOpenFile(file, rule);
    close(file);
    return result;
}

}  // namespace

LoadFailure ValidateLibraryFile(const char *path, uint16_t ownMachine) {
    return ValidateFile(path, [ownMachine](const unsigned char *bytes, size_t size) {
        return ValidateImageBytes(bytes, size, ownMachine);
    });
}

LoadFailure ValidateSharedObjectFile(const char *path, unsigned char ownClass, uint16_t ownMachine) {
    return ValidateFile(path, [ownClass, ownMachine](const unsigned char *bytes, size_t size) {
        return ValidateSharedObjectBytes(bytes, size, ownClass, ownMachine);
    });
}

}  // namespace loader
