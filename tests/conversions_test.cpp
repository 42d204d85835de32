#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "norvik.h"

namespace {

std::string Trimmed(const char *number) {
    char text[64];
    std::strcpy(text, number);
    NvkConvertDoubleToStringComplete(text);
    return text;
}

}  // namespace

TEST(Utf8Conversion, AsciiIsCopiedAndHighBytesBecomeTwoBytes) {
    const int32_t before = NvkMemGetAllocCount();
    size_t length = 99;
    char *ascii = NvkConvertStringToUTF8("Tests <ok>", &length);
    EXPECT_STREQ("Tests <ok>", ascii);
    EXPECT_EQ(10u, length);
    EXPECT_EQ(before + 1, NvkMemGetAllocCount());
    NvkMemFreeImp(&ascii);

    char *accented = NvkConvertStringToUTF8("\xE9", &length);
    EXPECT_EQ(2u, length);
    EXPECT_STREQ("\xC3\xA9", accented);
    NvkMemFreeImp(&accented);

    char *lowest = NvkConvertStringToUTF8("a\x80z\xBF\xC0\xFF", &length);
    EXPECT_EQ(10u, length);
    EXPECT_STREQ("a\xC2\x80z\xC2\xBF\xC3\x80\xC3\xBF", lowest);
    NvkMemFreeImp(&lowest);
    EXPECT_EQ(before, NvkMemGetAllocCount());
}

TEST(Utf8Conversion, EveryLatin1ByteRoundTrips) {
    char input[256];
    for (int i = 1; i < 256; ++i) {
        input[i - 1] = static_cast<char>(i);
    }
    input[255] = '\0';
    size_t length = 0;
    char *output = NvkConvertStringToUTF8(input, &length);
    ASSERT_EQ(127u + 2u * 128u, length);
    ASSERT_EQ(length, std::strlen(output));
    // Decode back and compare.
    std::string decoded;
    for (size_t i = 0; i < length; ++i) {
        const unsigned char lead = static_cast<unsigned char>(output[i]);
        if (lead < 0x80) {
            decoded += static_cast<char>(lead);
        } else {
            decoded += static_cast<char>(((lead & 0x1F) << 6) | (static_cast<unsigned char>(output[++i]) & 0x3F));
        }
    }
    EXPECT_EQ(std::string(input), decoded);
    NvkMemFreeImp(&output);
}

TEST(Utf8Conversion, EmptyInputsGiveNull) {
    const int32_t before = NvkMemGetAllocCount();
    size_t length = 7;
    EXPECT_EQ(nullptr, NvkConvertStringToUTF8("", &length));
    EXPECT_EQ(0u, length);
    length = 7;
    EXPECT_EQ(nullptr, NvkConvertStringToUTF8(nullptr, &length));
    EXPECT_EQ(0u, length);
    EXPECT_EQ(nullptr, NvkConvertStringToUTF8("text", nullptr));
    EXPECT_EQ(before, NvkMemGetAllocCount());
}

TEST(NumberTrimming, KeepsOneDigitAfterThePoint) {
    EXPECT_EQ("1.5", Trimmed("1.5000000000"));
    EXPECT_EQ("2.0", Trimmed("2.0000000000"));
    EXPECT_EQ("0.0", Trimmed("0.0000000000"));
    EXPECT_EQ("0.0012345", Trimmed("0.0012345000"));
    EXPECT_EQ("12.3456789012", Trimmed("12.3456789012"));
    EXPECT_EQ("100.0", Trimmed("100.0000000000"));
    EXPECT_EQ("5", Trimmed("5."));
    EXPECT_EQ("100", Trimmed("100"));
    EXPECT_EQ("", Trimmed(""));
    NvkConvertDoubleToStringComplete(nullptr);
}

TEST(NameAndVersion, AreConstant) {
    EXPECT_STREQ("Norvik", NvkAppName());
    EXPECT_STREQ("1.00", NvkAppVersion());
    EXPECT_EQ(NvkAppVersion(), NvkAppVersion());
}
