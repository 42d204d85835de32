// The one rule both runners use to keep a report from being written over the test
// library: the same file by full path, as the platform compares file names.
#include <gtest/gtest.h>

#include <string>

#include "crafted_images.h"
#include "library_loader.h"
#include "scratch_folder.h"

namespace {

TEST(ReportRule, OnlyAnotherNameOfTheLibrarysFileWouldOverwriteIt) {
    ScratchFolder folder;
    const std::string library = folder.File("tests.dll");
    crafted::WriteFile(library, crafted::Text("library"));
    crafted::WriteFile(folder.File("other.dll"), crafted::Text("other"));
#ifdef _WIN32
    const bool sameWithoutCase = true;
    const char separator = '\\';
#else
    const bool sameWithoutCase = false;
    const char separator = '/';
#endif
    const struct {
        std::string report;
        bool overwrites;
    } cases[] = {
        {library, true},
        {folder.Path() + separator + "." + separator + "tests.dll", true},
        {folder.File("TESTS.DLL"), sameWithoutCase},
        {folder.File("other.dll"), false},
        {folder.File("report.xml"), false},
        {"", false},
    };
    for (const auto &check : cases) {
        EXPECT_EQ(check.overwrites, loader::ReportWouldOverwriteLibrary(check.report.c_str(), library.c_str()))
            << check.report;
    }
    EXPECT_FALSE(loader::ReportWouldOverwriteLibrary(library.c_str(), nullptr));
    EXPECT_FALSE(loader::ReportWouldOverwriteLibrary(nullptr, library.c_str()));
}

}  // namespace
