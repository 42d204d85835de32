// Registering the tests and setups that a test DLL declared with NVK_TEST and its
// kin: in an order that depends on where they were written, never on the order in
// which the DLL's initializers linked them into its list.
#include <algorithm>
#include <cstring>
#include <vector>

#include "registration_errors.h"
#include "registry.h"
#include "row_tests.h"
#include "run_state.h"

namespace {

using Declarations = std::vector<const NvkDeclaration *, nvk::UntrackedAllocator<const NvkDeclaration *>>;

const char *TextOrEmpty(const char *text) { return text != nullptr ? text : ""; }

// By source file (bytes, as the compiler spelled __FILE__) and line; what shares a
// line goes by kind, batch and name, so that even that order is fixed.
bool WrittenBefore(const NvkDeclaration *left, const NvkDeclaration *right) {
    const int files = std::strcmp(TextOrEmpty(left->file), TextOrEmpty(right->file));
    if (files != 0) {
        return files < 0;
    }
    if (left->line != right->line) {
        return left->line < right->line;
    }
    if (left->kind != right->kind) {
        return left->kind < right->kind;
    }
    const int batches = std::strcmp(TextOrEmpty(left->batch), TextOrEmpty(right->batch));
    if (batches != 0) {
        return batches < 0;
    }
    return std::strcmp(TextOrEmpty(left->name), TextOrEmpty(right->name)) < 0;
}

Declarations InWrittenOrder(const NvkDeclaration *first) {
    Declarations declarations;
    for (const NvkDeclaration *each = first; each != nullptr; each = each->next) {
        declarations.push_back(each);
    }
    std::sort(declarations.begin(), declarations.end(), WrittenBefore);
    return declarations;
}

// The batch of that name, created on its first use.
NvkBatch *BatchNamed(const char *name) {
    if (name == nullptr || name[0] == '\0') {
        return nvk::ResolveBatch(nullptr);
    }
    NvkBatch *batch = nvk::FindBatch(name);
    return batch != nullptr ? batch : NvkBatchCreate(name);
}

NvkTestProc *SetupSlot(NvkBatch *batch, int32_t kind) {
    switch (kind) {
    case NvkRunCallBatchSetup:
        return &batch->batchSetup;
    case NvkRunCallTestSetup:
        return &batch->testSetup;
    case NvkRunCallTestTearDown:
        return &batch->testTearDown;
    case NvkRunCallBatchTearDown:
        return &batch->batchTearDown;
    default:
        return nullptr;
    }
}

const char *SetupName(int32_t kind) {
    switch (kind) {
    case NvkRunCallBatchSetup:
        return "batch setup";
    case NvkRunCallTestSetup:
        return "test setup";
    case NvkRunCallTestTearDown:
        return "test tear-down";
    default:
        return "batch tear-down";
    }
}

// A batch has one function of each kind: a second one is an error, not a
// replacement, whichever way the first was given.
bool DeclareSetup(NvkBatch *batch, const NvkDeclaration &declaration) {
    NvkTestProc *slot = SetupSlot(batch, declaration.kind);
    if (slot == nullptr || declaration.function == nullptr) {
        nvk::RecordRegistrationError(
            "A declaration of batch %s at %s(%d) was not used: it is not a test or a setup "
            "function that this library knows",
            batch->name, TextOrEmpty(declaration.file), static_cast<int>(declaration.line));
        return false;
    }
    if (*slot != nullptr && *slot != declaration.function) {
        nvk::RecordRegistrationError("The %s of batch %s at %s(%d) was not used: the batch already has one",
                                     SetupName(declaration.kind), batch->name, TextOrEmpty(declaration.file),
                                     static_cast<int>(declaration.line));
        return false;
    }
    *slot = declaration.function;
    return true;
}

// A declaration of a test that expects how it ends is the larger record its kind names.
bool DeclaresExpectedEnd(const NvkDeclaration &declaration) {
    return declaration.kind == NvkDeclarationExpectExit || declaration.kind == NvkDeclarationExpectCrash;
}

bool DeclareTest(NvkBatch *batch, const NvkDeclaration &declaration) {
    NvkTestFunction *test =
        NvkBatchAddFunctionAt(batch, declaration.name, declaration.function, declaration.file, declaration.line);
    if (test != nullptr && DeclaresExpectedEnd(declaration)) {
        test->expectedEnd = declaration.kind == NvkDeclarationExpectExit ? NvkExpectedEndExit : NvkExpectedEndCrash;
        test->expectedCode = reinterpret_cast<const NvkExpectedEndDeclaration &>(declaration).code;
    }
    return test != nullptr;
}

bool Declare(const NvkDeclaration &declaration) {
    NvkBatch *batch = BatchNamed(declaration.batch);
    if (declaration.kind == NVK_DECLARATION_ROWS) {
        return nvk::DeclareRows(batch, reinterpret_cast<const NvkRowsDeclaration &>(declaration));
    }
    if (declaration.kind != NvkRunCallTestFunction && !DeclaresExpectedEnd(declaration)) {
        return DeclareSetup(batch, declaration);
    }
    return DeclareTest(batch, declaration);
}

}  // namespace

extern "C" int32_t NVK_CALL NvkRegisterDeclarations(const NvkDeclaration *first) {
    if (nvk::RunInProgress()) {
        return 0;
    }
    bool allDeclared = true;
    for (const NvkDeclaration *declaration : InWrittenOrder(first)) {
        allDeclared = Declare(*declaration) && allDeclared;
    }
    return allDeclared ? 1 : 0;
}
