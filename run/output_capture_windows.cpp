// Capture files on Windows: a temporary file that goes once closed, put in the
// standard handles and in the C runtime's descriptors 1 and 2. A second handle reads
// it, so that reading never moves where the streams write.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "kernel_handle.h"
#include "output_capture.h"

namespace run {
namespace {

HANDLE AsHandle(intptr_t value) { return reinterpret_cast<HANDLE>(value); }

// The writing handle, and the reading one; both null when none could be made.
bool NewTemporaryFile(KernelHandle &writer, KernelHandle &reader) {
    wchar_t folder[MAX_PATH + 1];
    wchar_t path[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH || GetTempFileNameW(folder, L"nvk", 0, path) == 0) {
        return false;
    }
    const DWORD sharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    writer.Reset(CreateFileW(path, GENERIC_READ | GENERIC_WRITE, sharing, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!writer) {
        DeleteFileW(path);
        return false;
    }
    reader.Reset(CreateFileW(path, GENERIC_READ, sharing, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!reader) {
        writer.Reset();
        return false;
    }
    return true;
}

std::string ReadAt(HANDLE file, uint64_t offset, size_t count) {
    std::string text(count, '\0');
    size_t done = 0;
    while (done < count && file != nullptr) {
        OVERLAPPED at = {};
        at.Offset = static_cast<DWORD>(offset + done);
        at.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
        const size_t left = count - done;
        DWORD got = 0;
        if (!ReadFile(file, &text[done], left > 0x10000000 ? 0x10000000 : static_cast<DWORD>(left), &got, &at) ||
            got == 0) {
            break;
        }
        done += got;
    }
    text.resize(done);
    return text;
}

void FlushStreams() {
    std::fflush(stdout);
    std::fflush(stderr);
}

// Descriptor `fd` of the C runtime writes into file from now on; the descriptor it
// had is kept as another, -1 when it had none.
int PutIntoDescriptor(HANDLE file, int fd) {
    const int original = _dup(fd);
    HANDLE copy = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), file, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        return original;
    }
    const int opened = _open_osfhandle(reinterpret_cast<intptr_t>(copy), _O_TEXT | _O_WRONLY);
    if (opened < 0) {
        CloseHandle(copy);
        return original;
    }
    _dup2(opened, fd);
    _close(opened);
    return original;
}

void RestoreDescriptor(int original, int fd) {
    if (original >= 0) {
        _dup2(original, fd);
        _close(original);
    }
}

}  // namespace

// The C runtime's descriptors 1 and 2 own the standard handles they were made from, and
// close them when replaced: the originals are kept as copies of their own.
struct StandardCapture::Files {
    KernelHandle writer;
    KernelHandle reader;  // none in a worker, which only tells where its tests' output ends
    KernelHandle originalOutput;
    KernelHandle originalError;
    int originalOutputFd = -1;
    int originalErrorFd = -1;
};

namespace {

HANDLE CopyOf(HANDLE handle) {
    HANDLE copy = nullptr;
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE ||
        !DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        return nullptr;
    }
    return copy;
}

std::unique_ptr<StandardCapture::Files> Redirect(std::unique_ptr<StandardCapture::Files> files) {
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    files->originalOutput.Reset(CopyOf(output));
    files->originalError.Reset(CopyOf(error));
    FlushStreams();
    if (!SetStdHandle(STD_OUTPUT_HANDLE, files->writer.Get()) || !SetStdHandle(STD_ERROR_HANDLE, files->writer.Get())) {
        SetStdHandle(STD_OUTPUT_HANDLE, output);
        return nullptr;
    }
    files->originalOutputFd = PutIntoDescriptor(files->writer.Get(), 1);
    files->originalErrorFd = PutIntoDescriptor(files->writer.Get(), 2);
    return files;
}

}  // namespace

std::unique_ptr<StandardCapture> StandardCapture::IntoNewFile() {
    std::unique_ptr<Files> files(new Files);
    if (!NewTemporaryFile(files->writer, files->reader)) {
        return nullptr;
    }
    files = Redirect(std::move(files));
    return files ? std::unique_ptr<StandardCapture>(new StandardCapture(std::move(files))) : nullptr;
}

std::unique_ptr<StandardCapture> StandardCapture::IntoFile(intptr_t file) {
    std::unique_ptr<Files> files(new Files);
    files->writer.Reset(AsHandle(file));
    if (!files->writer) {
        return nullptr;
    }
    files = Redirect(std::move(files));
    return files ? std::unique_ptr<StandardCapture>(new StandardCapture(std::move(files))) : nullptr;
}

StandardCapture::StandardCapture(std::unique_ptr<Files> files) : files_(std::move(files)) {}

StandardCapture::~StandardCapture() {
    FlushStreams();
    RestoreDescriptor(files_->originalOutputFd, 1);
    RestoreDescriptor(files_->originalErrorFd, 2);
    SetStdHandle(STD_OUTPUT_HANDLE, files_->originalOutput.Release());
    SetStdHandle(STD_ERROR_HANDLE, files_->originalError.Release());
}

// The descriptors hold copies of the writing handle: one file object, one position.
uint64_t StandardCapture::End() {
    FlushStreams();
    LARGE_INTEGER position = {};
    const LARGE_INTEGER none = {};
    return SetFilePointerEx(files_->writer.Get(), none, &position, FILE_CURRENT)
               ? static_cast<uint64_t>(position.QuadPart)
               : 0;
}

std::string StandardCapture::Read(uint64_t offset, size_t count) { return ReadAt(files_->reader.Get(), offset, count); }

intptr_t StandardCapture::OriginalOutput() const { return reinterpret_cast<intptr_t>(files_->originalOutput.Get()); }
intptr_t StandardCapture::OriginalError() const { return reinterpret_cast<intptr_t>(files_->originalError.Get()); }

struct WorkerCaptureFile::Files {
    KernelHandle writer;  // duplicated by the worker, never written here
    KernelHandle reader;
};

std::unique_ptr<WorkerCaptureFile> WorkerCaptureFile::Make() {
    std::unique_ptr<Files> files(new Files);
    if (!NewTemporaryFile(files->writer, files->reader)) {
        return nullptr;
    }
    return std::unique_ptr<WorkerCaptureFile>(new WorkerCaptureFile(std::move(files)));
}

WorkerCaptureFile::WorkerCaptureFile(std::unique_ptr<Files> files) : files_(std::move(files)) {}

WorkerCaptureFile::~WorkerCaptureFile() = default;

uint64_t WorkerCaptureFile::End() {
    LARGE_INTEGER size = {};
    return GetFileSizeEx(files_->reader.Get(), &size) ? static_cast<uint64_t>(size.QuadPart) : 0;
}

std::string WorkerCaptureFile::Read(uint64_t offset, size_t count) {
    return ReadAt(files_->reader.Get(), offset, count);
}

intptr_t WorkerCaptureFile::ForWorker() const { return reinterpret_cast<intptr_t>(files_->writer.Get()); }

}  // namespace run
