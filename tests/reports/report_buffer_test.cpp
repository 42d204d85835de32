#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "norvik.h"
#include "pages.h"
#include "report_buffer.h"
#include "seconds_text.h"

namespace {

// Writes through both ends and checks that the writer fills exactly what the counter measured.
template <typename Write>
std::string Written(Write write) {
    nvk::ReportLength measure;
    write(measure);
    std::string text(static_cast<std::size_t>(measure.Length()) + 1, '#');
    nvk::ReportWriter writer(&text[0]);
    write(writer);
    EXPECT_EQ(measure.Length(), static_cast<uint64_t>(writer.End() - text.data()));
    EXPECT_EQ('#', text.back()) << "written past what was measured";
    text.pop_back();
    return text;
}

std::string Escaped(const char *text) {
    return Written([text](auto &out) { out.Text(text); });
}

std::string LibrarySeconds(double seconds) {
    char text[400];
    std::snprintf(text, sizeof text, "%.10f", seconds);
    NvkConvertDoubleToStringComplete(text);
    return text;
}

}  // namespace

TEST(ReportBuffer, PiecesComeOutInOrderOnTheirLevels) {
    EXPECT_EQ("<A>\r\n        x\r\n42|0|4294967295|0.5", Written([](auto &out) {
                  out.Put("<A>\r\n");
                  out.Indent(2);
                  out.Text("x");
                  out.Text(nullptr);
                  out.Put("\r\n");
                  out.Count(42);
                  out.Put("|");
                  out.Count(0);
                  out.Put("|");
                  out.Count(UINT32_MAX);
                  out.Put("|");
                  out.Seconds(0.5);
              }));
}

TEST(ReportBuffer, TextIsEscapedEncodedAndForbiddenControlBytesBecomeTheirSymbols) {
    EXPECT_EQ("a&quot;b&apos;c&lt;d&gt;e&amp;f", Escaped("a\"b'c<d>e&f"));
    EXPECT_EQ("tab\tcr\rlf\n\x7F\xC2\x80\xC3\xA9\xC3\xBF", Escaped("tab\tcr\rlf\n\x7F\x80\xE9\xFF"));
    EXPECT_EQ("&#x2401;&#x2408;&#x240B;&#x240C;&#x240E;&#x241B;[31m&#x241F;",
              Escaped("\x01\x08\x0B\x0C\x0E\x1B[31m\x1F"));
    EXPECT_EQ("", Escaped(""));
}

// A text whose record kept its length comes out as the same text escaped the long way,
// at every length around the words it is copied in, and a text that needs escaping
// is kept as such.
TEST(ReportBuffer, KeptTextsComeOutAsTheirEscapedSelves) {
    for (std::size_t length = 0; length <= 40; ++length) {
        std::string text;
        for (std::size_t i = 0; i < length; ++i) {
            text += static_cast<char>('a' + i % 26);
        }
        const uint16_t kept = nvk::KeepText<uint16_t>(text.c_str());
        EXPECT_EQ(length, kept);
        EXPECT_EQ(text, Written([&](auto &out) { out.Text(text.c_str(), kept); })) << length;
    }
    EXPECT_EQ(0u, nvk::KeepText<uint16_t>(nullptr));
    for (const char *unusual : {"a<b", "a&b", "\xE9t\xE9", "\x01"}) {
        EXPECT_EQ(UINT16_MAX, nvk::KeepText<uint16_t>(unusual)) << unusual;
        EXPECT_EQ(Escaped(unusual), Written([&](auto &out) { out.Text(unusual, uint16_t{UINT16_MAX}); })) << unusual;
    }
}

// Times go into the report as the C library rounds them, whether or not it formats them.
TEST(ReportBuffer, SecondsAreWhatTheCLibraryWrites) {
    const double table[] = {0,
                            0.5,
                            1.0,
                            0.0012345,
                            1e-10,
                            5e-11,
                            4.9999999999e-11,
                            1e-11,
                            1.0 / 2048,  // exactly halfway between two last digits
                            3.0 / 2048,
                            0.00000000015,
                            0.99999999995,
                            123456.7890123456,
                            999999.99999999994,
                            999999.99999999999,
                            1e6,
                            1e300,
                            -0.0,
                            -1.5,
                            std::numeric_limits<double>::denorm_min(),
                            std::numeric_limits<double>::max(),
                            std::numeric_limits<double>::infinity(),
                            std::numeric_limits<double>::quiet_NaN()};
    for (double seconds : table) {
        EXPECT_EQ(LibrarySeconds(seconds), nvk::FormatSeconds(seconds).text) << seconds;
        EXPECT_EQ(LibrarySeconds(seconds), Written([seconds](auto &out) { out.Seconds(seconds); })) << seconds;
    }
    std::mt19937_64 random(33);
    std::uniform_real_distribution<double> small(0, 1e-3);
    std::uniform_real_distribution<double> large(0, 2e6);
    std::uniform_int_distribution<int> ticks(0, 1 << 30);
    for (int i = 0; i < 100000; ++i) {
        // measured times, long ones, and dyadic ones that end on exact halves
        for (double seconds : {small(random), large(random), ticks(random) / 65536.0 / 1024.0}) {
            ASSERT_EQ(LibrarySeconds(seconds), nvk::FormatSeconds(seconds).text) << seconds;
        }
    }
}

// A report's block is backed before it is written; asking for that must never change
// what a block holds, whatever its size and alignment.
TEST(ReportPages, BackingABlockKeepsWhatItHolds) {
    for (const std::size_t size : {std::size_t{100}, (std::size_t{1} << 20) + 4097, std::size_t{3} << 20}) {
        for (const std::size_t offset : {0, 1, 4095}) {
            std::string block(size + offset, '\0');
            for (std::size_t i = 0; i < block.size(); ++i) {
                block[i] = static_cast<char>(i * 31 + 7);
            }
            const std::string before = block;
            nvk::BackPagesAtOnce(&block[offset], size);
            ASSERT_TRUE(block == before) << size << " bytes at offset " << offset;
        }
    }
}
