// Tests made from the rows of a table: their names, the names a filter would misread,
// and each row's test called with its own row, directly and through an executor.
#include <string>
#include <vector>

#include "registry_fixture.h"

namespace {

struct Row {
    const char *name;
    int value;
};

std::vector<int> seenValues;

void NVK_CALL ChecksRow(const void *row) {
    const int value = static_cast<const Row *>(row)->value;
    seenValues.push_back(value);
    NvkAssert(value != 2, "rows.c", 9, "row %d fails", value);
}

const char *NVK_CALL NameOfRow(const void *row) { return static_cast<const Row *>(row)->name; }

NvkRowsDeclaration Table(const Row *rows, uint32_t count, const char *(NVK_CALL *rowName)(const void *)) {
    return {{nullptr, NVK_DECLARATION_ROWS, 5, "T", "Table", "rows.c", nullptr},
            ChecksRow,
            rows,
            sizeof(Row),
            count,
            rowName};
}

// "name:passed" for each test of the first batch.
std::string Results() {
    std::string results;
    for (NvkTestFunction *test = NvkBatchGetFirstTestFunction(nullptr); test != nullptr;
         test = NvkTestFunctionGetNext(test)) {
        results += std::string(results.empty() ? "" : " ") + NvkTestFunctionGetName(test) + ":" +
                   (NvkTestFunctionGetFirstFailure(test) == nullptr ? "passed" : "failed");
    }
    return results;
}

std::vector<std::string> Errors() {
    std::vector<std::string> errors;
    for (uint32_t index = 0; index < NvkRegistrationGetErrorCount(); ++index) {
        errors.push_back(NvkRegistrationGetError(index));
    }
    return errors;
}

int32_t NVK_CALL CallsInProcess(void *, int32_t, NvkTestFunction *, NvkTestProc function, double *) {
    function();
    return NvkRunCallReturned;
}

}  // namespace

class RowTestsTest : public RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        seenValues.clear();
    }
};

TEST_F(RowTestsTest, EachRowIsATestOfItsOwnCalledWithItsRow) {
    const Row rows[] = {{"a", 1}, {"b", 2}, {"c", 3}};
    const NvkRowsDeclaration table = Table(rows, 3, nullptr);
    ASSERT_EQ(1, NvkRegisterDeclarations(&table.declaration));
    NvkTestFunction *second = NvkTestFunctionGetNext(NvkBatchGetFirstTestFunction(nullptr));
    EXPECT_STREQ("rows.c", NvkTestFunctionGetSourceFile(second));
    EXPECT_EQ(5, NvkTestFunctionGetSourceLine(second));

    EXPECT_EQ(0, NvkBatchRun(nullptr));
    EXPECT_EQ("Table/0:passed Table/1:failed Table/2:passed", Results());
    EXPECT_STREQ("row 2 fails", NvkAssertionFailureGetMessage(NvkTestFunctionGetFirstFailure(second)));

    // A runner's executor calls the function it is handed, as for any test.
    ASSERT_EQ(1, NvkSetRunExecutor(CallsInProcess, nullptr));
    EXPECT_EQ(0, NvkTestFunctionRun(second));
    NvkSetRunExecutor(nullptr, nullptr);
    EXPECT_EQ((std::vector<int>{1, 2, 3, 2}), seenValues);
}

TEST_F(RowTestsTest, NamedRowsThatAFilterWouldMisreadAreRegistrationErrors) {
    const Row rows[] = {{"plain", 1},  {"a b", 2},          {"a*", 3},     {"a?", 4}, {"a:b", 5},
                        {"-a", 6},     {"tab\t", 7},        {"bell\a", 8}, {"", 9},   {nullptr, 10},
                        {"plain", 11}, {"caf\xc3\xa9", 12}, {"x/y.z", 13}};
    const NvkRowsDeclaration table = Table(rows, sizeof rows / sizeof rows[0], NameOfRow);
    EXPECT_EQ(0, NvkRegisterDeclarations(&table.declaration));
    EXPECT_EQ("Table/plain:passed Table/caf\xc3\xa9:passed Table/x/y.z:passed", Results());
    EXPECT_EQ(
        (std::vector<std::string>{
            "T.Table/a b at rows.c(5) was not added: its name holds white space, which splits a name on a command line",
            "T.Table/a* at rows.c(5) was not added: its name holds '*', which a filter reads as any run of characters",
            "T.Table/a? at rows.c(5) was not added: its name holds '?', which a filter reads as any one character",
            "T.Table/a:b at rows.c(5) was not added: its name holds ':', which separates a filter's patterns",
            "T.Table/-a at rows.c(5) was not added: its name holds '-', which starts a filter's exclusions",
            "T.Table/tab\\x09 at rows.c(5) was not added: its name holds white space, which splits a name on a command "
            "line",
            "T.Table/bell\\x07 at rows.c(5) was not added: its name holds a control character",
            "Row 8 of T.Table at rows.c(5) was not added: the row has no name",
            "Row 9 of T.Table at rows.c(5) was not added: the row has no name",
            "T.Table/plain at rows.c(5) was not added: the batch already has a test of that name, at rows.c(5)"}),
        Errors());
}

TEST_F(RowTestsTest, RowTestsAddedByHandShareTheirFunctionAndAreToldApartByName) {
    const Row rows[] = {{"a", 1}, {"b", 2}};
    NvkBatch *batch = NvkBatchCreate("T");
    ASSERT_NE(nullptr, NvkBatchAddRowTestAt(batch, "Check/a", ChecksRow, &rows[0], "hand.c", 3));
    ASSERT_NE(nullptr, NvkBatchAddRowTestAt(batch, "Check/b", ChecksRow, &rows[1], nullptr, 0));
    EXPECT_EQ(nullptr, NvkBatchAddRowTestAt(batch, "Check/b", ChecksRow, &rows[0], nullptr, 0));
    EXPECT_EQ(nullptr, NvkBatchAddRowTestAt(batch, "Check/c", nullptr, &rows[0], nullptr, 0));
    EXPECT_EQ(nullptr, NvkBatchAddRowTestAt(batch, "Check c", ChecksRow, &rows[0], nullptr, 0));
    EXPECT_EQ(3u, Errors().size());

    EXPECT_EQ(0, NvkBatchRun(batch));
    EXPECT_EQ("Check/a:passed Check/b:failed", Results());
}
