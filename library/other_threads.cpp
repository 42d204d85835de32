// The side record of other threads' checks and skips, and its merge.
#include "other_threads.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "check_record.h"
#include "memory.h"
#include "run_state.h"
#include "skip.h"
#include "stored_message.h"

namespace {

// One thing another thread did, in order: a run of passes, a failure or a skip, and the
// file of the test's first check when this is it (copies, freed by the merge).
struct Waiting {
    NvkTestFunction *test;
    int32_t passes;
    NvkAssertionFailure *failure;
    char *skipReason;
    char *fileName;
};

std::mutex waitingLock;
std::vector<Waiting, nvk::UntrackedAllocator<Waiting>> waiting;
// The test whose first file a waiting entry already holds.
NvkTestFunction *fileNamedFor = nullptr;

char *CopyText(const char *text) {
    const std::size_t size = std::strlen(text) + 1;
    return static_cast<char *>(std::memcpy(nvk::AllocateUntracked(size), text, size));
}

// Under the lock. Marking comes before reading the current test, and the run's thread
// clears the test before it reads the mark: one of them sees the other.
NvkTestFunction *MarkAndFindTest() {
    nvk::otherThreadsWaiting.store(true, std::memory_order_seq_cst);
    return nvk::currentTestFunction.load(std::memory_order_seq_cst);
}

// Under the lock: an entry for test, holding the file when it is the test's first.
Waiting &NewEntry(NvkTestFunction *test, const char *fileName) {
    waiting.push_back(Waiting{test, 0, nullptr, nullptr, nullptr});
    if (fileName != nullptr && fileNamedFor != test) {
        fileNamedFor = test;
        waiting.back().fileName = CopyText(fileName);
    }
    return waiting.back();
}

void PrintLate(const char *fileName, int lineNumber, const char *message) {
    std::fprintf(stderr, "Norvik: a check at %s:%d came after its test ended and is recorded nowhere%s%s\n",
                 fileName != nullptr ? fileName : "(no file)", lineNumber, message != nullptr ? ": " : "",
                 message != nullptr ? message : "");
    std::fflush(stderr);
}

// An entry whose test has ended came too late for it.
void DropLate(const Waiting &entry) {
    std::free(entry.fileName);
    std::free(entry.skipReason);
    if (entry.failure != nullptr) {
        PrintLate(entry.failure->fileName, entry.failure->lineNumber, entry.failure->message);
        NvkMemFreeImp(&entry.failure->message);
        std::free(entry.failure->fileName);
        nvk::FreeTracked(entry.failure);
    } else if (entry.passes > 0) {
        std::fprintf(stderr, "Norvik: %d passing check%s came as %s test ended and %s recorded nowhere\n",
                     static_cast<int>(entry.passes), entry.passes == 1 ? "" : "s", entry.passes == 1 ? "its" : "their",
                     entry.passes == 1 ? "is" : "are");
        std::fflush(stderr);
    }
}

void Apply(const Waiting &entry) {
    if (entry.test != nvk::CurrentTestFunction()) {
        DropLate(entry);
        return;
    }
    nvk::CaptureFileName(entry.test, entry.fileName);
    std::free(entry.fileName);
    for (int32_t pass = 0; pass < entry.passes; ++pass) {
        nvk::CountPass(entry.test);
    }
    if (entry.failure != nullptr) {
        nvk::AddFailure(entry.test, entry.failure);
    }
    if (entry.skipReason != nullptr) {
        nvk::SkipCurrentTest(entry.test, entry.skipReason);
        std::free(entry.skipReason);
    }
}

}  // namespace

namespace nvk {

std::atomic<bool> otherThreadsWaiting{false};

const char *CheckFromOtherThread(int condition, const char *fileName, int lineNumber, const char *format,
                                 va_list arguments) {
    // Formatted before the lock, which so stays short; the test is filled in under it.
    NvkAssertionFailure *failure =
        condition != 0 ? nullptr : NewFailure(nullptr, fileName, lineNumber, format, arguments);
    {
        std::lock_guard<std::mutex> lock(waitingLock);
        NvkTestFunction *test = MarkAndFindTest();
        if (test != nullptr) {
            if (failure != nullptr) {
                failure->testFunction = test;
                NewEntry(test, fileName).failure = failure;
                return failure->message;
            }
            Waiting *last = waiting.empty() ? nullptr : &waiting.back();
            if (last != nullptr && last->test == test && last->failure == nullptr && last->skipReason == nullptr) {
                ++last->passes;
            } else {
                NewEntry(test, fileName).passes = 1;
            }
            return nullptr;
        }
    }
    PrintLate(fileName, lineNumber, failure != nullptr ? failure->message : nullptr);
    if (failure != nullptr) {
        NvkMemFreeImp(&failure->message);
        std::free(failure->fileName);
        FreeTracked(failure);
    }
    return nullptr;
}

void NoteLateCheck(int condition, const char *fileName, int lineNumber, const char *format, va_list arguments) {
    if (OnRunThread() || runThread.load(std::memory_order_relaxed) == 0) {
        return;
    }
    char message[kStoredMessageSize];
    if (condition == 0) {
        FormatMessage(message, format, arguments);
    }
    PrintLate(fileName, lineNumber, condition == 0 ? message : nullptr);
}

bool SkipFromOtherThread(const char *reason) {
    std::lock_guard<std::mutex> lock(waitingLock);
    NvkTestFunction *test = MarkAndFindTest();
    if (test == nullptr) {
        return false;
    }
    NewEntry(test, nullptr).skipReason = CopyText(reason);
    return true;
}

// Under the lock, so that a check of another thread that takes it later is sure to
// see that no test runs.
void SweepOtherThreadsAtRunEnd() { MergeWaiting(); }

// Applied outside the lock: the event handler may check, or run long.
void MergeWaiting() {
    std::vector<Waiting, UntrackedAllocator<Waiting>> taken;
    {
        std::lock_guard<std::mutex> lock(waitingLock);
        taken.swap(waiting);
        fileNamedFor = nullptr;
        otherThreadsWaiting.store(false, std::memory_order_relaxed);
    }
    for (const Waiting &entry : taken) {
        Apply(entry);
    }
}

}  // namespace nvk
