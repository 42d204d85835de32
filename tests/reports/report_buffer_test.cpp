#include <gtest/gtest.h>

#include <string>

#include "report_buffer.h"

using nvk::ReportBuffer;

namespace {

std::string Text(const ReportBuffer &buffer) { return std::string(buffer.text, buffer.length); }

void AppendFilled(ReportBuffer &buffer, std::size_t count) {
    nvk::ReportBufferAppendString(buffer, std::string(count, 'x').c_str());
}

std::size_t CapacityAfter(std::size_t first, std::size_t second) {
    ReportBuffer buffer;
    AppendFilled(buffer, first);
    AppendFilled(buffer, second);
    return buffer.capacity;
}

}  // namespace

TEST(ReportBuffer, SmallTextsGrowInWholeStepsOf4096) {
    EXPECT_EQ(4096u, CapacityAfter(10, 0));
    EXPECT_EQ(8192u, CapacityAfter(4095, 0));
    EXPECT_EQ(4096u, CapacityAfter(4090, 5));
    EXPECT_EQ(8192u, CapacityAfter(4090, 6));
}

TEST(ReportBuffer, LargeTextsAreMovedOnlyLogarithmicallyOften) {
    ReportBuffer buffer;
    std::string expected;
    int growths = 0;
    for (int piece = 0; buffer.length < (6u << 20); ++piece) {
        const std::size_t before = buffer.capacity;
        const std::string text = std::to_string(piece) + " piece\r\n";
        nvk::ReportBufferAppendString(buffer, text.c_str());
        expected += text;
        if (buffer.capacity != before) {
            ++growths;
        }
        ASSERT_EQ(0u, buffer.capacity % 4096);
        ASSERT_LT(buffer.length, buffer.capacity);
        ASSERT_EQ('\0', buffer.text[buffer.length]);
    }
    EXPECT_LE(growths, 12);  // 4 KiB, 8 KiB, ... 8 MiB; steps of 4 KiB would take 1536
    EXPECT_EQ(expected, Text(buffer));
}

TEST(ReportBuffer, TagsAndTextElementsAreLaidOutOnTheirLevels) {
    ReportBuffer buffer;
    nvk::ReportBufferAppendString(buffer, nullptr);
    nvk::ReportBufferAppendTag(buffer, "TestResults", true, 0, false);
    nvk::ReportBufferAppendTag(buffer, "Batch", false, 2, true);
    nvk::ReportBufferAppendTextElement(buffer, "Name", "Sample", 3);
    nvk::ReportBufferAppendTextElement(buffer, "Message", nullptr, 1);
    EXPECT_EQ(
        "<TestResults>        </Batch>\r\n"
        "            <Name>Sample</Name>\r\n"
        "    <Message></Message>\r\n",
        Text(buffer));
}

TEST(ReportBuffer, TextIsEscapedAndForbiddenControlBytesBecomeTheirSymbols) {
    ReportBuffer buffer;
    nvk::ReportBufferAppendTextElement(buffer, "M", "a\"b'c<d>e&f", 0);
    nvk::ReportBufferAppendTextElement(buffer, "M", "tab\tcr\rlf\n\x7F\x80\xE9\xFF", 0);
    nvk::ReportBufferAppendTextElement(buffer, "M", "\x01\x08\x0B\x0C\x0E\x1B[31m\x1F", 0);
    EXPECT_EQ(
        "<M>a&quot;b&apos;c&lt;d&gt;e&amp;f</M>\r\n"
        "<M>tab\tcr\rlf\n\x7F\x80\xE9\xFF</M>\r\n"
        "<M>&#x2401;&#x2408;&#x240B;&#x240C;&#x240E;&#x241B;[31m&#x241F;</M>\r\n",
        Text(buffer));
}
