// Library loading in a process of the test's own: which failure each refusal
// gives, what stays loaded, and which batches the registry holds afterwards.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>

#include "crafted_images.h"
#include "image_validation.h"
#include "library_loader.h"
#include "norvik.h"
#include "runner_process.h"
#include "scratch_folder.h"

namespace {

using loader::LoadFailure;

using loader::LoadTestLibrary;

std::string BatchNames() {
    std::string names;
    for (NvkBatch *batch = NvkBatchGetFirst(); batch != nullptr; batch = NvkBatchGetNext(batch)) {
        names += std::string(names.empty() ? "" : ",") + NvkBatchGetName(batch);
    }
    return names;
}

bool ModuleIsLoaded(const std::string &path) { return GetModuleHandleA(path.c_str()) != nullptr; }

class LibraryLoading : public ::testing::Test {
protected:
    void SetUp() override { allocationsBefore_ = NvkMemGetAllocCount(); }
    void TearDown() override {
        loader::ReleaseTestLibrary();
        EXPECT_FALSE(loader::IsTestLibraryLoaded());
        EXPECT_EQ(0u, NvkBatchGetCount(nullptr));
        EXPECT_EQ(allocationsBefore_, NvkMemGetAllocCount());
    }

    LoadFailure LoadCrafted(const std::string &name, const crafted::Bytes &bytes) {
        crafted::WriteFile(folder_.File(name), bytes);
        return LoadTestLibrary(folder_.File(name).c_str());
    }

    ScratchFolder folder_;

private:
    int32_t allocationsBefore_ = 0;
};

TEST_F(LibraryLoading, EachRefusalGivesItsMessageAndLoadsNothing) {
    const uint16_t otherMachine =
        loader::OwnMachine() == loader::kMachineX64 ? loader::kMachineI386 : loader::kMachineX64;
    const LoadFailure otherBitnessMessage =
        loader::OwnMachine() == loader::kMachineX64 ? LoadFailure::Needs32BitRunner : LoadFailure::Needs64BitRunner;
    const crafted::Bytes ownImage = crafted::ImageHeader(loader::OwnMachine());

    EXPECT_EQ(LoadFailure::CannotRead, LoadTestLibrary(nullptr));
    EXPECT_EQ(LoadFailure::CannotRead, LoadTestLibrary(""));
    EXPECT_EQ(LoadFailure::CannotRead, LoadTestLibrary(folder_.File("missing.dll").c_str()));
    EXPECT_EQ(LoadFailure::CannotRead, LoadTestLibrary(folder_.Path().c_str()));
    EXPECT_EQ(LoadFailure::CannotRead, LoadTestLibrary((folder_.Path() + std::string(5000, 'x')).c_str()));
    EXPECT_EQ(LoadFailure::CannotMap, LoadCrafted("empty.dll", crafted::Bytes()));
    EXPECT_EQ(LoadFailure::UnknownFormat, LoadCrafted("text.dll", crafted::Text("not a library\r\n")));
    EXPECT_EQ(LoadFailure::UnknownFormat, LoadCrafted("arm64.dll", crafted::ImageHeader(crafted::kMachineArm64)));
    EXPECT_EQ(otherBitnessMessage, LoadCrafted("other.dll", crafted::ImageHeader(otherMachine)));
    EXPECT_EQ(LoadFailure::UnknownFormat, LoadCrafted("truncated.dll", crafted::Truncated(ownImage, 0x3E)));
    EXPECT_EQ(LoadFailure::UnknownFormat, LoadCrafted("far.dll", crafted::WithHeaderOffset(ownImage, 0xFFFFFFF0)));
    EXPECT_EQ(LoadFailure::CannotLoad, LoadTestLibrary(BuiltFile("runner_refusing_library.dll").c_str()));
    EXPECT_EQ(LoadFailure::NoEntryPoint, LoadTestLibrary(BuiltFile("runner_no_entry_library.dll").c_str()));

    EXPECT_FALSE(loader::IsTestLibraryLoaded());
    EXPECT_STREQ("", loader::LoadedLibraryPath());
    EXPECT_FALSE(ModuleIsLoaded(BuiltFile("runner_no_entry_library.dll")));
    EXPECT_EQ(0u, NvkBatchGetCount(nullptr));
}

// The image rule does not look at the DLL flag: a program of the right machine gets
// as far as the loader.
TEST_F(LibraryLoading, AProgramOfTheRightMachinePassesValidation) {
    const LoadFailure failure = LoadTestLibrary(BuiltFile("WindowsNorvik.exe").c_str());
    EXPECT_TRUE(failure == LoadFailure::CannotLoad || failure == LoadFailure::NoEntryPoint) << int(failure);
    EXPECT_FALSE(loader::IsTestLibraryLoaded());
}

TEST_F(LibraryLoading, RegistersTheBatchesAndDropsTheEmptyOnes) {
    ASSERT_EQ(LoadFailure::None, LoadTestLibrary(BuiltFile("runner_probe_library.dll").c_str()));
    EXPECT_TRUE(loader::IsTestLibraryLoaded());
    EXPECT_EQ(BuiltFile("runner_probe_library.dll"), loader::LoadedLibraryPath());
    EXPECT_EQ("ProbeArithmetic,ProbeWords", BatchNames());
}

TEST_F(LibraryLoading, ALibraryOfEmptyBatchesStaysLoadedWithoutBatches) {
    ASSERT_EQ(LoadFailure::None, LoadTestLibrary(BuiltFile("runner_empty_batches_library.dll").c_str()));
    EXPECT_TRUE(loader::IsTestLibraryLoaded());
    EXPECT_EQ(0u, NvkBatchGetCount(nullptr));
}

TEST_F(LibraryLoading, ASecondLibraryReplacesTheFirst) {
    const std::string probe = BuiltFile("runner_probe_library.dll");
    ASSERT_EQ(LoadFailure::None, LoadTestLibrary(probe.c_str()));
    ASSERT_EQ(LoadFailure::None, LoadTestLibrary(BuiltFile("RingBufferTests.dll").c_str()));
    EXPECT_FALSE(ModuleIsLoaded(probe));
    EXPECT_EQ("RingBufferBasics,RingBufferLimits", BatchNames());
    EXPECT_EQ(BuiltFile("RingBufferTests.dll"), loader::LoadedLibraryPath());
}

TEST_F(LibraryLoading, AFailedLoadKeepsTheLibraryLoadedBefore) {
    const std::string probe = BuiltFile("runner_probe_library.dll");
    ASSERT_EQ(LoadFailure::None, LoadTestLibrary(probe.c_str()));
    EXPECT_EQ(LoadFailure::NoEntryPoint, LoadTestLibrary(BuiltFile("runner_no_entry_library.dll").c_str()));
    EXPECT_EQ(LoadFailure::CannotLoad, LoadTestLibrary(BuiltFile("runner_refusing_library.dll").c_str()));
    EXPECT_EQ(LoadFailure::UnknownFormat, LoadCrafted("text.dll", crafted::Text("text")));
    EXPECT_TRUE(ModuleIsLoaded(probe));
    EXPECT_EQ(probe, loader::LoadedLibraryPath());
    EXPECT_EQ("ProbeArithmetic,ProbeWords", BatchNames());
}

// The module stays mapped, so its globals survive, while its batches are registered
// afresh.
TEST_F(LibraryLoading, OpeningTheSameLibraryAgainKeepsItsModule) {
    const std::string probe = BuiltFile("runner_probe_library.dll");
    ASSERT_EQ(LoadFailure::None, LoadTestLibrary(probe.c_str()));
    const HMODULE module = GetModuleHandleA(probe.c_str());
    ASSERT_NE(nullptr, module);
    using CountFunction = int(NVK_CALL *)(void);
    const auto createCount =
        reinterpret_cast<CountFunction>(reinterpret_cast<void *>(GetProcAddress(module, "ProbeCreateCount")));
    ASSERT_NE(nullptr, createCount);
    const int countBefore = createCount();

    ASSERT_EQ(LoadFailure::None, LoadTestLibrary(probe.c_str()));
    EXPECT_EQ(module, GetModuleHandleA(probe.c_str()));
    EXPECT_EQ(countBefore + 1, createCount());
    EXPECT_EQ("ProbeArithmetic,ProbeWords", BatchNames());
}

// The library loaded before was released before the entry point ran, so nothing at
// all is loaded afterwards.
TEST_F(LibraryLoading, AnEntryPointThatCrashesIsALoadFailureThatLeavesNothingBehind) {
    const std::string crashing = BuiltFile("runner_crashing_entry_library.dll");
    ASSERT_EQ(LoadFailure::None, LoadTestLibrary(BuiltFile("runner_probe_library.dll").c_str()));
    EXPECT_EQ(LoadFailure::CannotLoad, LoadTestLibrary(crashing.c_str()));
    EXPECT_FALSE(loader::IsTestLibraryLoaded());
    EXPECT_FALSE(ModuleIsLoaded(crashing));
    EXPECT_FALSE(ModuleIsLoaded(BuiltFile("runner_probe_library.dll")));
    EXPECT_EQ(0u, NvkBatchGetCount(nullptr));
    EXPECT_STREQ("", loader::LoadedLibraryPath());

    ASSERT_EQ(LoadFailure::None, LoadTestLibrary(BuiltFile("RingBufferTests.dll").c_str()));
    EXPECT_EQ("RingBufferBasics,RingBufferLimits", BatchNames());
}

TEST_F(LibraryLoading, FindsTheDependenciesBesideTheLibrary) {
    ASSERT_EQ(LoadFailure::None, LoadTestLibrary(BuiltFile("dependent\\runner_dependent_library.dll").c_str()));
    EXPECT_EQ("Dependent", BatchNames());
    EXPECT_EQ(1, NvkBatchRun(nullptr));
}

// The program's folder holds a DLL of the same name that the loader would prefer for
// a bare name; the file checked in the current folder must be the one loaded.
TEST_F(LibraryLoading, ARelativeNameLoadsTheFileThatWasValidated) {
    const std::string genuineFolder = BuiltFile("genuine");
    char previousFolder[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previousFolder);
    ASSERT_TRUE(SetCurrentDirectoryA(genuineFolder.c_str()));

    HMODULE searched = LoadLibraryA("runner_same_name_library.dll");
    ASSERT_NE(nullptr, searched);
    char searchedPath[MAX_PATH];
    GetModuleFileNameA(searched, searchedPath, MAX_PATH);
    FreeLibrary(searched);
    EXPECT_EQ(BuiltFile("runner_same_name_library.dll"), searchedPath) << "the loader's search no longer prefers "
                                                                          "the program's folder";

    const LoadFailure failure = LoadTestLibrary("runner_same_name_library.dll");
    SetCurrentDirectoryA(previousFolder);
    ASSERT_EQ(LoadFailure::None, failure);
    EXPECT_EQ("Genuine", BatchNames());
    EXPECT_EQ(genuineFolder + "\\runner_same_name_library.dll", loader::LoadedLibraryPath());
}

}  // namespace
