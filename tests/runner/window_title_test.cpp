#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "rules/window_title.h"

namespace {

constexpr size_t kTitleSize = 1024;
constexpr char kGuardByte = 0x5A;
constexpr size_t kGuardSize = 64;

// Formats into a 1024-byte title followed by guard bytes that must stay untouched.
std::string Title(const std::string &path, const char *displayName = "Windows Norvik") {
    std::vector<char> buffer(kTitleSize + kGuardSize, kGuardByte);
    runner::FormatLibraryTitle(buffer.data(), kTitleSize, path.c_str(), displayName);
    for (size_t index = kTitleSize; index < buffer.size(); ++index) {
        EXPECT_EQ(kGuardByte, buffer[index]) << "written past the title at " << index;
    }
    EXPECT_NE(nullptr, std::memchr(buffer.data(), '\0', kTitleSize)) << "title not terminated";
    return std::string(buffer.data());
}

TEST(LibraryTitle, IsThePathAndTheDisplayName) {
    EXPECT_EQ("C:\\tests\\RingBufferTests.dll - Windows Norvik", Title("C:\\tests\\RingBufferTests.dll"));
}

TEST(LibraryTitle, APathThatJustFitsIsKeptWhole) {
    const std::string suffix = " - Windows Norvik";
    const std::string path = "C:\\" + std::string(kTitleSize - 1 - suffix.size() - 3, 'a');
    EXPECT_EQ(path + suffix, Title(path));
}

TEST(LibraryTitle, ALongerPathGivesWayAtItsStart) {
    const std::string suffix = " - Windows Norvik";
    const std::string fileName = "\\RingBufferTests.dll";
    for (const size_t folderLength : {kTitleSize - suffix.size() - fileName.size(), size_t(5000), size_t(40000)}) {
        const std::string title = Title("C:\\" + std::string(folderLength, 'f') + fileName);
        EXPECT_EQ(kTitleSize - 1, title.size());
        EXPECT_EQ("...", title.substr(0, 3));
        EXPECT_EQ(fileName + suffix, title.substr(title.size() - fileName.size() - suffix.size()));
    }
}

TEST(LibraryTitle, AnOverlongDisplayNameIsCutAtTheEnd) {
    const std::string name(3000, 'n');
    const std::string title = Title("C:\\t.dll", name.c_str());
    EXPECT_EQ(kTitleSize - 1, title.size());
    EXPECT_EQ("C:\\t.dll - nnn", title.substr(0, 14));
}

TEST(LibraryTitle, MissingTextsCountAsEmpty) {
    EXPECT_EQ("C:\\t.dll - ", Title("C:\\t.dll", nullptr));
    char buffer[16];
    runner::FormatLibraryTitle(buffer, sizeof buffer, nullptr, "Windows Norvik");
    EXPECT_STREQ(" - Windows Norv", buffer);
}

}  // namespace
