// The process-wide batch list: creating batches, adding test functions and
// freeing. Lists are linked in registration order; tail pointers, a private link
// back to the previous batch and hash indexes keep appending, unlinking and
// duplicate checks constant-time.
#include "registry.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "events.h"
#include "memory.h"
#include "registration_errors.h"
#include "report_buffer.h"
#include "run_state.h"

namespace nvk {

using NameSet = std::unordered_set<std::string_view, std::hash<std::string_view>, std::equal_to<std::string_view>,
                                   UntrackedAllocator<std::string_view>>;
using AddressSet =
    std::unordered_set<uintptr_t, std::hash<uintptr_t>, std::equal_to<uintptr_t>, UntrackedAllocator<uintptr_t>>;

// The records of a batch's test functions lie side by side in blocks that the
// batch owns and frees with itself, so that walking a large batch reads memory
// in sequence, which the processor fetches ahead. Each block starts on a cache
// line, and so, on 64-bit systems, does each record. Records are freed only with
// their batch.
class TestFunctionBlocks {
public:
    TestFunctionBlocks() = default;
    TestFunctionBlocks(const TestFunctionBlocks &) = delete;
    TestFunctionBlocks &operator=(const TestFunctionBlocks &) = delete;
    ~TestFunctionBlocks() {
        for (void *block : blocks_) {
            std::free(block);
        }
    }

    // A zero-filled record that counts as one allocation until ReleaseRecord.
    NvkTestFunction *AllocateRecord() {
        if (used_ == capacity_) {
            AddBlock();
        }
        CountAllocation();
        return new (records_ + used_++) NvkTestFunction();
    }
    static void ReleaseRecord() { CountRelease(); }

private:
    static constexpr size_t kFirstCapacity = 16;
    static constexpr size_t kLargestCapacity = 1024;

    void AddBlock() {
        capacity_ = capacity_ == 0 ? kFirstCapacity : std::min(capacity_ * 2, kLargestCapacity);
        void *block = AllocateUntracked(capacity_ * sizeof(NvkTestFunction) + kCacheLine - 1);
        blocks_.push_back(block);
        const uintptr_t address = reinterpret_cast<uintptr_t>(block);
        records_ = reinterpret_cast<NvkTestFunction *>((address + kCacheLine - 1) & ~uintptr_t{kCacheLine - 1});
        used_ = 0;
    }

    std::vector<void *, UntrackedAllocator<void *>> blocks_;
    NvkTestFunction *records_ = nullptr;
    size_t used_ = 0;
    size_t capacity_ = 0;
};

// The file names the tests took from their checks, each copied once for the whole
// registry. The tests of a batch, and often of a library, name one file: a copy for
// each test, made at its first run, put a small block of the heap between whatever
// else that run allocated, which then stayed scattered and committed.
class SharedFileNames {
public:
    SharedFileNames() = default;
    SharedFileNames(const SharedFileNames &) = delete;
    SharedFileNames &operator=(const SharedFileNames &) = delete;
    ~SharedFileNames() { Clear(); }

    SharedFileName Share(const char *fileName) {
        const auto found = names_.find(fileName);
        if (found != names_.end()) {
            return found->second;
        }
        char *copy = CopyUntracked(fileName);
        const SharedFileName shared{copy, KeepText<uint16_t>(copy)};
        names_.emplace(copy, shared);
        return shared;
    }

    // Once no test is left to point at them.
    void Clear() {
        for (const auto &name : names_) {
            std::free(name.second.text);
        }
        names_.clear();
    }

private:
    std::unordered_map<std::string_view, SharedFileName, std::hash<std::string_view>, std::equal_to<std::string_view>,
                       UntrackedAllocator<std::pair<const std::string_view, SharedFileName>>>
        names_;
};

struct BatchIndex {
    NameSet testNames;
    AddressSet testFunctions;
    TestFunctionArray inOrder;
    TestFunctionBlocks records;
};

}  // namespace nvk

namespace {

const char kDefaultBatchName[] = "DefaultBatch";

struct BatchList {
    NvkBatch *head = nullptr;
    NvkBatch *tail = nullptr;
    uint32_t count = 0;
    nvk::NameSet names;
    nvk::SharedFileNames fileNames;
};

// Never destroyed: records outlive any static destructor order.
BatchList &Batches() {
    static BatchList *list = new (nvk::AllocateUntracked(sizeof(BatchList))) BatchList();
    return *list;
}

uintptr_t AddressOf(NvkTestProc function) { return reinterpret_cast<uintptr_t>(function); }

nvk::BatchIndex *NewBatchIndex() { return new (nvk::AllocateUntracked(sizeof(nvk::BatchIndex))) nvk::BatchIndex(); }

void DeleteBatchIndex(nvk::BatchIndex *index) {
    index->~BatchIndex();
    std::free(index);
}

void AppendBatch(NvkBatch *batch) {
    BatchList &list = Batches();
    if (list.tail == nullptr) {
        list.head = batch;
    } else {
        list.tail->next = batch;
    }
    batch->previous = list.tail;
    list.tail = batch;
    ++list.count;
    list.names.insert(batch->name);
}

void UnlinkBatch(NvkBatch *batch) {
    BatchList &list = Batches();
    if (batch->previous == nullptr) {
        list.head = batch->next;
    } else {
        batch->previous->next = batch->next;
    }
    if (batch->next == nullptr) {
        list.tail = batch->previous;
    } else {
        batch->next->previous = batch->previous;
    }
    --list.count;
    list.names.erase(batch->name);
}

// After the last batch's tests are freed, whose events may still read their names.
void ForgetFileNamesOnceEmpty() {
    BatchList &list = Batches();
    if (list.count == 0) {
        list.fileNames.Clear();
    }
}

void FreeTestFunction(NvkTestFunction *testFunction) {
    nvk::RaiseEvent(NvkEventTestFunctionFreed, 0, testFunction->batch, testFunction);
    nvk::FreeFailures(testFunction);
    std::free(testFunction->sourceFile);
    std::free(testFunction->skipReason);
    if (testFunction->fileName != nullptr) {
        // The registry frees the text the tests share once its last batch is gone.
        nvk::CountRelease();
    }
    NvkMemFreeImp(&testFunction->name);
    nvk::TestFunctionBlocks::ReleaseRecord();
}

// Announces the batch, unlinks it, then frees what it owns.
void FreeBatch(NvkBatch *batch) {
    nvk::RaiseEvent(NvkEventBatchFreed, 0, batch, nullptr);
    UnlinkBatch(batch);
    NvkTestFunction *testFunction = batch->firstTestFunction;
    while (testFunction != nullptr) {
        NvkTestFunction *next = testFunction->next;
        FreeTestFunction(testFunction);
        testFunction = next;
    }
    DeleteBatchIndex(batch->index);
    NvkMemFreeImp(&batch->name);
    nvk::FreeTracked(batch);
    ForgetFileNamesOnceEmpty();
}

// " at file(line)", or nothing for a test whose place is unknown.
std::string PlaceOf(const char *file, int32_t line) {
    if (file == nullptr || file[0] == '\0') {
        return "";
    }
    return " at " + std::string(file) + "(" + std::to_string(line) + ")";
}

NvkTestFunction *FindTest(const NvkBatch *batch, const char *name, NvkTestProc function) {
    for (NvkTestFunction *test = batch->firstTestFunction; test != nullptr; test = test->next) {
        if ((name != nullptr && std::strcmp(test->name, name) == 0) || test->function == function) {
            return test;
        }
    }
    return nullptr;
}

// Why the test cannot join the batch, recorded as a registration error; false when it can.
bool RefuseTest(const NvkBatch *batch, const char *name, NvkTestProc function, bool madeFromRow, const char *file,
                int32_t line) {
    const std::string place = PlaceOf(file, line);
    if (name == nullptr || name[0] == '\0') {
        nvk::RecordRegistrationError("A test%s was not added to batch %s: it has no name", place.c_str(), batch->name);
        return true;
    }
    if (function == nullptr) {
        nvk::RecordRegistrationError("%s.%s%s was not added: it has no function", batch->name, name, place.c_str());
        return true;
    }
    if (batch->index->testNames.count(name) != 0) {
        const NvkTestFunction *first = FindTest(batch, name, nullptr);
        const std::string firstPlace = PlaceOf(first->sourceFile, first->sourceLine);
        nvk::RecordRegistrationError("%s.%s%s was not added: the batch already has a test of that name%s%s",
                                     batch->name, name, place.c_str(), firstPlace.empty() ? "" : ",",
                                     firstPlace.c_str());
        return true;
    }
    if (!madeFromRow && batch->index->testFunctions.count(AddressOf(function)) != 0) {
        const NvkTestFunction *first = FindTest(batch, nullptr, function);
        nvk::RecordRegistrationError("%s.%s%s was not added: its function is already in the batch as %s.%s",
                                     batch->name, name, place.c_str(), batch->name, first->name);
        return true;
    }
    return false;
}

void AppendTestFunction(NvkBatch *batch, NvkTestFunction *testFunction) {
    if (batch->lastTestFunction == nullptr) {
        batch->firstTestFunction = testFunction;
    } else {
        batch->lastTestFunction->next = testFunction;
    }
    batch->lastTestFunction = testFunction;
    ++batch->testFunctionCount;
    batch->index->inOrder.push_back(testFunction);
    batch->index->testNames.insert(testFunction->name);
    if (testFunction->rowFunction == nullptr) {
        batch->index->testFunctions.insert(AddressOf(testFunction->function));
    }
}

}  // namespace

namespace nvk {

NvkBatch *FindBatch(const char *name) {
    if (Batches().names.count(name) == 0) {
        return nullptr;
    }
    NvkBatch *batch = Batches().head;
    while (std::strcmp(batch->name, name) != 0) {
        batch = batch->next;
    }
    return batch;
}

const TestFunctionArray &TestFunctionsOf(const NvkBatch *batch) { return batch->index->inOrder; }

NvkBatch *ResolveBatch(NvkBatch *batch) {
    if (batch != nullptr) {
        return batch;
    }
    if (Batches().head != nullptr) {
        return Batches().head;
    }
    return NvkBatchCreate(nullptr);
}

void FreeFailures(NvkTestFunction *testFunction) {
    NvkAssertionFailure *failure = testFunction->firstFailure;
    while (failure != nullptr) {
        RaiseEvent(NvkEventFailureFreed, 0, testFunction, failure);
        NvkAssertionFailure *next = failure->next;
        NvkMemFreeImp(&failure->message);
        std::free(failure->fileName);
        std::free(failure->crashDetails);
        FreeTracked(failure);
        failure = next;
    }
    testFunction->firstFailure = nullptr;
    testFunction->lastFailure = nullptr;
}

SharedFileName ShareFileName(const char *fileName) { return Batches().fileNames.Share(fileName); }

void AppendFailure(NvkTestFunction *testFunction, NvkAssertionFailure *failure) {
    if (testFunction->lastFailure == nullptr) {
        testFunction->firstFailure = failure;
    } else {
        testFunction->lastFailure->next = failure;
    }
    testFunction->lastFailure = failure;
}

NvkTestFunction *AddTestFunction(NvkBatch *batch, const char *name, NvkTestProc function, NvkRowTestProc rowFunction,
                                 const void *row, const char *sourceFile, int32_t sourceLine) {
    if (RefuseTest(batch, name, function, rowFunction != nullptr, sourceFile, sourceLine)) {
        return nullptr;
    }
    NvkTestFunction *testFunction = batch->index->records.AllocateRecord();
    testFunction->batch = batch;
    testFunction->function = function;
    testFunction->rowFunction = rowFunction;
    testFunction->row = row;
    testFunction->name = NvkMemCopyString(name);
    testFunction->nameInReport = KeepText<uint16_t>(testFunction->name);
    testFunction->sourceFile = CopyUntracked(sourceFile);
    testFunction->sourceLine = testFunction->sourceFile != nullptr ? sourceLine : 0;
    AppendTestFunction(batch, testFunction);
    RaiseEvent(NvkEventTestFunctionAdded, 0, batch, testFunction);
    return testFunction;
}

}  // namespace nvk

extern "C" {

NvkBatch *NVK_CALL NvkBatchCreate(const char *name) {
    if (nvk::RunInProgress()) {
        return nullptr;
    }
    if (name == nullptr || name[0] == '\0') {
        name = kDefaultBatchName;
    }
    if (Batches().names.count(name) != 0) {
        return nullptr;
    }
    NvkBatch *batch = nvk::AllocateRecord<NvkBatch>();
    batch->name = NvkMemCopyString(name);
    batch->index = NewBatchIndex();
    AppendBatch(batch);
    nvk::RaiseEvent(NvkEventBatchCreated, 0, batch, nullptr);
    return batch;
}

NvkBatch *NVK_CALL NvkBatchCreateEx(const char *name, uint32_t count, const char *const *names,
                                    const NvkTestProc *functions) {
    NvkBatch *batch = NvkBatchCreate(name);
    if (batch != nullptr) {
        NvkBatchAddFunctions(batch, count, names, functions);
    }
    return batch;
}

NvkTestFunction *NVK_CALL NvkBatchAddFunctionImp(NvkBatch *batch, const char *name, NvkTestProc function) {
    return NvkBatchAddFunctionAt(batch, name, function, nullptr, 0);
}

NvkTestFunction *NVK_CALL NvkBatchAddFunctionAt(NvkBatch *batch, const char *name, NvkTestProc function,
                                                const char *sourceFile, int32_t sourceLine) {
    if (nvk::RunInProgress()) {
        return nullptr;
    }
    batch = nvk::ResolveBatch(batch);
    if (batch == nullptr) {
        return nullptr;
    }
    return nvk::AddTestFunction(batch, name, function, nullptr, nullptr, sourceFile, sourceLine);
}

int32_t NVK_CALL NvkBatchAddFunctions(NvkBatch *batch, uint32_t count, const char *const *names,
                                      const NvkTestProc *functions) {
    if (count == 0 || names == nullptr || functions == nullptr) {
        return 0;
    }
    for (uint32_t i = 0; i < count; ++i) {
        NvkBatchAddFunctionImp(batch, names[i], functions[i]);
    }
    return 1;
}

int32_t NVK_CALL NvkBatchSetSetupFunctions(NvkBatch *batch, NvkTestProc batchSetup, NvkTestProc batchTearDown,
                                           NvkTestProc testSetup, NvkTestProc testTearDown) {
    if (nvk::RunInProgress()) {
        return 0;
    }
    batch = nvk::ResolveBatch(batch);
    if (batch == nullptr) {
        return 0;
    }
    batch->batchSetup = batchSetup;
    batch->batchTearDown = batchTearDown;
    batch->testSetup = testSetup;
    batch->testTearDown = testTearDown;
    return 1;
}

int32_t NVK_CALL NvkBatchFree(NvkBatch **batch) {
    if (nvk::RunInProgress()) {
        return 0;
    }
    if (batch == nullptr) {
        // The errors were about the registry that goes now.
        nvk::ClearRegistrationErrors();
        if (Batches().head == nullptr) {
            return 0;
        }
        nvk::RaiseEvent(NvkEventAllBatchesFreed, 0, nullptr, nullptr);
        // The list keeps exactly the batches not yet freed, so a handler that
        // walks it while a batch is announced never meets a freed one.
        while (Batches().head != nullptr) {
            FreeBatch(Batches().head);
        }
        return 1;
    }
    if (*batch == nullptr) {
        return 0;
    }
    FreeBatch(*batch);
    *batch = nullptr;
    return 1;
}

void NVK_CALL NvkBatchFreeEmpties(void) {
    if (nvk::RunInProgress()) {
        return;
    }
    NvkBatch *batch = Batches().head;
    while (batch != nullptr) {
        NvkBatch *next = batch->next;
        if (batch->firstTestFunction == nullptr) {
            FreeBatch(batch);
        }
        batch = next;
    }
}

uint32_t NVK_CALL NvkBatchGetCount(NvkBatch *batch) {
    return batch == nullptr ? Batches().count : batch->testFunctionCount;
}

}  // extern "C"
