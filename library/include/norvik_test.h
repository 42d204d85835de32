/*
 * Norvik for test authors: short checks that supply the caller's file and line, tests
 * declared where they are written or registered under the function's own name, and the
 * entry point of a test DLL.
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
 * or NULL when it passed; a failing check breaks into an attached debugger, at the
 * check, when NvkSetBreakOnFailure asked for it. norvik_checks.h, included at the end,
 * adds checks that show their values, labels for table-driven tests, and NVK_REQUIRE_...
 * forms of every check, which return from the test function when the check fails.
 *
 *   NVK_SKIP(format, ...)  ends the test function and records it as skipped, with the reason
 *   NVK_TEST(Batch, Name) { ... } and its kin declare tests that register themselves (below),
 *   NVK_TEST_ROWS and NVK_TEST_NAMED_ROWS one test for each row of a table
 */
#ifndef NORVIK_TEST_H
#define NORVIK_TEST_H

#include "norvik.h"

/* Each check breaks into an attached debugger where it fails, when asked to (norvik_checks.h). */
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

/* Ends the test function at once and records it as skipped, with a printf-style reason. */
#define NVK_SKIP(...) \
    do { \
        NvkSkip(__VA_ARGS__); \
        return; \
    } while (0)

/* Registers function in batch (NULL: the first batch) under the function's own name, with
 * the place of this line as the test's source. */
#define NVK_ADD_TEST(batch, function) \
    NvkBatchAddFunctionAt((batch), #function, (function), __FILE__, __LINE__)

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

/* ---- Declared tests ------------------------------------------------------------------ */

/*
 *   NVK_TEST(Batch, Name) { ... }   a test named Name in the batch named Batch
 *   NVK_BATCH_SETUP(Batch) { ... }  NVK_BATCH_TEARDOWN(Batch) { ... }
 *   NVK_TEST_SETUP(Batch) { ... }   NVK_TEST_TEARDOWN(Batch) { ... }
 *
 * Each defines a static function and a static record of it, which an initializer of the
 * test DLL links into the DLL's own list while it loads; nothing reaches the library then.
 * The entry point registers the list (NvkRegisterDeclarations): after its body, or where
 * the body says NVK_REGISTER_DECLARED_TESTS().
 */

/* The DLL's list and whether its entry point registered it. Defined by
 * NVK_TEST_LIBRARY_ENTRY, never exported, and hidden from other shared objects, which
 * have lists of their own. */
#if defined(__GNUC__) && !defined(_WIN32)
#  define NVK_DLL_LOCAL __attribute__((visibility("hidden")))
#else
#  define NVK_DLL_LOCAL
#endif
#ifdef __cplusplus
extern "C" {
#endif
extern NVK_DLL_LOCAL NvkDeclaration *NvkLibraryDeclarations;
extern NVK_DLL_LOCAL int NvkLibraryDeclarationsRegistered;
#ifdef __cplusplus
}
#endif

static NVK_INLINE void NvkDeclare(NvkDeclaration *declaration) {
    declaration->next = NvkLibraryDeclarations;
    NvkLibraryDeclarations = declaration;
}

#define NVK_TEXT_(text) #text
#define NVK_TEXT(text) NVK_TEXT_(text)

/* NVK_DECLARATION(id, ...) defines the record id##Record and what links it in while the DLL
 * loads: a C++ static object; a constructor function for GCC and Clang; for MSVC's C a
 * pointer in the C runtime's table of initializers, external and named to the linker, so
 * that neither the compiler nor the linker drops it. */
#if defined(__cplusplus)
struct NvkDeclarer {
    explicit NvkDeclarer(NvkDeclaration *declaration) { NvkDeclare(declaration); }
};
#  define NVK_DECLARATION(id, kind, batch, name, function) \
      static NvkDeclaration id##Record = {NULL, kind, __LINE__, batch, name, __FILE__, function}; \
      static const NvkDeclarer id##Declarer(&id##Record);
#elif defined(_MSC_VER)
#  pragma section(".CRT$XCU", read)
#  if defined(_M_IX86)
#    define NVK_C_SYMBOL_PREFIX "_"
#  else
#    define NVK_C_SYMBOL_PREFIX ""
#  endif
#  define NVK_DECLARATION(id, kind, batch, name, function) \
      static NvkDeclaration id##Record = {NULL, kind, __LINE__, batch, name, __FILE__, function}; \
      static void __cdecl id##Declare(void) { NvkDeclare(&id##Record); } \
      __declspec(allocate(".CRT$XCU")) void(__cdecl *const id##Initializer)(void) = id##Declare; \
      __pragma(comment(linker, "/include:" NVK_C_SYMBOL_PREFIX NVK_TEXT(id##Initializer)))
#else
#  define NVK_DECLARATION(id, kind, batch, name, function) \
      static NvkDeclaration id##Record = {NULL, kind, __LINE__, batch, name, __FILE__, function}; \
      static void id##Declare(void) __attribute__((constructor)); \
      static void id##Declare(void) { NvkDeclare(&id##Record); }
#endif

/* The record's names carry the line: MSVC's C gives one of them external linkage. */
#define NVK_DECLARED_FUNCTION(function, kind, batch, name) \
    static void NVK_CALL function(void); \
    NVK_DECLARATION_AT(function, __LINE__, kind, batch, name) \
    static void NVK_CALL function(void)
#define NVK_DECLARATION_AT(function, line, kind, batch, name) NVK_DECLARATION_AT_(function, line, kind, batch, name)
#define NVK_DECLARATION_AT_(function, line, kind, batch, name) \
    NVK_DECLARATION(function##_##line, kind, batch, name, function)

#define NVK_TEST(Batch, Name) NVK_DECLARED_FUNCTION(NvkTest_##Batch##_##Name, NvkRunCallTestFunction, #Batch, #Name)
#define NVK_BATCH_SETUP(Batch) NVK_DECLARED_FUNCTION(NvkBatchSetup_##Batch, NvkRunCallBatchSetup, #Batch, NULL)
#define NVK_BATCH_TEARDOWN(Batch) \
    NVK_DECLARED_FUNCTION(NvkBatchTearDown_##Batch, NvkRunCallBatchTearDown, #Batch, NULL)
#define NVK_TEST_SETUP(Batch) NVK_DECLARED_FUNCTION(NvkTestSetup_##Batch, NvkRunCallTestSetup, #Batch, NULL)
#define NVK_TEST_TEARDOWN(Batch) NVK_DECLARED_FUNCTION(NvkTestTearDown_##Batch, NvkRunCallTestTearDown, #Batch, NULL)

/* ---- Tests made from rows ------------------------------------------------------------ */

/*
 *   NVK_TEST_ROWS(Batch, Name, RowType, rows, row) { ... }
 *     one test for each element of the static array rows, named Name/0, Name/1, ...; in the
 *     body, row is a const RowType * to the test's own element
 *   NVK_TEST_NAMED_ROWS(Batch, Name, RowType, rows, row, field) { ... }
 *     the same, each test named Name/<the row's field>, a text member (const char * or a char
 *     array); a name that repeats or holds '*', '?', ':', '-', white space or a control
 *     character is a registration error
 *
 * For example:
 *   typedef struct { const char *name; const char *text; int value; } NumberRow;
 *   static const NumberRow numbers[] = {{"zero", "0", 0}, {"negative", "-12", -12}};
 *   NVK_TEST_NAMED_ROWS(Parsing, ReadsNumber, NumberRow, numbers, row, name) {
 *       NVK_ASSERT_EQUAL_INT(row->value, atoi(row->text));
 *   }
 */

/* The number of elements of an array; a pointer given for one fails to compile where the
 * compiler can tell (C++, and C with GCC and Clang). */
#if defined(__cplusplus)
extern "C++" {
template <typename Row, size_t count>
char (&NvkRowCountOf(const Row (&rows)[count]))[count];
}
#  define NVK_ROW_COUNT(rows) ((uint32_t)sizeof(NvkRowCountOf(rows)))
#elif defined(__GNUC__)
#  define NVK_ROW_COUNT(rows) \
      ((uint32_t)(sizeof(rows) / sizeof((rows)[0]) + \
                  0 * sizeof(char[1 - 2 * __builtin_types_compatible_p(__typeof__(rows), __typeof__(&(rows)[0]))])))
#else
#  define NVK_ROW_COUNT(rows) ((uint32_t)(sizeof(rows) / sizeof((rows)[0])))
#endif

/* NVK_ROWS_LINKED(id) links id##Record, an NvkRowsDeclaration, into the DLL's list while it
 * loads, as NVK_DECLARATION links its records. */
#if defined(__cplusplus)
#  define NVK_ROWS_LINKED(id) static const NvkDeclarer id##Declarer(&id##Record.declaration);
#elif defined(_MSC_VER)
#  define NVK_ROWS_LINKED(id) \
      static void __cdecl id##Declare(void) { NvkDeclare(&id##Record.declaration); } \
      __declspec(allocate(".CRT$XCU")) void(__cdecl *const id##Initializer)(void) = id##Declare; \
      __pragma(comment(linker, "/include:" NVK_C_SYMBOL_PREFIX NVK_TEXT(id##Initializer)))
#else
#  define NVK_ROWS_LINKED(id) \
      static void id##Declare(void) __attribute__((constructor)); \
      static void id##Declare(void) { NvkDeclare(&id##Record.declaration); }
#endif

/* The body's function takes its row typed; the table's, called by the library, takes it as the
 * record declares it. The record's names carry the line, as NVK_DECLARED_FUNCTION's do. */
#define NVK_ROWS_FUNCTION(function, Batch, Name, RowType, rows, row, rowName) \
    static void NVK_CALL function(const RowType *row); \
    static void NVK_CALL function##Row(const void *row) { function((const RowType *)row); } \
    NVK_ROWS_AT(function, __LINE__, #Batch, #Name, rows, rowName) \
    static void NVK_CALL function(const RowType *row)
#define NVK_ROWS_AT(function, line, batch, name, rows, rowName) NVK_ROWS_AT_(function, line, batch, name, rows, rowName)
#define NVK_ROWS_AT_(function, line, batch, name, rows, rowName) \
    static NvkRowsDeclaration function##_##line##Record = { \
        {NULL, NVK_DECLARATION_ROWS, __LINE__, batch, name, __FILE__, NULL}, \
        function##Row, rows, (uint32_t)sizeof((rows)[0]), NVK_ROW_COUNT(rows), rowName}; \
    NVK_ROWS_LINKED(function##_##line)

#define NVK_TEST_ROWS(Batch, Name, RowType, rows, row) \
    NVK_ROWS_FUNCTION(NvkRows_##Batch##_##Name, Batch, Name, RowType, rows, row, NULL)
#define NVK_TEST_NAMED_ROWS(Batch, Name, RowType, rows, row, field) \
    static const char *NVK_CALL NvkRowName_##Batch##_##Name(const void *row) { return ((const RowType *)row)->field; } \
    NVK_ROWS_FUNCTION(NvkRows_##Batch##_##Name, Batch, Name, RowType, rows, row, NvkRowName_##Batch##_##Name)

/* ---- Tests that expect how they end -------------------------------------------------- */

/*
 *   NVK_TEST_EXPECT_EXIT(Batch, Name, code) { ... }   passes when the test ends its process with the
 *                                                     exit code (exit, _exit, ExitProcess)
 *   NVK_TEST_EXPECT_CRASH(Batch, Name, code) { ... }  passes when the test crashes with the code: the
 *                                                     exception code on Windows, the signal number
 *                                                     elsewhere; NVK_ANY_CRASH for any crash
 *
 * A runner runs a test that expects an exit in a worker process of its own, so that the exit ends only
 * that process. abort() is the crash NVK_ABORT_CRASH.
 */
#define NVK_ANY_CRASH 0u
#if defined(_WIN32)
#  define NVK_ABORT_CRASH 0xE04E564Bu
#else
#  define NVK_ABORT_CRASH 6u
#endif

/* The record's names carry the line, as NVK_DECLARATION's do. */
#if defined(__cplusplus)
#  define NVK_EXPECTED_END_DECLARATION(id, kind, batch, name, function, code) \
      static NvkExpectedEndDeclaration id##Record = {{NULL, kind, __LINE__, batch, name, __FILE__, function}, \
                                                     static_cast<uint32_t>(code)}; \
      static const NvkDeclarer id##Declarer(&id##Record.declaration);
#elif defined(_MSC_VER)
#  define NVK_EXPECTED_END_DECLARATION(id, kind, batch, name, function, code) \
      static NvkExpectedEndDeclaration id##Record = {{NULL, kind, __LINE__, batch, name, __FILE__, function}, \
                                                     (uint32_t)(code)}; \
      static void __cdecl id##Declare(void) { NvkDeclare(&id##Record.declaration); } \
      __declspec(allocate(".CRT$XCU")) void(__cdecl *const id##Initializer)(void) = id##Declare; \
      __pragma(comment(linker, "/include:" NVK_C_SYMBOL_PREFIX NVK_TEXT(id##Initializer)))
#else
#  define NVK_EXPECTED_END_DECLARATION(id, kind, batch, name, function, code) \
      static NvkExpectedEndDeclaration id##Record = {{NULL, kind, __LINE__, batch, name, __FILE__, function}, \
                                                     (uint32_t)(code)}; \
      static void id##Declare(void) __attribute__((constructor)); \
      static void id##Declare(void) { NvkDeclare(&id##Record.declaration); }
#endif
#define NVK_EXPECTED_END_AT(function, line, kind, batch, name, code) \
    NVK_EXPECTED_END_AT_(function, line, kind, batch, name, code)
#define NVK_EXPECTED_END_AT_(function, line, kind, batch, name, code) \
    NVK_EXPECTED_END_DECLARATION(function##_##line, kind, batch, name, function, code)
#define NVK_EXPECTED_END_FUNCTION(function, kind, batch, name, code) \
    static void NVK_CALL function(void); \
    NVK_EXPECTED_END_AT(function, __LINE__, kind, batch, name, code) \
    static void NVK_CALL function(void)

#define NVK_TEST_EXPECT_EXIT(Batch, Name, code) \
    NVK_EXPECTED_END_FUNCTION(NvkTest_##Batch##_##Name, NvkDeclarationExpectExit, #Batch, #Name, code)
#define NVK_TEST_EXPECT_CRASH(Batch, Name, code) \
    NVK_EXPECTED_END_FUNCTION(NvkTest_##Batch##_##Name, NvkDeclarationExpectCrash, #Batch, #Name, code)

/* Registers the declared tests here rather than after the entry point's body, so that
 * tests added after it follow them. */
#define NVK_REGISTER_DECLARED_TESTS() \
    (NvkLibraryDeclarationsRegistered = 1, NvkRegisterDeclarations(NvkLibraryDeclarations))

/*
 * Starts the definition of the entry point a test DLL exports; the runner finds it by
 * name and calls it once to register the batches. The declared tests are registered
 * after the body, unless it did so itself. A DLL of declared tests alone needs only
 *   NVK_TEST_LIBRARY_ENTRY {}
 * and one that adds tests itself:
 *   NVK_TEST_LIBRARY_ENTRY { NVK_ADD_TEST(NvkBatchCreate("Parser"), ParsesEmptyInput); }
 */
#ifdef __cplusplus
#  define NVK_C_DEFINITIONS(definitions) extern "C" { definitions }
#else
#  define NVK_C_DEFINITIONS(definitions) definitions
#endif
#define NVK_TEST_LIBRARY_ENTRY \
    NVK_C_DEFINITIONS(NVK_DLL_LOCAL NvkDeclaration *NvkLibraryDeclarations = NULL; \
                      NVK_DLL_LOCAL int NvkLibraryDeclarationsRegistered = 0;) \
    static void NVK_CALL NvkLibraryCreateBatchesBody(void); \
    NVK_EXTERN_C NVK_EXPORT void NVK_CALL NvkLibraryCreateBatches(void) { \
        NvkLibraryDeclarationsRegistered = 0; \
        NvkLibraryCreateBatchesBody(); \
        if (!NvkLibraryDeclarationsRegistered) NvkRegisterDeclarations(NvkLibraryDeclarations); \
    } \
    static void NVK_CALL NvkLibraryCreateBatchesBody(void)

/* Checks that show their values, labels, and the REQUIRE form of every check. */
#include "norvik_checks.h"

#endif /* NORVIK_TEST_H */
