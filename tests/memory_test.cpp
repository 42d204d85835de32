#include <gtest/gtest.h>

#include <cstring>

#include "norvik.h"

TEST(TrackedMemory, EmptyRequestsMakeNoBlock) {
    const int32_t before = NvkMemGetAllocCount();
    EXPECT_EQ(nullptr, NvkMemAlloc(0));
    EXPECT_EQ(nullptr, NvkMemAllocString(0));
    EXPECT_EQ(nullptr, NvkMemAllocString(static_cast<size_t>(-1)));
    EXPECT_EQ(nullptr, NvkMemCopyString(nullptr));
    EXPECT_EQ(nullptr, NvkMemCopyString(""));
    EXPECT_EQ(before, NvkMemGetAllocCount());
}

TEST(TrackedMemory, BlocksAreZeroFilledAndCounted) {
    const int32_t before = NvkMemGetAllocCount();
    unsigned char *block = static_cast<unsigned char *>(NvkMemAlloc(64));
    for (int i = 0; i < 64; ++i) {
        ASSERT_EQ(0, block[i]);
    }
    char *text = NvkMemAllocString(10);
    EXPECT_STREQ("", text);
    for (int i = 0; i <= 10; ++i) {
        ASSERT_EQ(0, text[i]);
    }
    EXPECT_EQ(before + 2, NvkMemGetAllocCount());

    NvkMemFreeImp(&block);
    EXPECT_EQ(nullptr, block);
    NvkMemFreeImp(&block);
    NvkMemFreeImp(nullptr);
    NvkMemFreeImp(&text);
    EXPECT_EQ(before, NvkMemGetAllocCount());
}

TEST(TrackedMemory, CopyIsIndependent) {
    const int32_t before = NvkMemGetAllocCount();
    char original[] = "batch name";
    char *copy = NvkMemCopyString(original);
    original[0] = 'X';
    EXPECT_STREQ("batch name", copy);
    EXPECT_EQ(before + 1, NvkMemGetAllocCount());
    NvkMemFreeImp(&copy);
    EXPECT_EQ(before, NvkMemGetAllocCount());
}

TEST(TrackedMemory, AppendJoinsWithSeparatorAfterFirstPiece) {
    const int32_t before = NvkMemGetAllocCount();
    char *text = nullptr;
    NvkMemAppendString(&text, "alpha", ", ");
    EXPECT_STREQ("alpha", text);
    EXPECT_EQ(before + 1, NvkMemGetAllocCount());
    NvkMemAppendString(&text, "beta", ", ");
    EXPECT_STREQ("alpha, beta", text);
    EXPECT_EQ(before + 1, NvkMemGetAllocCount());
    NvkMemAppendString(&text, "gamma", nullptr);
    NvkMemAppendString(&text, "delta", "");
    EXPECT_STREQ("alpha, betagammadelta", text);

    char *unchanged = text;
    NvkMemAppendString(&text, "", "--");
    NvkMemAppendString(&text, nullptr, "--");
    EXPECT_EQ(unchanged, text);
    NvkMemAppendString(nullptr, "ignored", "--");
    EXPECT_EQ(before + 1, NvkMemGetAllocCount());

    NvkMemFreeImp(&text);
    EXPECT_EQ(before, NvkMemGetAllocCount());
}
