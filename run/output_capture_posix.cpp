// Capture files on POSIX: an unlinked temporary file, put on descriptors 1 and 2.
#include <fcntl.h>
#ifdef __linux__
#  include <stdio_ext.h>
#endif
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "output_capture.h"

namespace run {
namespace {

// Gone from the folder at once: nothing is left behind by a runner that is killed.
int NewTemporaryFile() {
    const char *folder = std::getenv("TMPDIR");
    std::string path = std::string(folder != nullptr && folder[0] != '\0' ? folder : "/tmp") + "/norvik-output-XXXXXX";
    const int fd = mkostemp(&path[0], O_CLOEXEC);
    if (fd >= 0) {
        unlink(path.c_str());
    }
    return fd;
}

std::string ReadAt(int fd, uint64_t offset, size_t count) {
    std::string text(count, '\0');
    size_t done = 0;
    while (done < count) {
        const ssize_t got = pread(fd, &text[done], count - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        done += static_cast<size_t>(got);
    }
    text.resize(done);
    return text;
}

// A stream that holds no bytes is not flushed: flushing it anyway locks and syncs it
// at the end of every test, most of which print nothing.
void FlushStream(FILE *stream) {
#ifdef __linux__
    if (__fpending(stream) == 0) {
        return;
    }
#endif
    std::fflush(stream);
}

void FlushStreams() {
    FlushStream(stdout);
    FlushStream(stderr);
}

}  // namespace

struct StandardCapture::Files {
    int file = -1;
    int originalOutput = -1;
    int originalError = -1;
};

std::unique_ptr<StandardCapture> StandardCapture::IntoNewFile() {
    const int file = NewTemporaryFile();
    if (file < 0) {
        return nullptr;
    }
    return IntoFile(file);
}

// The streams share one open file, and so one position: output and errors stay in
// the order they were written.
std::unique_ptr<StandardCapture> StandardCapture::IntoFile(intptr_t file) {
    const int fd = static_cast<int>(file);
    if (fd < 0 || fcntl(fd, F_GETFD) < 0) {
        return nullptr;
    }
    std::unique_ptr<Files> files(new Files);
    files->file = fd;
    files->originalOutput = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    files->originalError = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    FlushStreams();
    if (dup2(fd, STDOUT_FILENO) < 0 || dup2(fd, STDERR_FILENO) < 0) {
        return nullptr;
    }
    return std::unique_ptr<StandardCapture>(new StandardCapture(std::move(files)));
}

StandardCapture::StandardCapture(std::unique_ptr<Files> files) : files_(std::move(files)) {}

StandardCapture::~StandardCapture() {
    FlushStreams();
    if (files_->originalOutput >= 0) {
        dup2(files_->originalOutput, STDOUT_FILENO);
        close(files_->originalOutput);
    }
    if (files_->originalError >= 0) {
        dup2(files_->originalError, STDERR_FILENO);
        close(files_->originalError);
    }
    close(files_->file);
}

uint64_t StandardCapture::End() {
    FlushStreams();
    const off_t position = lseek(files_->file, 0, SEEK_CUR);
    return position > 0 ? static_cast<uint64_t>(position) : 0;
}

std::string StandardCapture::Read(uint64_t offset, size_t count) { return ReadAt(files_->file, offset, count); }

intptr_t StandardCapture::OriginalOutput() const { return files_->originalOutput; }
intptr_t StandardCapture::OriginalError() const { return files_->originalError; }

struct WorkerCaptureFile::Files {
    int file = -1;
};

std::unique_ptr<WorkerCaptureFile> WorkerCaptureFile::Make() {
    std::unique_ptr<Files> files(new Files);
    files->file = NewTemporaryFile();
    if (files->file < 0) {
        return nullptr;
    }
    return std::unique_ptr<WorkerCaptureFile>(new WorkerCaptureFile(std::move(files)));
}

WorkerCaptureFile::WorkerCaptureFile(std::unique_ptr<Files> files) : files_(std::move(files)) {}

WorkerCaptureFile::~WorkerCaptureFile() { close(files_->file); }

uint64_t WorkerCaptureFile::End() {
    struct stat status = {};
    return fstat(files_->file, &status) == 0 && status.st_size > 0 ? static_cast<uint64_t>(status.st_size) : 0;
}

std::string WorkerCaptureFile::Read(uint64_t offset, size_t count) { return ReadAt(files_->file, offset, count); }

intptr_t WorkerCaptureFile::ForWorker() const { return files_->file; }

}  // namespace run
