#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "report_support.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path &path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

void WriteFile(const fs::path &path, const std::string &content) { std::ofstream(path, std::ios::binary) << content; }

// The files live in the system's temporary folder, named as the system names it
// (under Wine a drive-letter path such as C:\users\...\Temp\...).
class ReportFileTest : public ReportTest {
protected:
    void SetUp() override {
        ReportTest::SetUp();
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        folder_ = fs::temp_directory_path() / ("norvik-report-" + std::to_string(stamp));
        fs::create_directories(folder_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
        ReportTest::TearDown();
    }
    fs::path folder_;
};

fs::path fileAtReport;
std::uintmax_t sizeAtReport = 0;

void NVK_CALL MeasureFileAtReport(int32_t code, uint32_t, intptr_t, void *, void *) {
    if (code == NvkEventReportCreated) {
        sizeAtReport = fs::file_size(fileAtReport);
    }
}

}  // namespace

TEST_F(ReportFileTest, PathsThatCannotBeOpenedAreRefusedBeforeAnyReport) {
    const fs::path missing = folder_ / "missing" / "report.xml";
    EXPECT_EQ(0, NvkReportCreateFile(NVK_REPORT_ALL, nullptr));
    EXPECT_EQ(0, NvkReportCreateFile(NVK_REPORT_ALL, folder_.string().c_str()));
    EXPECT_EQ(0, NvkReportCreateFile(NVK_REPORT_ALL, missing.string().c_str()));
    EXPECT_TRUE(fs::is_directory(folder_));
    EXPECT_FALSE(fs::exists(missing.parent_path()));
    EXPECT_TRUE(EventRecorder::Events().empty());
    EXPECT_EQ(0u, NvkBatchGetCount(nullptr));
}

TEST_F(ReportFileTest, NoItemFlagLeavesAnEmptyFile) {
    const fs::path existing = folder_ / "existing.xml";
    const fs::path fresh = folder_ / "fresh.xml";
    WriteFile(existing, "an older report");
    EXPECT_EQ(0, NvkReportCreateFile(0, existing.string().c_str()));
    EXPECT_EQ(0, NvkReportCreateFile(64, fresh.string().c_str()));
    EXPECT_EQ("", ReadFile(existing));
    ASSERT_TRUE(fs::exists(fresh));
    EXPECT_EQ(0u, fs::file_size(fresh));
}

TEST_F(ReportFileTest, TheFileHoldsExactlyTheReportAndNothingOfAnOlderOne) {
    RunSample();
    fileAtReport = folder_ / "TestResults.xml";
    WriteFile(fileAtReport, std::string(100000, 'x'));
    NvkSetEventHandler(&MeasureFileAtReport, 0);
    const int32_t before = NvkMemGetAllocCount();

    EXPECT_EQ(1, NvkReportCreateFile(NVK_REPORT_ALL, fileAtReport.string().c_str()));
    EXPECT_EQ(0u, sizeAtReport) << "the file is emptied on opening and written after the event";
    EXPECT_EQ(before, NvkMemGetAllocCount());
    const std::string written = ReadFile(fileAtReport);
    EXPECT_EQ(CreateReport(NVK_REPORT_ALL), written);
    SaveForParsing(written);
}

TEST_F(ReportFileTest, NothingRanGivesTheSmallestDocument) {
    const fs::path path = folder_ / "empty-run.xml";
    EXPECT_EQ(1, NvkReportCreateFile(NVK_REPORT_SUMMARY, path.string().c_str()));
    EXPECT_EQ(69u, fs::file_size(path));
    SaveForParsing(ReadFile(path));
}

#ifndef _WIN32
TEST_F(ReportFileTest, AReportThatDoesNotFitIsAFailure) {
    RunSample();
    // Too small for the stream's buffer to fill: the loss shows only on closing.
    EXPECT_EQ(0, NvkReportCreateFile(NVK_REPORT_ALL, "/dev/full"));
}
#endif
