// Getters and user data: the only way callers read the records.
#include "registry.h"

namespace {

template <typename Record>
void SetUserData(Record *record, int32_t value, int32_t lock) {
    if (record == nullptr || record->userDataLocked != 0) {
        return;
    }
    record->userData = value;
    record->userDataLocked = lock;
}

}  // namespace

extern "C" {

NvkBatch *NVK_CALL NvkBatchGetFirst(void) { return nvk::ResolveBatch(nullptr); }

NvkBatch *NVK_CALL NvkBatchGetNext(NvkBatch *batch) {
    batch = nvk::ResolveBatch(batch);
    return batch == nullptr ? nullptr : batch->next;
}

const char *NVK_CALL NvkBatchGetName(NvkBatch *batch) {
    batch = nvk::ResolveBatch(batch);
    return batch == nullptr ? nullptr : batch->name;
}

NvkTestFunction *NVK_CALL NvkBatchGetFirstTestFunction(NvkBatch *batch) {
    batch = nvk::ResolveBatch(batch);
    return batch == nullptr ? nullptr : batch->firstTestFunction;
}

int32_t NVK_CALL NvkBatchGetUserData(NvkBatch *batch) {
    batch = nvk::ResolveBatch(batch);
    return batch == nullptr ? 0 : batch->userData;
}

void NVK_CALL NvkBatchSetUserData(NvkBatch *batch, int32_t value, int32_t lock) {
    SetUserData(nvk::ResolveBatch(batch), value, lock);
}

const char *NVK_CALL NvkTestFunctionGetName(NvkTestFunction *testFunction) {
    return testFunction == nullptr ? nullptr : testFunction->name;
}

NvkTestFunction *NVK_CALL NvkTestFunctionGetNext(NvkTestFunction *testFunction) {
    return testFunction == nullptr ? nullptr : testFunction->next;
}

NvkBatch *NVK_CALL NvkTestFunctionGetBatch(NvkTestFunction *testFunction) {
    return testFunction == nullptr ? nullptr : testFunction->batch;
}

const char *NVK_CALL NvkTestFunctionGetFileName(NvkTestFunction *testFunction) {
    return testFunction == nullptr ? nullptr : testFunction->fileName;
}

const char *NVK_CALL NvkTestFunctionGetSourceFile(NvkTestFunction *testFunction) {
    return testFunction == nullptr ? nullptr : testFunction->sourceFile;
}

int32_t NVK_CALL NvkTestFunctionGetSourceLine(NvkTestFunction *testFunction) {
    return testFunction == nullptr ? 0 : testFunction->sourceLine;
}

int32_t NVK_CALL NvkTestFunctionGetExpectedEnd(NvkTestFunction *testFunction, uint32_t *code) {
    if (code != nullptr) {
        *code = testFunction == nullptr ? 0 : testFunction->expectedCode;
    }
    return testFunction == nullptr ? NvkExpectedEndReturn : testFunction->expectedEnd;
}

NvkAssertionFailure *NVK_CALL NvkTestFunctionGetFirstFailure(NvkTestFunction *testFunction) {
    return testFunction == nullptr ? nullptr : testFunction->firstFailure;
}

int32_t NVK_CALL NvkTestFunctionGetUserData(NvkTestFunction *testFunction) {
    return testFunction == nullptr ? 0 : testFunction->userData;
}

void NVK_CALL NvkTestFunctionSetUserData(NvkTestFunction *testFunction, int32_t value, int32_t lock) {
    SetUserData(testFunction, value, lock);
}

int32_t NVK_CALL NvkAssertionFailureGetLineNumber(NvkAssertionFailure *failure) {
    return failure == nullptr ? 0 : failure->lineNumber;
}

const char *NVK_CALL NvkAssertionFailureGetMessage(NvkAssertionFailure *failure) {
    return failure == nullptr ? nullptr : failure->message;
}

const char *NVK_CALL NvkAssertionFailureGetFileName(NvkAssertionFailure *failure) {
    return failure == nullptr ? nullptr : failure->fileName;
}

NvkAssertionFailure *NVK_CALL NvkAssertionFailureGetNext(NvkAssertionFailure *failure) {
    return failure == nullptr ? nullptr : failure->next;
}

NvkTestFunction *NVK_CALL NvkAssertionFailureGetTestFunction(NvkAssertionFailure *failure) {
    return failure == nullptr ? nullptr : failure->testFunction;
}

int32_t NVK_CALL NvkAssertionFailureGetUserData(NvkAssertionFailure *failure) {
    return failure == nullptr ? 0 : failure->userData;
}

void NVK_CALL NvkAssertionFailureSetUserData(NvkAssertionFailure *failure, int32_t value, int32_t lock) {
    SetUserData(failure, value, lock);
}

}  // extern "C"
