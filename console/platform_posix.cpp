#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>

#include "platform.h"

namespace console {
namespace {

int outputLines = STDOUT_FILENO;
int errorLines = STDERR_FILENO;

void WriteAll(int fd, FILE *stream, const std::string &text) {
    std::fflush(stream);
    const char *bytes = text.data();
    size_t size = text.size();
    while (size > 0) {
        const ssize_t written = write(fd, bytes, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;
        }
        bytes += written;
        size -= static_cast<size_t>(written);
    }
}

}  // namespace

const char kProgramName[] = "norvik-run";

bool PrepareColourTerminal() { return isatty(STDOUT_FILENO) != 0; }

void WriteOutput(const std::string &text) { WriteAll(outputLines, stdout, text); }

void WriteError(const std::string &text) { WriteAll(errorLines, stderr, text); }

void WriteLinesTo(intptr_t output, intptr_t error) {
    outputLines = static_cast<int>(output);
    errorLines = static_cast<int>(error);
}

std::string AbsolutePath(const std::string &path) {
    if (path.empty() || path[0] == '/') {
        return path;
    }
    char folder[PATH_MAX];
    if (getcwd(folder, sizeof folder) == nullptr) {
        return path;
    }
    return std::string(folder) + "/" + path;
}

bool WriteWholeFile(const std::string &path, const std::string &bytes) {
    FILE *file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

bool TouchFile(const std::string &path) {
    FILE *file = std::fopen(path.c_str(), "ab");
    return file != nullptr && std::fclose(file) == 0;
}

}  // namespace console
