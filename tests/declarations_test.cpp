// Registering declared tests in the order they were written, and the registration
// errors that keep a refused test from vanishing.
#include <algorithm>
#include <string>
#include <vector>

#include "registry_fixture.h"

namespace {

// Batch names with their tests and places: "A[bs]: T@f.c:3 U@g.c:1".
std::string Outline() {
    std::string outline;
    for (NvkBatch *batch = NvkBatchGetFirst(); batch != nullptr; batch = NvkBatchGetNext(batch)) {
        outline += std::string(outline.empty() ? "" : " | ") + NvkBatchGetName(batch) + ":";
        for (NvkTestFunction *test = NvkBatchGetFirstTestFunction(batch); test != nullptr;
             test = NvkTestFunctionGetNext(test)) {
            const char *file = NvkTestFunctionGetSourceFile(test);
            outline += std::string(" ") + NvkTestFunctionGetName(test) + "@" + (file != nullptr ? file : "-") + ":" +
                       std::to_string(NvkTestFunctionGetSourceLine(test));
        }
    }
    return outline;
}

std::vector<std::string> Errors() {
    std::vector<std::string> errors;
    for (uint32_t index = 0; index < NvkRegistrationGetErrorCount(); ++index) {
        errors.push_back(NvkRegistrationGetError(index));
    }
    EXPECT_EQ(nullptr, NvkRegistrationGetError(NvkRegistrationGetErrorCount()));
    return errors;
}

// Links the records in the given order, as a DLL's initializers might have.
const NvkDeclaration *Linked(std::vector<NvkDeclaration> &records, const std::vector<size_t> &order) {
    NvkDeclaration *first = nullptr;
    for (auto position = order.rbegin(); position != order.rend(); ++position) {
        records[*position].next = first;
        first = &records[*position];
    }
    return first;
}

std::vector<NvkDeclaration> WrittenInTwoFiles() {
    return {
        {nullptr, NvkRunCallTestFunction, 9, "Parse", "Numbers", "b.c", Proc<1>},
        {nullptr, NvkRunCallTestFunction, 30, "Print", "Lines", "a.c", Proc<2>},
        {nullptr, NvkRunCallTestFunction, 12, "Parse", "Empty", "a.c", Proc<3>},
        {nullptr, NvkRunCallBatchSetup, 4, "Parse", nullptr, "b.c", Proc<4>},
        {nullptr, NvkRunCallTestFunction, 40, "Parse", "Words", "a.c", Proc<5>},
        // Two on one line go by name.
        {nullptr, NvkRunCallTestFunction, 12, "Parse", "Blank", "a.c", Proc<6>},
    };
}

}  // namespace

TEST_F(RegistryTest, DeclarationsRegisterByFileAndLineWhateverTheirListOrder) {
    const std::string expected = "Parse: Blank@a.c:12 Empty@a.c:12 Words@a.c:40 Numbers@b.c:9 | Print: Lines@a.c:30";
    std::vector<NvkDeclaration> records = WrittenInTwoFiles();
    std::vector<size_t> order = {0, 1, 2, 3, 4, 5};
    for (int permutation = 0; permutation < 3; ++permutation) {
        EXPECT_EQ(1, NvkRegisterDeclarations(Linked(records, order)));
        EXPECT_EQ(expected, Outline());
        NvkBatchFree(nullptr);
        std::reverse(order.begin(), order.end());
        if (permutation == 1) {
            std::rotate(order.begin(), order.begin() + 2, order.end());
        }
    }
    EXPECT_EQ(1, NvkRegisterDeclarations(nullptr));
    EXPECT_EQ(0u, NvkBatchGetCount(nullptr)) << "an empty list creates no batch";
}

TEST_F(RegistryTest, DeclarationsJoinBatchesByNameAndNeverReplaceTheirFunctions) {
    NvkBatch *parse = NvkBatchCreate("Parse");
    NvkBatchAddFunctionAt(parse, "Explicit", Proc<7>, "entry.c", 2);
    NvkBatchSetSetupFunctions(parse, Proc<8>, nullptr, nullptr, nullptr);
    std::vector<NvkDeclaration> records = WrittenInTwoFiles();
    records.push_back({nullptr, NvkRunCallTestFunction, 50, "Parse", "Explicit", "a.c", Proc<9>});
    records.push_back({nullptr, NvkRunCallBatchSetup, 5, "Print", nullptr, "a.c", Proc<10>});
    records.push_back({nullptr, NvkRunCallBatchSetup, 6, "Print", nullptr, "b.c", Proc<11>});

    EXPECT_EQ(0, NvkRegisterDeclarations(Linked(records, {0, 1, 2, 3, 4, 5, 6, 7, 8})));
    EXPECT_EQ("Parse: Explicit@entry.c:2 Blank@a.c:12 Empty@a.c:12 Words@a.c:40 Numbers@b.c:9 | Print: Lines@a.c:30",
              Outline());
    EXPECT_EQ((std::vector<std::string>{
                  "Parse.Explicit at a.c(50) was not added: the batch already has a test of that name, at entry.c(2)",
                  "The batch setup of batch Parse at b.c(4) was not used: the batch already has one",
                  "The batch setup of batch Print at b.c(6) was not used: the batch already has one"}),
              Errors());

    NvkBatchFree(nullptr);
    EXPECT_EQ(0u, NvkRegistrationGetErrorCount()) << "the errors went with the registry";
}

TEST_F(RegistryTest, EveryRefusedTestOutsideARunIsARegistrationError) {
    NvkBatch *batch = NvkBatchCreate("B");
    ASSERT_NE(nullptr, NvkBatchAddFunctionAt(batch, "First", Proc<1>, "t.c", 3));
    EXPECT_EQ(nullptr, NvkBatchAddFunctionAt(batch, "First", Proc<2>, "t.c", 4));
    EXPECT_EQ(nullptr, NvkBatchAddFunctionImp(batch, "Again", Proc<1>));
    EXPECT_EQ(nullptr, NvkBatchAddFunctionAt(batch, "Nothing", nullptr, "t.c", 6));
    EXPECT_EQ(nullptr, NvkBatchAddFunctionAt(batch, "", Proc<3>, nullptr, 7));
    EXPECT_EQ(nullptr, NvkBatchAddFunctionImp(batch, nullptr, Proc<3>));
    EXPECT_EQ(
        (std::vector<std::string>{
            "B.First at t.c(4) was not added: the batch already has a test of that name, at t.c(3)",
            "B.Again was not added: its function is already in the batch as B.First",
            "B.Nothing at t.c(6) was not added: it has no function", "A test was not added to batch B: it has no name",
            "A test was not added to batch B: it has no name"}),
        Errors());
    EXPECT_EQ(nullptr, NvkTestFunctionGetSourceFile(NvkBatchAddFunctionImp(batch, "Unplaced", Proc<4>)));
}

namespace {

int32_t declaredDuringRun = -1;
NvkTestFunction *addedDuringRun = nullptr;

void NVK_CALL RegistersDuringRun() {
    addedDuringRun = NvkBatchAddFunctionAt(nullptr, "Late", Proc<2>, "t.c", 1);
    declaredDuringRun = NvkRegisterDeclarations(nullptr);
}

}  // namespace

TEST_F(RegistryTest, RefusalsDuringARunAreNoRegistrationErrors) {
    NvkBatchAddFunctionImp(NvkBatchCreate("B"), "Registers", RegistersDuringRun);
    NvkBatchRun(nullptr);
    EXPECT_EQ(nullptr, addedDuringRun);
    EXPECT_EQ(0, declaredDuringRun);
    EXPECT_EQ(0u, NvkRegistrationGetErrorCount());
}
