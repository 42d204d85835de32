#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "rules/argument_scan.h"

namespace {

using runner::ScanArguments;
using runner::StartMode;

// Only these names exist for the scan.
bool Exists(const char *path) {
    for (const char *existing : {"tests.dll", "Tests.dll", "report.xml", "folder"}) {
        if (std::strcmp(path, existing) == 0) {
            return true;
        }
    }
    return false;
}

// Only this other spelling names the library's file for the scan.
bool Overwrites(const char *reportPath, const char *libraryPath) {
    return std::strcmp(libraryPath, "tests.dll") == 0 && std::strcmp(reportPath, "./tests.dll") == 0;
}

runner::StartRequest Scan(std::vector<const char *> arguments) {
    arguments.insert(arguments.begin(), "WindowsNorvik.exe");
    return ScanArguments(static_cast<int>(arguments.size()), arguments.data(), Exists, Overwrites);
}

TEST(ArgumentScan, WithoutAnExistingArgumentTheWindowStartsEmpty) {
    for (const auto &arguments : {std::vector<const char *>{}, {"missing.dll"}, {"missing.dll", "other.xml"}}) {
        const runner::StartRequest request = Scan(arguments);
        EXPECT_EQ(StartMode::Gui, request.mode);
        EXPECT_EQ(nullptr, request.libraryPath);
    }
    // The program itself is never examined, even when it exists.
    const char *onlyProgram[] = {"tests.dll"};
    EXPECT_EQ(nullptr, ScanArguments(1, onlyProgram, Exists, Overwrites).libraryPath);
}

TEST(ArgumentScan, ALibraryWithNothingAfterItOpensInTheWindow) {
    for (const auto &arguments : {std::vector<const char *>{"tests.dll"}, {"missing", "tests.dll"}}) {
        const runner::StartRequest request = Scan(arguments);
        EXPECT_EQ(StartMode::Gui, request.mode);
        EXPECT_STREQ("tests.dll", request.libraryPath);
    }
}

TEST(ArgumentScan, TheArgumentAfterTheLibraryIsTheReport) {
    const runner::StartRequest request = Scan({"missing", "also-missing", "tests.dll", "out.xml", "ignored", "x"});
    EXPECT_EQ(StartMode::CommandLine, request.mode);
    EXPECT_STREQ("tests.dll", request.libraryPath);
    EXPECT_STREQ("out.xml", request.reportPath);
}

// The first existing argument is the library, even when it is a report or a folder;
// loading it fails later and the argument after it is never written.
TEST(ArgumentScan, TheFirstExistingArgumentIsTakenAsTheLibrary) {
    const runner::StartRequest request = Scan({"report.xml", "tests.dll"});
    EXPECT_EQ(StartMode::CommandLine, request.mode);
    EXPECT_STREQ("report.xml", request.libraryPath);
    EXPECT_STREQ("tests.dll", request.reportPath);
    EXPECT_STREQ("folder", Scan({"folder"}).libraryPath);
}

TEST(ArgumentScan, AReportPathNamingTheLibraryIsRefused) {
    EXPECT_EQ(StartMode::Refused, Scan({"tests.dll", "tests.dll"}).mode);
    EXPECT_EQ(StartMode::Refused, Scan({"tests.dll", "TESTS.DLL", "out.xml"}).mode);
    EXPECT_EQ(StartMode::Refused, Scan({"Tests.dll", "tEsTs.DlL"}).mode);
    // Another name of the library's file, as the loader's rule tells.
    EXPECT_EQ(StartMode::Refused, Scan({"tests.dll", "./tests.dll"}).mode);
    // Only ASCII letters fold; other bytes must match exactly.
    EXPECT_EQ(StartMode::CommandLine, Scan({"tests.dll", "tests.dl"}).mode);
    EXPECT_EQ(StartMode::CommandLine, Scan({"tests.dll", "tests.dll\xC4"}).mode);
}

}  // namespace
