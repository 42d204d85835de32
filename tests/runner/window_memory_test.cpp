// What the window keeps across reloads and restarts: the selection by name, the
// recent files, the stored settings read back, the editor command, and when a
// changed library is taken up.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rules/editor_command.h"
#include "rules/file_change_watch.h"
#include "rules/kept_selection.h"
#include "rules/recent_files.h"
#include "rules/remembered_settings.h"

namespace {

using runner::FileStamp;

TEST(KeptSelection, KeepsOldFlagsByNameAndTicksNewTests) {
    runner::KeptSelection kept;
    kept.skipped[{"Math", "Adds"}] = true;
    kept.skipped[{"Math", "Subtracts"}] = false;
    kept.expandedBatches = {"Math"};
    EXPECT_EQ(1, runner::SkipAfterReload(kept, {"Math", "Adds"}));
    EXPECT_EQ(0, runner::SkipAfterReload(kept, {"Math", "Subtracts"}));
    EXPECT_EQ(0, runner::SkipAfterReload(kept, {"Math", "Divides"}));
    EXPECT_EQ(0, runner::SkipAfterReload(kept, {"Words", "Adds"}));  // same test name, other batch
    EXPECT_TRUE(runner::WasExpanded(kept, "Math"));
    EXPECT_FALSE(runner::WasExpanded(kept, "math"));
    EXPECT_EQ("Math.Adds", runner::FullTestName({"Math", "Adds"}));
    EXPECT_EQ("Math", runner::FullTestName({"Math", ""}));
}

TEST(RecentFiles, KeepsTheLastEightMostRecentFirstEachOnce) {
    std::vector<std::string> recent;
    for (int index = 0; index < 10; ++index) {
        runner::RememberRecentFile(recent, "C:\\t" + std::to_string(index) + ".dll");
    }
    ASSERT_EQ(8u, recent.size());
    EXPECT_EQ("C:\\t9.dll", recent.front());
    EXPECT_EQ("C:\\t2.dll", recent.back());
    runner::RememberRecentFile(recent, "c:\\T5.DLL");  // the same file, as Windows compares names
    EXPECT_EQ("c:\\T5.DLL", recent.front());
    EXPECT_EQ(8u, recent.size());
    EXPECT_TRUE(runner::ForgetRecentFile(recent, "C:\\t9.dll"));
    EXPECT_FALSE(runner::ForgetRecentFile(recent, "C:\\t9.dll"));
    EXPECT_EQ(7u, recent.size());
    runner::RememberRecentFile(recent, "");
    EXPECT_EQ(7u, recent.size());
}

TEST(RecentFiles, StoredListsAreCleanedOnReading) {
    const std::vector<std::string> stored = {"a.dll", "", "b.dll", "A.DLL", "c", "d", "e", "f", "g", "h", "i"};
    const std::vector<std::string> expected = {"a.dll", "b.dll", "c", "d", "e", "f", "g", "h"};
    EXPECT_EQ(expected, runner::CleanRecentFiles(stored));
}

TEST(RememberedSettings, DamagedValuesFallBack) {
    const runner::WindowPlacementSetting placement = runner::ParsePlacement("10,20,810,620,1");
    ASSERT_TRUE(placement.valid);
    EXPECT_EQ("10,20,810,620,1", runner::FormatPlacement(placement));
    for (const char *damaged : {static_cast<const char *>(nullptr), "", "10,20,810", "10,20,5,620,0", "10,20,810,620,2",
                                "10,20,810,620,0,9", "x,20,810,620,0", "10,20,99999,620,0"}) {
        EXPECT_FALSE(runner::ParsePlacement(damaged).valid) << (damaged ? damaged : "(none)");
    }
    const struct {
        const char *text;
        bool fallback, expected;
    } flags[] = {{"1", false, true}, {"0", true, false}, {"", true, true}, {"10", false, false}, {nullptr, true, true}};
    for (const auto &flag : flags) {
        EXPECT_EQ(flag.expected, runner::ParseFlag(flag.text, flag.fallback)) << (flag.text ? flag.text : "(none)");
    }
    const std::vector<int> widths = {120, 0, 4000};
    EXPECT_EQ(widths, runner::ParseColumnWidths(runner::FormatColumnWidths(widths).c_str(), 3));
    for (const char *damaged : {"120,0", "120,0,4000,5", "120,-1,4", "120,,4", "120,0,4001", "1 2 3"}) {
        EXPECT_TRUE(runner::ParseColumnWidths(damaged, 3).empty()) << damaged;
    }
}

TEST(EditorCommand, FillsEveryPlaceholder) {
    const struct {
        const char *command, *expected;
    } cases[] = {
        {"edit \"{file}\" -n{line}", "edit \"C:\\src\\a b.c\" -n42"},
        {"{file}:{line}:{line}", "C:\\src\\a b.c:42:42"},
        {"edit {File} {lin} {", "edit {File} {lin} {"},
        {"", ""},
    };
    for (const auto &expansion : cases) {
        EXPECT_EQ(expansion.expected, runner::ExpandEditorCommand(expansion.command, "C:\\src\\a b.c", 42));
    }
}

TEST(FileChangeWatch, ReloadsOnceTheFileHasSettledAndNotAFailedFileAgain) {
    runner::FileChangeWatch watch;
    const FileStamp built = {true, 1000, 1};
    const FileStamp growing = {true, 600, 2};
    const FileStamp rebuilt = {true, 1200, 3};
    watch.Loaded(built);
    EXPECT_FALSE(watch.ShouldReload(built));
    EXPECT_FALSE(watch.ShouldReload(growing));      // first seen: maybe still being written
    EXPECT_FALSE(watch.ShouldReload(FileStamp()));  // gone for a moment
    EXPECT_FALSE(watch.ShouldReload(rebuilt));
    EXPECT_TRUE(watch.ShouldReload(rebuilt));
    watch.Failed(rebuilt);
    EXPECT_FALSE(watch.ShouldReload(rebuilt));  // quiet until the file changes again
    const FileStamp fixed = {true, 1300, 4};
    EXPECT_FALSE(watch.ShouldReload(fixed));
    EXPECT_TRUE(watch.ShouldReload(fixed));
    watch.Loaded(fixed);
    EXPECT_FALSE(watch.ShouldReload(fixed));
}

}  // namespace
