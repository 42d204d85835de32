// Loads the plain C test DLL the way the runner does: by file name, then its entry
// point by name, so the export macro, the registration macro and the checks' file and
// line capture are proven as a C compiler sees them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#ifdef _WIN32
#  include <windows.h>
#else
#  include <dlfcn.h>
#endif

#include "assertion_run.h"

namespace {

class LoadedTestLibrary {
public:
    explicit LoadedTestLibrary(const char *path) {
#ifdef _WIN32
        module_ = LoadLibraryA(path);
#else
        module_ = dlopen(path, RTLD_NOW);
#endif
    }
    ~LoadedTestLibrary() {
        if (module_ == nullptr) {
            return;
        }
#ifdef _WIN32
        FreeLibrary(module_);
#else
        dlclose(module_);
#endif
    }
    LoadedTestLibrary(const LoadedTestLibrary &) = delete;
    LoadedTestLibrary &operator=(const LoadedTestLibrary &) = delete;

    NvkTestProc Entry() const {
        if (module_ == nullptr) {
            return nullptr;
        }
#ifdef _WIN32
        return reinterpret_cast<NvkTestProc>(
            reinterpret_cast<void *>(GetProcAddress(module_, "NvkLibraryCreateBatches")));
#else
        return reinterpret_cast<NvkTestProc>(dlsym(module_, "NvkLibraryCreateBatches"));
#endif
    }

private:
#ifdef _WIN32
    HMODULE module_ = nullptr;
#else
    void *module_ = nullptr;
#endif
};

std::string BaseName(const char *path) {
    const std::string whole = path == nullptr ? "" : path;
    const size_t slash = whole.find_last_of("/\\");
    return slash == std::string::npos ? whole : whole.substr(slash + 1);
}

}  // namespace

TEST_F(AssertionRun, PlainCTestDllRegistersAndRunsEveryMacro) {
    LoadedTestLibrary library(NORVIK_HEADER_SAMPLE);
    const NvkTestProc entry = library.Entry();
    ASSERT_NE(nullptr, entry) << NORVIK_HEADER_SAMPLE;
    entry();

    NvkBatch *batch = NvkBatchGetFirst();
    ASSERT_STREQ("HeaderSample", NvkBatchGetName(batch));
    NvkTestFunction *passing = NvkBatchGetFirstTestFunction(batch);
    NvkTestFunction *failing = NvkTestFunctionGetNext(passing);
    ASSERT_STREQ("EveryCheckPasses", NvkTestFunctionGetName(passing));
    ASSERT_STREQ("EveryCheckFails", NvkTestFunctionGetName(failing));
    EXPECT_EQ(0, NvkBatchRun(batch));

    EXPECT_EQ(37, PassedAssertions(passing));
    EXPECT_TRUE(Failures(passing).empty());
    EXPECT_EQ("header_sample.c", BaseName(NvkTestFunctionGetFileName(passing)));

    EXPECT_EQ(0, PassedAssertions(failing));
    const std::vector<NvkAssertionFailure *> failures = Failures(failing);
    ASSERT_EQ(36u, failures.size());
    const int firstLine = NvkAssertionFailureGetLineNumber(failures[0]);
    EXPECT_GT(firstLine, 0);
    for (size_t i = 0; i < failures.size(); ++i) {
        EXPECT_EQ(firstLine + static_cast<int>(i), NvkAssertionFailureGetLineNumber(failures[i])) << "check " << i;
    }
    const std::vector<std::string> messages = Messages(failing);
    EXPECT_EQ("failed with 7", messages[0]);
    EXPECT_EQ("Expected boolean to be true but it was false", messages[1]);
    EXPECT_EQ("Expected unsigned char to be '\xC8' but it was '\xC9'", messages[6]);
    EXPECT_EQ("Expected wide char to be 'A' but it was 'A'", messages[7]);
    EXPECT_EQ("Expected long long to be '1' but it was '2'", messages[12]);
    EXPECT_EQ("Expected float to be '0.500000' but it was '1.500000'", messages[14]);
    EXPECT_EQ("Expected wide strings to not be equal but they were", messages[32]);
    // Six digits would show 0.300000 twice; seventeen show the difference.
    EXPECT_EQ("Expected double to be '0.29999999999999999' +/- '0' but it was '0.30000000000000004'", messages[33]);
    EXPECT_EQ("Expected double to be 'nan' +/- '1' but it was 'nan'", messages[34]);
    EXPECT_EQ("Expected float to be '0.100000001' +/- '0.0500000007' but it was '0.200000003'", messages[35]);

    // Compiled as C, the checks that show their values carry the label, and the REQUIRE
    // before the last check ends the test function.
    const std::vector<std::string> valueMessages = Messages(NvkTestFunctionGetNext(failing));
#ifdef _WIN32
    ASSERT_EQ(8u, valueMessages.size());
#else
    ASSERT_EQ(6u, valueMessages.size());
#endif
    EXPECT_EQ(
        "row 3: Expected string to be \"hello [w]orld\" but it was \"hello [t]here\" (first difference at index 6)",
        valueMessages.front());
    EXPECT_EQ("row 3: Expected 'nan' to be greater than or equal to '0'", valueMessages.back());

    // The records point into the DLL's code, so they go before it is unloaded.
    NvkBatchFree(nullptr);
}
