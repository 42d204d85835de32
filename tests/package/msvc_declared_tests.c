/* Declared tests in C as an MSVC project builds them (clang-cl, lld-link and the MSVC
 * import library): their records reach the DLL's list through the C runtime's table of
 * initializers. Every check here passes but one, which fails on purpose. */
#include "norvik_windows.h"

static int setups;

NVK_TEST_SETUP(MsvcC) { ++setups; }

NVK_TEST(MsvcC, ChecksPass) {
    static const NvkWideChar kWide[] = {'w', 0};
    NVK_ASSERT_EQUAL_INT(1, setups);
    NVK_ASSERT_EQUAL_TEXT("msvc", "msvc");
    NVK_ASSERT_EQUAL_WTEXT(kWide, kWide);
    NVK_ASSERT_ALMOST_EQUAL_DOUBLE(0.3, 0.1 + 0.2);
    NVK_ASSERT_WIN32(GetCurrentProcess() != NULL);
    NVK_REQUIRE_LT_LONG_LONG(1, 2);
}

NVK_TEST(MsvcC, CheckFails) { NVK_ASSERT_EQUAL_TEXT("expected", "actual"); }

NVK_TEST(MsvcC, Skips) { NVK_SKIP("skipped in %s", "C"); }

typedef struct {
    const char *name;
    int value;
} MsvcRow;
static const MsvcRow msvcRows[] = {{"one", 1}, {"two", 2}};

NVK_TEST_NAMED_ROWS(MsvcC, Rows, MsvcRow, msvcRows, row, name) { NVK_ASSERT_TRUE(row->value > 0); }

NVK_TEST_LIBRARY_ENTRY {}
