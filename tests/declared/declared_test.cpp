// Loads DLLs of declared tests as a runner does: nothing may be registered while the
// DLL loads; its entry point registers the declarations in the order written, beside
// tests added explicitly, each row of a table a test, the same whether the sources
// were compiled as C or as C++,
// and reports duplicates across files as registration errors.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#ifdef _WIN32
#  include <windows.h>
#else
#  include <dlfcn.h>
#endif

#include "event_recorder.h"
#include "norvik.h"

namespace {

class LoadedLibrary {
public:
    explicit LoadedLibrary(const char *path) {
#ifdef _WIN32
        module_ = LoadLibraryA(path);
#else
        module_ = dlopen(path, RTLD_NOW);
#endif
    }
    ~LoadedLibrary() {
        NvkBatchFree(nullptr);
#ifdef _WIN32
        FreeLibrary(module_);
#else
        dlclose(module_);
#endif
    }
    LoadedLibrary(const LoadedLibrary &) = delete;
    LoadedLibrary &operator=(const LoadedLibrary &) = delete;

    template <typename Function>
    Function Find(const char *name) const {
#ifdef _WIN32
        return reinterpret_cast<Function>(reinterpret_cast<void *>(GetProcAddress(module_, name)));
#else
        return reinterpret_cast<Function>(dlsym(module_, name));
#endif
    }

    bool Loaded() const { return module_ != nullptr; }

private:
#ifdef _WIN32
    HMODULE module_ = nullptr;
#else
    void *module_ = nullptr;
#endif
};

// "name:line" of the line of a source file of this folder that holds text, where name
// is the file's name with the extension it was compiled with.
std::string PlaceOf(const std::string &file, const std::string &text, const std::string &extension = ".c") {
    std::ifstream source(std::string(DECLARED_SOURCE_DIR) + "/" + file + ".c");
    std::string line;
    for (int number = 1; std::getline(source, line); ++number) {
        if (line.find(text) != std::string::npos) {
            return file + extension + ":" + std::to_string(number);
        }
    }
    return file + extension + ":?";
}

// Batches with their tests and where each is: "B: T@file:line ...".
std::vector<std::string> Outline() {
    std::vector<std::string> outline;
    for (NvkBatch *batch = NvkBatchGetFirst(); batch != nullptr; batch = NvkBatchGetNext(batch)) {
        std::string text = std::string(NvkBatchGetName(batch)) + ":";
        for (NvkTestFunction *test = NvkBatchGetFirstTestFunction(batch); test != nullptr;
             test = NvkTestFunctionGetNext(test)) {
            const std::string file = NvkTestFunctionGetSourceFile(test);
            text += std::string(" ") + NvkTestFunctionGetName(test) + "@" + file.substr(file.find_last_of("/\\") + 1) +
                    ":" + std::to_string(NvkTestFunctionGetSourceLine(test));
        }
        outline.push_back(text);
    }
    return outline;
}

std::vector<std::string> Errors() {
    std::vector<std::string> errors;
    for (uint32_t index = 0; index < NvkRegistrationGetErrorCount(); ++index) {
        errors.push_back(NvkRegistrationGetError(index));
    }
    return errors;
}

}  // namespace

struct DeclaredLibrary {
    const char *path;
    const char *extension;
};

class DeclaredTests : public ::testing::TestWithParam<DeclaredLibrary> {};

TEST_P(DeclaredTests, RegisterWhenTheEntryPointIsCalledInTheOrderWritten) {
    EventRecorder::Install();
    EventRecorder::Clear();
    LoadedLibrary library(GetParam().path);
    ASSERT_TRUE(library.Loaded());
    EXPECT_EQ(0u, NvkBatchGetCount(nullptr));
    EXPECT_TRUE(EventRecorder::Events().empty()) << "the DLL called the library while it loaded";

    library.Find<NvkTestProc>("NvkLibraryCreateBatches")();
    EXPECT_EQ(0u, NvkRegistrationGetErrorCount());
    const std::string extension = GetParam().extension;
    const auto place = [&extension](const char *file, const char *text) { return PlaceOf(file, text, extension); };
    EXPECT_EQ((std::vector<std::string>{
                  "Explicit: AddedBefore@" + place("declared_entry", "AddedBefore);"),
                  "Parsing: ReadsEmptyInput@" + place("declared_first", "(Parsing, ReadsEmptyInput)") +
                      " ReadsNumbers@" + place("declared_first", "(Parsing, ReadsNumbers)") + " ReadsWords@" +
                      place("declared_second", "(Parsing, ReadsWords)") + " AddedAfter@" +
                      place("declared_entry", "AddedAfter);"),
                  "Printing: WritesNothing@" + place("declared_first", "(Printing, WritesNothing)"),
                  "Formatting: PadsNumbers@" + place("declared_second", "(Formatting, PadsNumbers)") +
                      " TracesRows/0@" + place("declared_second", "(Formatting, TracesRows") + " TracesRows/1@" +
                      place("declared_second", "(Formatting, TracesRows") + " TracesNamedRows/first@" +
                      place("declared_second", "(Formatting, TracesNamed") + " TracesNamedRows/second@" +
                      place("declared_second", "(Formatting, TracesNamed")}),
              Outline());

    // Each batch function serves the batch that declared it.
    EXPECT_EQ(1, NvkBatchRun(nullptr));
    EXPECT_STREQ(
        "Explicit.AddedBefore Parsing:batch-setup Parsing:test-setup Parsing.ReadsEmptyInput "
        "Parsing:test-tear-down Parsing:test-setup Parsing.ReadsNumbers Parsing:test-tear-down "
        "Parsing:test-setup Parsing.ReadsWords Parsing:test-tear-down Parsing:test-setup Parsing.AddedAfter "
        "Parsing:test-tear-down Parsing:batch-tear-down Printing:test-setup Printing.WritesNothing "
        "Formatting.PadsNumbers row-0 row-1 first second",
        library.Find<const char *(*)()>("DeclaredTrace")());
    NvkTestFunction *readsNumbers = NvkTestFunctionGetNext(NvkBatchGetFirstTestFunction(NvkBatchGetNext(nullptr)));
    EXPECT_STREQ("numbers come in version 2", NvkTestFunctionGetSkipReason(readsNumbers));
}

INSTANTIATE_TEST_SUITE_P(CompiledAs, DeclaredTests,
                         ::testing::Values(DeclaredLibrary{DECLARED_C_TESTS_LIBRARY, ".c"},
                                           DeclaredLibrary{DECLARED_CPP_TESTS_LIBRARY, ".cpp"}),
                         [](const ::testing::TestParamInfo<DeclaredLibrary> &info) {
                             return std::string(info.param.extension + 1);
                         });

TEST(DeclaredDuplicates, AcrossFilesAreRegistrationErrors) {
    LoadedLibrary library(DECLARED_DUPLICATES_LIBRARY);
    ASSERT_TRUE(library.Loaded());
    NvkTestProc entry = library.Find<NvkTestProc>("NvkLibraryCreateBatches");
    ASSERT_NE(nullptr, entry) << "the CMake helper gives a DLL without an entry point one";
    entry();
    EXPECT_EQ((std::vector<std::string>{"Shared: SameName@" + PlaceOf("duplicates_first", "SameName") + " Other@" +
                                        PlaceOf("duplicates_second", "Other")}),
              Outline());
    const std::vector<std::string> errors = Errors();
    ASSERT_EQ(2u, errors.size());
    EXPECT_NE(std::string::npos, errors[0].find("Shared.SameName at ")) << errors[0];
    EXPECT_NE(std::string::npos, errors[0].find("duplicates_second.c(4) was not added: the batch already has a test "
                                                "of that name, at "))
        << errors[0];
    EXPECT_NE(std::string::npos, errors[0].find("duplicates_first.c(7)")) << errors[0];
    EXPECT_NE(std::string::npos, errors[1].find("The batch setup of batch Shared at ")) << errors[1];
    EXPECT_NE(std::string::npos, errors[1].find("duplicates_second.c(6) was not used")) << errors[1];
}
