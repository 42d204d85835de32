/* A test DLL written in plain C that uses every macro of norvik_test.h: one test where
 * every check passes and one where every check fails, one check per line; and one where
 * one check of each family that shows its values fails, under a label. */
#include <math.h>
#include <stddef.h>

#include "norvik_windows.h"

static const NvkWideChar kWide[] = {'w', 0};
static const NvkWideChar kOtherWide[] = {'x', 0};

static void EveryCheckPasses(void) {
    const long long lowBitsClear = 1LL << 32;
    int value = 0;
    const int *pointer = &value;
    NVK_ASSERT(lowBitsClear, "a 64-bit condition is not cut to 32 bits");
    NVK_ASSERT(pointer, "a pointer is a condition too");
    NVK_ASSERT_TRUE(1);
    NVK_ASSERT_FALSE(0);
    NVK_ASSERT_NULL(NULL);
    NVK_ASSERT_NOT_NULL(&value);
    NVK_ASSERT_EQUAL_CHAR('c', 'c');
    NVK_ASSERT_EQUAL_UCHAR(200, 200);
    NVK_ASSERT_EQUAL_WCHAR(0x20AC, 0x20AC);
    NVK_ASSERT_EQUAL_INT(-1, -1);
    NVK_ASSERT_EQUAL_UINT(1u, 1u);
    NVK_ASSERT_EQUAL_LONG(-2, -2);
    NVK_ASSERT_EQUAL_ULONG(2u, 2u);
    NVK_ASSERT_EQUAL_LONG_LONG(lowBitsClear, lowBitsClear);
    NVK_ASSERT_EQUAL_ULONG_LONG(3u, 3u);
    NVK_ASSERT_EQUAL_FLOAT(0.5f, 0.5f);
    NVK_ASSERT_EQUAL_DOUBLE(0.25, 0.25);
    NVK_ASSERT_EQUAL_POINTER(&value, &value);
    NVK_ASSERT_EQUAL_STRING("text", "text");
    NVK_ASSERT_EQUAL_WSTRING(kWide, kWide);
    NVK_ASSERT_NOT_EQUAL_CHAR('c', 'd');
    NVK_ASSERT_NOT_EQUAL_UCHAR(200, 201);
    NVK_ASSERT_NOT_EQUAL_WCHAR(0x41, 0x141);
    NVK_ASSERT_NOT_EQUAL_INT(1, 2);
    NVK_ASSERT_NOT_EQUAL_UINT(1u, 2u);
    NVK_ASSERT_NOT_EQUAL_LONG(1, 2);
    NVK_ASSERT_NOT_EQUAL_ULONG(1u, 2u);
    NVK_ASSERT_NOT_EQUAL_LONG_LONG(lowBitsClear, 0);
    NVK_ASSERT_NOT_EQUAL_ULONG_LONG(1u, 2u);
    NVK_ASSERT_NOT_EQUAL_FLOAT(0.5f, 1.5f);
    NVK_ASSERT_NOT_EQUAL_DOUBLE(0.25, 0.5);
    NVK_ASSERT_NOT_EQUAL_POINTER(&value, NULL);
    NVK_ASSERT_NOT_EQUAL_STRING("text", "next");
    NVK_ASSERT_NOT_EQUAL_WSTRING(kWide, kOtherWide);
    NVK_ASSERT_NEAR_DOUBLE(0.3, 0.1 + 0.2, 1e-15);
    NVK_ASSERT_NEAR_DOUBLE(HUGE_VAL, HUGE_VAL, 0.0);
    NVK_ASSERT_NEAR_FLOAT(1.0f, 1.0000001f, 1e-6f);
}

/* The first check must stay on the line after this function's opening brace. The near
 * check's actual value is the double just above 0.3, written out: a 32-bit build may
 * keep 0.1 + 0.2 at the x87's extended precision, where it rounds to 0.3 itself. */
static void EveryCheckFails(void) {
    NVK_ASSERT(0, "failed with %d", 7);
    NVK_ASSERT_TRUE(2);
    NVK_ASSERT_FALSE(1);
    NVK_ASSERT_NULL(kWide);
    NVK_ASSERT_NOT_NULL(NULL);
    NVK_ASSERT_EQUAL_CHAR('c', 'd');
    NVK_ASSERT_EQUAL_UCHAR(200, 201);
    NVK_ASSERT_EQUAL_WCHAR(0x41, 0x141);
    NVK_ASSERT_EQUAL_INT(1, 2);
    NVK_ASSERT_EQUAL_UINT(1u, 2u);
    NVK_ASSERT_EQUAL_LONG(1, 2);
    NVK_ASSERT_EQUAL_ULONG(1u, 2u);
    NVK_ASSERT_EQUAL_LONG_LONG(1, 2);
    NVK_ASSERT_EQUAL_ULONG_LONG(1u, 2u);
    NVK_ASSERT_EQUAL_FLOAT(0.5f, 1.5f);
    NVK_ASSERT_EQUAL_DOUBLE(0.25, 0.5);
    NVK_ASSERT_EQUAL_POINTER(kWide, kOtherWide);
    NVK_ASSERT_EQUAL_STRING("text", "next");
    NVK_ASSERT_EQUAL_WSTRING(kWide, kOtherWide);
    NVK_ASSERT_NOT_EQUAL_CHAR('c', 'c');
    NVK_ASSERT_NOT_EQUAL_UCHAR(200, 200);
    NVK_ASSERT_NOT_EQUAL_WCHAR(0x20AC, 0x20AC);
    NVK_ASSERT_NOT_EQUAL_INT(1, 1);
    NVK_ASSERT_NOT_EQUAL_UINT(1u, 1u);
    NVK_ASSERT_NOT_EQUAL_LONG(1, 1);
    NVK_ASSERT_NOT_EQUAL_ULONG(1u, 1u);
    NVK_ASSERT_NOT_EQUAL_LONG_LONG(1, 1);
    NVK_ASSERT_NOT_EQUAL_ULONG_LONG(1u, 1u);
    NVK_ASSERT_NOT_EQUAL_FLOAT(0.5f, 0.5f);
    NVK_ASSERT_NOT_EQUAL_DOUBLE(0.25, 0.25);
    NVK_ASSERT_NOT_EQUAL_POINTER(kWide, kWide);
    NVK_ASSERT_NOT_EQUAL_STRING(NULL, NULL);
    NVK_ASSERT_NOT_EQUAL_WSTRING(kWide, kWide);
    NVK_ASSERT_NEAR_DOUBLE(0.3, 0x1.3333333333334p-2, 0.0);
    NVK_ASSERT_NEAR_DOUBLE(NAN, NAN, 1.0);
    NVK_ASSERT_NEAR_FLOAT(0.1f, 0.2f, 0.05f);
}

static void EachValueFamilyFails(void) {
    static const unsigned char bytes[] = {1, 2, 3, 4};
    static const unsigned char others[] = {1, 2, 9, 4};
    NVK_LABEL("row %d", 3);
    NVK_ASSERT_EQUAL_TEXT("hello world", "hello there");
    NVK_ASSERT_EQUAL_MEMORY(bytes, others, sizeof bytes);
    NVK_ASSERT_WITHIN_ULPS_DOUBLE(0.3, 0.1 + 0.2, 0);
    NVK_ASSERT_NEAR_RELATIVE_FLOAT(100.0f, 99.0f, 1e-3f);
    NVK_ASSERT_LT_LONG_LONG(2, 1);
#ifdef _WIN32
    NVK_ASSERT_SUCCEEDED(E_ACCESSDENIED);
    NVK_ASSERT_WIN32(CloseHandle(NULL));
#endif
    NVK_REQUIRE_GE_DOUBLE(NAN, 0.0);
    NVK_ASSERT_TRUE(0);
}

NVK_TEST_LIBRARY_ENTRY {
    NvkBatch *batch = NvkBatchCreate("HeaderSample");
    NVK_ADD_TEST(batch, EveryCheckPasses);
    NVK_ADD_TEST(batch, EveryCheckFails);
    NVK_ADD_TEST(batch, EachValueFamilyFails);
}
