// What tests write to standard output and standard error, kept for each test: the
// streams go into one file for a whole run, and a test's output is the span of
// that file between where the test before it ended and where it ended. A test
// that writes nothing costs one position query and no read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace run {

// The most of one test's output that is kept; what is cut is counted.
constexpr size_t kOutputLimit = size_t{1} << 20;

// A file that standard output and standard error are written into.
class CaptureFile {
public:
    virtual ~CaptureFile() = default;
    // Where the next byte will be written, once what this process still buffers
    // for the streams is written.
    virtual uint64_t End() = 0;
    // Up to count bytes from offset; fewer where the file ends.
    virtual std::string Read(uint64_t offset, size_t count) = 0;
};

// Hands out a capture file's bytes span after span.
class OutputSpans {
public:
    explicit OutputSpans(CaptureFile &file) : file_(file), taken_(file.End()) {}

    // What was written since the last span, up to end, at most kOutputLimit of it
    // followed by a line that counts the rest.
    std::string TakeUpTo(uint64_t end);
    std::string TakeAll() { return TakeUpTo(file_.End()); }

private:
    CaptureFile &file_;
    uint64_t taken_;
};

// This process's standard output and standard error, sent into a file, for the C
// runtime's streams, the C++ streams and the system's own handles alike, until
// destroyed. The originals stay open for the runner's own lines. One file per
// platform.
class StandardCapture final : public CaptureFile {
public:
    // Into a new temporary file that is gone once closed; nullptr when none could
    // be made.
    static std::unique_ptr<StandardCapture> IntoNewFile();
    // Into a file a parent process made for this one (a worker's, see
    // ParentChannel::CaptureFile); nullptr when it is not usable.
    static std::unique_ptr<StandardCapture> IntoFile(intptr_t file);
    ~StandardCapture() override;
    StandardCapture(const StandardCapture &) = delete;
    StandardCapture &operator=(const StandardCapture &) = delete;

    uint64_t End() override;
    std::string Read(uint64_t offset, size_t count) override;

    // The standard output and error as they were: a descriptor, or a handle.
    intptr_t OriginalOutput() const;
    intptr_t OriginalError() const;

    struct Files;

private:
    explicit StandardCapture(std::unique_ptr<Files> files);
    std::unique_ptr<Files> files_;
};

// A file a worker process's standard output and error are to go into, made by its
// parent, which reads it while the worker runs and after it ended.
class WorkerCaptureFile final : public CaptureFile {
public:
    // nullptr when none could be made.
    static std::unique_ptr<WorkerCaptureFile> Make();
    ~WorkerCaptureFile() override;
    WorkerCaptureFile(const WorkerCaptureFile &) = delete;
    WorkerCaptureFile &operator=(const WorkerCaptureFile &) = delete;

    // The file's size: the worker flushed what it reported before.
    uint64_t End() override;
    std::string Read(uint64_t offset, size_t count) override;
    // What the worker is given to write into: a descriptor it inherits, or a
    // handle it duplicates from this process.
    intptr_t ForWorker() const;

    struct Files;

private:
    explicit WorkerCaptureFile(std::unique_ptr<Files> files);
    std::unique_ptr<Files> files_;
};

// Leaves file empty when a worker's output is not wanted; false when it is and no
// file could be made.
inline bool WorkerCaptureFileFor(bool wanted, std::unique_ptr<WorkerCaptureFile> &file) {
    file = wanted ? WorkerCaptureFile::Make() : nullptr;
    return !wanted || file != nullptr;
}

}  // namespace run
