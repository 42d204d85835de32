// Tests made from rows: the names their tables give them, the checks that keep those
// names readable by a filter, and the one function that calls a row test with its row.
#include "row_tests.h"

#include <cstdio>
#include <string>

#include "registration_errors.h"
#include "registry.h"
#include "run_state.h"

namespace {

// The run, the crash guard and a runner's executor call every test as a function
// without arguments; a row test's is this one, which finds its row in the test
// being run.
void NVK_CALL CallRowOfCurrentTest(void) {
    const NvkTestFunction *test = nvk::CurrentTestFunction();
    test->rowFunction(test->row);
}

bool IsWhiteSpace(unsigned char character) { return character == ' ' || (character >= '\t' && character <= '\r'); }

bool IsControl(unsigned char character) { return character < 0x20 || character == 0x7f; }

// What in the name a filter, a test discovery or a console would read as something
// other than the name, or NULL when nothing is.
const char *NameFault(const char *name) {
    for (const char *each = name; *each != '\0'; ++each) {
        const unsigned char character = static_cast<unsigned char>(*each);
        switch (character) {
        case '*':
            return "'*', which a filter reads as any run of characters";
        case '?':
            return "'?', which a filter reads as any one character";
        case ':':
            return "':', which separates a filter's patterns";
        case '-':
            return "'-', which starts a filter's exclusions";
        default:
            break;
        }
        if (IsWhiteSpace(character)) {
            return "white space, which splits a name on a command line";
        }
        if (IsControl(character)) {
            return "a control character";
        }
    }
    return nullptr;
}

// The name as an error can show it: control characters as \xHH.
std::string Shown(const char *name) {
    std::string shown;
    for (const char *each = name; *each != '\0'; ++each) {
        const unsigned char character = static_cast<unsigned char>(*each);
        if (IsControl(character)) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02x", character);
            shown += escape;
        } else {
            shown += *each;
        }
    }
    return shown;
}

std::string PlaceOf(const char *file, int32_t line) {
    if (file == nullptr || file[0] == '\0') {
        return "";
    }
    return " at " + std::string(file) + "(" + std::to_string(line) + ")";
}

NvkTestFunction *AddRowTest(NvkBatch *batch, const char *name, NvkRowTestProc function, const void *row,
                            const char *file, int32_t line) {
    const char *fault = name != nullptr ? NameFault(name) : nullptr;
    if (fault != nullptr) {
        nvk::RecordRegistrationError("%s.%s%s was not added: its name holds %s", batch->name, Shown(name).c_str(),
                                     PlaceOf(file, line).c_str(), fault);
        return nullptr;
    }
    return nvk::AddTestFunction(batch, name, function != nullptr ? CallRowOfCurrentTest : nullptr, function, row, file,
                                line);
}

// The row's part of its test's name: its own name, or its index for a table that
// gives none. Empty when the row's own name is NULL or empty.
std::string RowPart(const NvkRowsDeclaration &table, const void *row, uint32_t index) {
    if (table.rowName == nullptr) {
        return std::to_string(index);
    }
    const char *own = table.rowName(row);
    return own != nullptr ? own : "";
}

}  // namespace

namespace nvk {

bool DeclareRows(NvkBatch *batch, const NvkRowsDeclaration &table) {
    const NvkDeclaration &declaration = table.declaration;
    const std::string place = PlaceOf(declaration.file, declaration.line);
    if (declaration.name == nullptr || table.function == nullptr || table.rows == nullptr) {
        RecordRegistrationError("The rows of batch %s%s were not used: they have no name, function or table",
                                batch->name, place.c_str());
        return false;
    }
    bool allAdded = true;
    for (uint32_t index = 0; index < table.rowCount; ++index) {
        const void *row = static_cast<const char *>(table.rows) + static_cast<size_t>(index) * table.rowSize;
        const std::string part = RowPart(table, row, index);
        if (part.empty()) {
            RecordRegistrationError("Row %u of %s.%s%s was not added: the row has no name",
                                    static_cast<unsigned>(index), batch->name, declaration.name, place.c_str());
            allAdded = false;
            continue;
        }
        const std::string name = std::string(declaration.name) + "/" + part;
        allAdded =
            AddRowTest(batch, name.c_str(), table.function, row, declaration.file, declaration.line) != nullptr &&
            allAdded;
    }
    return allAdded;
}

}  // namespace nvk

extern "C" NvkTestFunction *NVK_CALL NvkBatchAddRowTestAt(NvkBatch *batch, const char *name, NvkRowTestProc function,
                                                          const void *row, const char *sourceFile, int32_t sourceLine) {
    if (nvk::RunInProgress()) {
        return nullptr;
    }
    batch = nvk::ResolveBatch(batch);
    if (batch == nullptr) {
        return nullptr;
    }
    return AddRowTest(batch, name, function, row, sourceFile, sourceLine);
}
