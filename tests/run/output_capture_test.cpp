// The spans of a capture file: each test's output from where the one before ended,
// at most the limit of it with the rest counted, and no read for a test that wrote
// nothing.
#include <gtest/gtest.h>

#include <string>

#include "output_capture.h"

namespace {

class FakeFile final : public run::CaptureFile {
public:
    uint64_t End() override {
        ++positionQueries;
        return bytes.size();
    }
    std::string Read(uint64_t offset, size_t count) override {
        ++reads;
        return offset < bytes.size() ? bytes.substr(static_cast<size_t>(offset), count) : std::string();
    }

    std::string bytes;
    int positionQueries = 0;
    int reads = 0;
};

TEST(OutputSpans, EachSpanStartsWhereTheOneBeforeEnded) {
    FakeFile file;
    file.bytes = "before the run\n";
    run::OutputSpans spans(file);
    file.bytes += "first\n";
    EXPECT_EQ("first\n", spans.TakeAll());
    file.bytes += "partial";
    const uint64_t end = file.bytes.size();
    file.bytes += "written later\n";
    EXPECT_EQ("partial", spans.TakeUpTo(end)) << "a span ends where its test ended, not where the file does";
    EXPECT_EQ("written later\n", spans.TakeAll());
}

TEST(OutputSpans, ATestThatWroteNothingCostsOneQueryAndNoRead) {
    FakeFile file;
    run::OutputSpans spans(file);
    const int queries = file.positionQueries;
    EXPECT_EQ("", spans.TakeAll());
    EXPECT_EQ(queries + 1, file.positionQueries);
    EXPECT_EQ(0, file.reads);
    EXPECT_EQ("", spans.TakeUpTo(0)) << "an end before the last span's gives nothing";
}

TEST(OutputSpans, OutputPastTheLimitIsCutAndCounted) {
    FakeFile file;
    run::OutputSpans spans(file);
    const struct {
        size_t written;
        const char *note;  // "" when nothing is cut
    } cases[] = {
        {run::kOutputLimit, ""},
        {run::kOutputLimit + 1, "\n[output cut: 1 bytes more]\n"},
        {run::kOutputLimit + 5000, "\n[output cut: 5000 bytes more]\n"},
    };
    for (const auto &each : cases) {
        file.bytes += std::string(each.written, 'x');
        const std::string text = spans.TakeAll();
        EXPECT_EQ(std::string(run::kOutputLimit, 'x') + each.note, text) << each.written;
    }
    file.bytes += "next test\n";
    EXPECT_EQ("next test\n", spans.TakeAll()) << "what was cut is not the next test's";
}

}  // namespace
