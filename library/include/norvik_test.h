/*
 * Norvik for test authors: short checks that supply the caller's file and line, test
 * registration under the function's own name, and the entry point of a test DLL.
 * Plain C99; usable from C and C++.
 *
 *   NVK_ASSERT_EQUAL_<TYPE>(expected, actual)      passes when the two are equal
 *   NVK_ASSERT_NOT_EQUAL_<TYPE>(expected, actual)  passes when they differ
 *     TYPE: CHAR, UCHAR, WCHAR, INT, UINT, LONG, ULONG, LONG_LONG, ULONG_LONG,
 *           FLOAT, DOUBLE (exact, no tolerance), POINTER, STRING, WSTRING
 *   NVK_ASSERT_TRUE(value)  passes only for exactly 1;  NVK_ASSERT_FALSE(value)
 *   NVK_ASSERT_NULL(pointer);  NVK_ASSERT_NOT_NULL(pointer)
 *   NVK_ASSERT_NEAR_DOUBLE(expected, actual, tolerance)  passes when they differ by at
 *   NVK_ASSERT_NEAR_FLOAT(expected, actual, tolerance)   most tolerance (never for a NaN; an
 *                                                        infinity only for the same infinity)
 *   NVK_ASSERT(condition, format, ...)  any check, with a printf-style failure message
 *
 * Each check evaluates its arguments once and returns the stored failure message,
 * or NULL when it passed. norvik_checks.h, included at the end, adds checks that show
 * their values, labels for table-driven tests, and NVK_REQUIRE_... forms of every check,
 * which return from the test function when the check fails.
 */
#ifndef NORVIK_TEST_H
#define NORVIK_TEST_H

#include "norvik.h"

/* Each check shows its test function's progress, before and after it, to the label of its
 * file (norvik_checks.h), which so learns when a run that set it is over. */
#define NVK_ASSERT(condition, ...) NVK_CHECK_FOLLOWED(NvkAssert((condition) ? 1 : 0, __FILE__, __LINE__, __VA_ARGS__))

/* The header's functions are static inline; MSVC's C knows the keyword only as __inline. */
#if defined(_MSC_VER) && !defined(__cplusplus)
#  define NVK_INLINE __inline
#else
#  define NVK_INLINE inline
#endif

/* The near checks live in the header rather than in the library, beside the other floating-point
 * checks of norvik_checks.h: their messages print enough digits (17 for a double, 9 for a float) to
 * show two values apart. */
#define NVK_ASSERT_NEAR_DOUBLE(expected, actual, tolerance) \
    NVK_CHECK_FOLLOWED(NvkAssertNearDoubleImp((expected), (actual), (tolerance), __FILE__, __LINE__))
#define NVK_ASSERT_NEAR_FLOAT(expected, actual, tolerance) \
    NVK_CHECK_FOLLOWED(NvkAssertNearFloatImp((expected), (actual), (tolerance), __FILE__, __LINE__))

#define NVK_ASSERT_TRUE(value) NVK_CHECK_FOLLOWED(NvkAssertIsTrueImp((value), __FILE__, __LINE__))
#define NVK_ASSERT_FALSE(value) NVK_CHECK_FOLLOWED(NvkAssertIsFalseImp((value), __FILE__, __LINE__))
#define NVK_ASSERT_NULL(pointer) NVK_CHECK_FOLLOWED(NvkAssertIsNullImp((pointer), __FILE__, __LINE__))
#define NVK_ASSERT_NOT_NULL(pointer) NVK_CHECK_FOLLOWED(NvkAssertIsNotNullImp((pointer), __FILE__, __LINE__))

#define NVK_ASSERT_EQUAL_CHAR(expected, actual) \
    NVK_CHECK_FOLLOWED(NvkAssertAreEqualCharImpA((expected), (actual), __FILE__, __LINE__))
#define NVK_ASSERT_EQUAL_UCHAR(expected, actual) \
    NVK_CHECK_FOLLOWED(NvkAssertAreEqualUCharImp((expected), (actual), __FILE__, __LINE__))
#define NVK_ASSERT_EQUAL_WCHAR(expected, actual) \
    NVK_CHECK_FOLLOWED(NvkAssertAreEqualCharImpW((expected), (actual), __FILE__, __LINE__))
#define NVK_ASSERT_EQUAL_INT(expected, actual) \
    NVK_CHECK_FOLLOWED(NvkAssertAreEqualIntImp((expected), (actual), __FILE__, __LINE__))
#define NVK_ASSERT_EQUAL_UINT(expected, actual) \
    NVK_CHECK_FOLLOWED(NvkAssertAreEqualUIntImp((expected), (actual), __FILE__, __LINE__))
#define NVK_ASSERT_EQUAL_LONG(expected, actual) \
    NVK_CHECK_FOLLOWED(NvkAssertAreEqualLongImp((expected), (actual), __FILE__, __LINE__))
#define NVK_ASSERT_EQUAL_ULONG(expected, actual) \
    NVK_CHECK_FOLLOWED(NvkAssertAreEqualULongImp((expected), (actual), __FILE__, __LINE__))
#define NVK_ASSERT_EQUAL_LONG_LONG(expected, actual) \
    NVK_CHECK_FOLLOWED(NvkAssertAreEqualLongLongImp((expected), (actual), __FILE__, __LINE__))
#define NVK_ASSERT_EQUAL_ULONG_LONG(expected, actual) \
    NVK_CHECK_FOLLOWED(NvkAssertAreEqualULongLongImp((expected), (actual), __FILE__, __LINE__))
#define NVK_ASSERT_EQUAL_FLOAT(expected, actual) \
    NVK_CHECK_FOLLOWED(NvkAssertAreEqualFloatImp((expected), (actual), __FILE__, __LINE__))
#define NVK_ASSERT_EQUAL_DOUBLE(expected, actual) \
    NVK_CHECK_FOLLOWED(NvkAssertAreEqualDoubleImp((expected), (actual), __FILE__, __LINE__))
#define NVK_ASSERT_EQUAL_POINTER(expected, actual) \
    NVK_CHECK_FOLLOWED(NvkAssertAreEqualPointerImp((expected), (actual), __FILE__, __LINE__))
#define NVK_ASSERT_EQUAL_STRING(expected, actual) \
    NVK_CHECK_FOLLOWED(NvkAssertAreEqualStringImpA((expected), (actual), __FILE__, __LINE__))
#define NVK_ASSERT_EQUAL_WSTRING(expected, actual) \
    NVK_CHECK_FOLLOWED(NvkAssertAreEqualStringImpW((expected), (actual), __FILE__, __LINE__))

#define NVK_ASSERT_NOT_EQUAL_CHAR(expected, actual) \
    NVK_CHECK_FOLLOWED(NvkAssertAreNotEqualCharImpA((expected), (actual), __FILE__, __LINE__))
#define NVK_ASSERT_NOT_EQUAL_UCHAR(expected, actual) \
    NVK_CHECK_FOLLOWED(NvkAssertAreNotEqualUCharImp((expected), (actual), __FILE__, __LINE__))
#define NVK_ASSERT_NOT_EQUAL_WCHAR(expected, actual) \
    NVK_CHECK_FOLLOWED(NvkAssertAreNotEqualCharImpW((expected), (actual), __FILE__, __LINE__))
#define NVK_ASSERT_NOT_EQUAL_INT(expected, actual) \
    NVK_CHECK_FOLLOWED(NvkAssertAreNotEqualIntImp((expected), (actual), __FILE__, __LINE__))
#define NVK_ASSERT_NOT_EQUAL_UINT(expected, actual) \
    NVK_CHECK_FOLLOWED(NvkAssertAreNotEqualUIntImp((expected), (actual), __FILE__, __LINE__))
#define NVK_ASSERT_NOT_EQUAL_LONG(expected, actual) \
    NVK_CHECK_FOLLOWED(NvkAssertAreNotEqualLongImp((expected), (actual), __FILE__, __LINE__))
#define NVK_ASSERT_NOT_EQUAL_ULONG(expected, actual) \
    NVK_CHECK_FOLLOWED(NvkAssertAreNotEqualULongImp((expected), (actual), __FILE__, __LINE__))
#define NVK_ASSERT_NOT_EQUAL_LONG_LONG(expected, actual) \
    NVK_CHECK_FOLLOWED(NvkAssertAreNotEqualLongLongImp((expected), (actual), __FILE__, __LINE__))
#define NVK_ASSERT_NOT_EQUAL_ULONG_LONG(expected, actual) \
    NVK_CHECK_FOLLOWED(NvkAssertAreNotEqualULongLongImp((expected), (actual), __FILE__, __LINE__))
#define NVK_ASSERT_NOT_EQUAL_FLOAT(expected, actual) \
    NVK_CHECK_FOLLOWED(NvkAssertAreNotEqualFloatImp((expected), (actual), __FILE__, __LINE__))
#define NVK_ASSERT_NOT_EQUAL_DOUBLE(expected, actual) \
    NVK_CHECK_FOLLOWED(NvkAssertAreNotEqualDoubleImp((expected), (actual), __FILE__, __LINE__))
#define NVK_ASSERT_NOT_EQUAL_POINTER(expected, actual) \
    NVK_CHECK_FOLLOWED(NvkAssertAreNotEqualPointerImp((expected), (actual), __FILE__, __LINE__))
#define NVK_ASSERT_NOT_EQUAL_STRING(expected, actual) \
    NVK_CHECK_FOLLOWED(NvkAssertAreNotEqualStringImpA((expected), (actual), __FILE__, __LINE__))
#define NVK_ASSERT_NOT_EQUAL_WSTRING(expected, actual) \
    NVK_CHECK_FOLLOWED(NvkAssertAreNotEqualStringImpW((expected), (actual), __FILE__, __LINE__))

/* Registers function in batch (NULL: the first batch) under the function's own name. */
#define NVK_ADD_TEST(batch, function) NvkBatchAddFunctionImp((batch), #function, (function))

/*
 * Starts the definition of the entry point a test DLL exports; the runner finds it
 * by name and calls it once to register the batches:
 *   NVK_TEST_LIBRARY_ENTRY { NVK_ADD_TEST(NvkBatchCreate("Parser"), ParsesEmptyInput); }
 */
#ifdef __cplusplus
#  define NVK_EXTERN_C extern "C"
#else
#  define NVK_EXTERN_C
#endif
#if defined(_WIN32)
#  define NVK_EXPORT __declspec(dllexport)
#elif defined(__GNUC__)
#  define NVK_EXPORT __attribute__((visibility("default")))
#else
#  define NVK_EXPORT
#endif
#define NVK_TEST_LIBRARY_ENTRY NVK_EXTERN_C NVK_EXPORT void NVK_CALL NvkLibraryCreateBatches(void)

/* Checks that show their values, labels, and the REQUIRE form of every check. */
#include "norvik_checks.h"

#endif /* NORVIK_TEST_H */
