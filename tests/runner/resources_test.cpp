// The runner's resources as the built program carries them: what the user reads
// and the keys the window answers to.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "load_failure.h"
#include "resources/resource.h"
#include "rules/load_failure_messages.h"
#include "runner_process.h"

namespace {

class RunnerResources : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        program_ = LoadLibraryExA(BuiltFile("WindowsNorvik.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
    static void TearDownTestSuite() { FreeLibrary(program_); }

    static std::string String(unsigned id) {
        char text[1024] = "";
        LoadStringA(program_, id, text, sizeof text);
        return text;
    }

    static HMODULE program_;
};

HMODULE RunnerResources::program_ = nullptr;

TEST_F(RunnerResources, EveryStringFrom800To828IsPresent) {
    ASSERT_NE(nullptr, program_);
    for (unsigned id = IDS_UNKNOWN_FORMAT; id <= IDS_DISPLAY_NAME; ++id) {
        EXPECT_FALSE(String(id).empty()) << id;
    }
    EXPECT_EQ("Windows Norvik", String(IDS_DISPLAY_NAME));
    EXPECT_EQ("Library Error", String(IDS_LIBRARY_ERROR));
    EXPECT_EQ("%s - Version %s", String(IDS_VERSION_FORMAT));
    EXPECT_EQ(
        "The test library does not contain the required NvkLibraryCreateBatches() function. This function "
        "must be implemented in the unit test library and must create all test batches.",
        String(IDS_NO_ENTRY_POINT));
}

// The window and the console say the same about a library that cannot be loaded.
TEST_F(RunnerResources, EachLoadFailureShowsTheLoadersSentence) {
    using loader::LoadFailure;
    EXPECT_EQ(0u, runner::LoadFailureMessageId(LoadFailure::None));
    for (const LoadFailure failure :
         {LoadFailure::CannotRead, LoadFailure::CannotMap, LoadFailure::UnknownFormat, LoadFailure::Needs64BitRunner,
          LoadFailure::Needs32BitRunner, LoadFailure::CannotLoad, LoadFailure::NoEntryPoint, LoadFailure::NoTests}) {
        const unsigned id = runner::LoadFailureMessageId(failure);
        EXPECT_TRUE(id >= IDS_UNKNOWN_FORMAT && id < IDS_DISPLAY_NAME) << id;
        EXPECT_EQ(loader::LoadFailureText(failure), String(id)) << id;
    }
}

TEST_F(RunnerResources, TheManifestAsksOnlyToRunAsTheInvoker) {
    HRSRC found = FindResourceA(program_, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(nullptr, found);
    const char *bytes = static_cast<const char *>(LockResource(LoadResource(program_, found)));
    const std::string manifest(bytes, SizeofResource(program_, found));
    EXPECT_NE(std::string::npos, manifest.find("level=\"asInvoker\" uiAccess=\"false\""));
    EXPECT_EQ(std::string::npos, manifest.find("Common-Controls"));
}

// Character accelerators for the Ctrl keys, none inverting a menu item, and menu
// commands for every key.
TEST_F(RunnerResources, AcceleratorsMapTheDocumentedKeys) {
    HACCEL table = LoadAcceleratorsA(program_, MAKEINTRESOURCEA(IDR_ACCELERATORS));
    ASSERT_NE(nullptr, table);
    std::vector<ACCEL> entries(CopyAcceleratorTableA(table, nullptr, 0));
    CopyAcceleratorTableA(table, entries.data(), static_cast<int>(entries.size()));
    DestroyAcceleratorTable(table);
    const struct {
        BYTE flags;
        WORD key;
        WORD command;
    } expected[] = {
        {FNOINVERT, 0x0F, IDM_OPEN_LIBRARY},
        {FNOINVERT, 0x15, IDM_CLOSE_LIBRARY},
        {FNOINVERT, 0x13, IDM_SAVE_RESULTS},
        {FNOINVERT, 0x11, IDM_EXIT},
        {FNOINVERT, 0x17, IDM_EXIT},
        {FNOINVERT, 0x01, IDM_SELECT_ALL},
        {FNOINVERT, 0x0E, IDM_SELECT_NONE},
        {FVIRTKEY | FNOINVERT, VK_F1, IDM_ABOUT},
        {FVIRTKEY | FNOINVERT, VK_F2, IDM_EXPAND_TREE},
        {FVIRTKEY | FNOINVERT, VK_F3, IDM_COLLAPSE_TREE},
        {FVIRTKEY | FNOINVERT, VK_F5, IDM_RUN_SELECTED},
        {FVIRTKEY | FNOINVERT, VK_F6, IDM_RUN_BATCH},
        {FVIRTKEY | FNOINVERT, VK_F7, IDM_RUN_TEST_FUNCTION},
        {FNOINVERT, 0x12, IDM_RELOAD_LIBRARY},
        {FVIRTKEY | FNOINVERT, VK_F8, IDM_RUN_FAILED},
        {FVIRTKEY | FNOINVERT, VK_ESCAPE, IDM_STOP_RUN},
    };
    ASSERT_EQ(sizeof expected / sizeof expected[0], entries.size());
    for (size_t index = 0; index < entries.size(); ++index) {
        EXPECT_EQ(expected[index].flags, entries[index].fVirt & ~0x80) << index;
        EXPECT_EQ(expected[index].key, entries[index].key) << index;
        EXPECT_EQ(expected[index].command, entries[index].cmd) << index;
    }
}

TEST_F(RunnerResources, TheMenuNamesEveryCommandWithItsKey) {
    HMENU menu = LoadMenuA(program_, MAKEINTRESOURCEA(IDR_MAIN_MENU));
    ASSERT_NE(nullptr, menu);
    EXPECT_EQ(5, GetMenuItemCount(menu));
    const struct {
        UINT command;
        const char *text;
    } expected[] = {
        {IDM_OPEN_LIBRARY, "&Open Unit Test DLL...\tCtrl+O"},
        {IDM_EXIT, "E&xit\tCtrl+Q"},
        {IDM_COLLAPSE_TREE, "&Collapse Entire Tree\tF3"},
        {IDM_RUN_TEST_FUNCTION, "Run Selected Unit &Test Function\tF7"},
        {IDM_XML_VIEW, "Unit Test Results as &XML"},
        {IDM_ABOUT, "&About Norvik...\tF1"},
        {IDM_RELOAD_LIBRARY, "&Reload Unit Test DLL\tCtrl+R"},
        {IDM_AUTO_RELOAD, "Reload &Automatically When Changed"},
        {IDM_RUN_AFTER_RELOAD, "Run Selected Tests After Reloa&d"},
        {IDM_SHADOW_COPY, "Load a Sha&dow Copy"},
        {IDM_RUN_FAILED, "Run &Failed Unit Tests\tF8"},
        {IDM_EDITOR_COMMAND, "&Editor Command..."},
        {IDM_STOP_RUN, "S&top\tEsc"},
        {IDM_SEPARATE_PROCESS, "Run Tests in a Se&parate Process"},
        {IDM_BREAK_ON_FAILURE, "Brea&k on Failure"},
        {IDM_TIME_LIMIT_30, "&30 Seconds"},
    };
    for (const auto &item : expected) {
        char text[256] = "";
        GetMenuStringA(menu, item.command, text, sizeof text, MF_BYCOMMAND);
        EXPECT_STREQ(item.text, text);
    }
    DestroyMenu(menu);
}

// Commands added to the window each describe themselves in the string table, at
// their own id, and take no id the window used before.
TEST_F(RunnerResources, EveryAddedCommandHasADescription) {
    const unsigned added[] = {IDM_RELOAD_LIBRARY,  IDM_RUN_FAILED,      IDM_AUTO_RELOAD,   IDM_RUN_AFTER_RELOAD,
                              IDM_SHADOW_COPY,     IDM_EDITOR_COMMAND,  IDM_STOP_RUN,      IDM_SEPARATE_PROCESS,
                              IDM_TIME_LIMIT_NONE, IDM_TIME_LIMIT_10,   IDM_TIME_LIMIT_30, IDM_TIME_LIMIT_60,
                              IDM_TIME_LIMIT_300,  IDM_BREAK_ON_FAILURE};
    for (const unsigned id : added) {
        EXPECT_FALSE(String(id).empty()) << id;
    }
    for (unsigned id = IDS_RUN_FAILED_MENU; id <= IDS_OUTPUT_ROW; ++id) {
        EXPECT_FALSE(String(id).empty()) << id;
    }
    const unsigned before[] = {100, 101, 102, 103, 110, 120, 121, 122, 140, 141, 142, 143, 150, 151};
    for (const unsigned id : added) {
        EXPECT_EQ(std::end(before), std::find(std::begin(before), std::end(before), id)) << id;
    }
    for (const unsigned id : {IDM_RECENT_FIRST, IDM_RECENT_LAST, IDM_RECENT_SEPARATOR}) {
        EXPECT_EQ(std::end(before), std::find(std::begin(before), std::end(before), id)) << id;
    }
}

TEST_F(RunnerResources, TheVersionNamesTheProgram) {
    const std::string path = BuiltFile("WindowsNorvik.exe");
    std::vector<char> data(GetFileVersionInfoSizeA(path.c_str(), nullptr));
    ASSERT_FALSE(data.empty());
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(data.size()), data.data()));
    const auto value = [&](const char *key) {
        char *text = nullptr;
        UINT length = 0;
        const std::string block = std::string("\\StringFileInfo\\040904b0\\") + key;
        VerQueryValueA(data.data(), block.c_str(), reinterpret_cast<void **>(&text), &length);
        return std::string(text != nullptr ? text : "");
    };
    EXPECT_EQ("Windows Norvik", value("FileDescription"));
    EXPECT_EQ("1.00", value("FileVersion"));
    EXPECT_EQ("WindowsNorvik.exe", value("OriginalFilename"));
    EXPECT_EQ("Norvik", value("ProductName"));
    EXPECT_FALSE(value("LegalCopyright").empty());
}

}  // namespace
