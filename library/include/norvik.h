/*
 * Norvik: a unit-test library for native code called through a plain C interface.
 *
 * Conventions used by every function below:
 *  - Records (batches, test functions, assertion failures) are owned by the library.
 *    Callers hold plain pointers, valid until the record is freed, and never free them.
 *  - 1 means done, true or passed; 0 means refused, false or failed.
 *  - While a run is in progress, changes to the registry's shape, to the selection and
 *    to setup functions, and new runs, are refused with 0 or NULL and raise no event.
 *  - A NULL batch argument means the first batch; an empty registry then first gets a
 *    batch named "DefaultBatch". Functions that say so treat NULL as "all batches".
 *  - Texts handed out as new allocations are freed with NvkMemFreeImp (the library and
 *    its callers do not share a heap). Running out of memory ends the process (status 1).
 *  - Wide characters are 16-bit code units and NvkLong is a 32-bit integer everywhere.
 */
#ifndef NORVIK_H
#define NORVIK_H

#include <stddef.h>
#include <stdint.h>

#ifdef _WIN32
#  define NVK_CALL __cdecl
#  ifdef NORVIK_BUILDING_LIBRARY
#    define NVK_API __declspec(dllexport)
#  else
#    define NVK_API __declspec(dllimport)
#  endif
typedef wchar_t NvkWideChar;
typedef long NvkLong;
typedef unsigned long NvkULong;
#else
#  define NVK_CALL
#  if defined(__GNUC__) && defined(NORVIK_BUILDING_LIBRARY)
#    define NVK_API __attribute__((visibility("default")))
#  else
#    define NVK_API
#  endif
typedef uint16_t NvkWideChar;
typedef int32_t NvkLong;
typedef uint32_t NvkULong;
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct NvkBatch NvkBatch;
typedef struct NvkTestFunction NvkTestFunction;
typedef struct NvkAssertionFailure NvkAssertionFailure;

/* A test, setup or tear-down function. */
typedef void (NVK_CALL *NvkTestProc)(void);

/* The one process-wide observer: (code, value, reserved (always 0), first, second). */
typedef void (NVK_CALL *NvkEventHandler)(int32_t code, uint32_t value, intptr_t reserved,
                                         void *first, void *second);

enum NvkEventCode {
    NvkEventFailureAdded = 0,
    NvkEventAssertFailed = 1,
    NvkEventFailureFreed = 2,
    NvkEventAssertPassed = 3,
    NvkEventBatchCreated = 4,
    NvkEventBatchFreed = 5,
    NvkEventAllBatchesFreed = 6,
    NvkEventBatchReset = 7,
    NvkEventAllBatchesReset = 8,
    NvkEventAllBatchesRun = 9,
    NvkEventBatchRunStarted = 10,
    NvkEventBatchRunFinished = 11,
    NvkEventBatchSkip = 12,
    NvkEventReportCreated = 13,
    NvkEventTestFunctionAdded = 14,
    NvkEventTestFunctionFreed = 15,
    NvkEventTestFunctionReset = 16,
    NvkEventTestFunctionStarted = 17,
    NvkEventTestFunctionFinished = 18,
    NvkEventTestFunctionSkip = 19,
    NvkEventRunStarted = 20,
    NvkEventRunFinished = 21
};

/* Report item flags. */
#define NVK_REPORT_BATCH_SUMMARY 1
#define NVK_REPORT_FAILED 2
#define NVK_REPORT_PASSED 4
#define NVK_REPORT_SKIPPED 8
#define NVK_REPORT_SUMMARY 16
#define NVK_REPORT_ALL 31

/* ---- Registry ---------------------------------------------------------------------- */

/* A NULL or empty name means "DefaultBatch". NULL when the name is taken. */
NVK_API NvkBatch *NVK_CALL NvkBatchCreate(const char *name);
/* Creates the batch, then adds count (name, function) pairs as NvkBatchAddFunctions. */
NVK_API NvkBatch *NVK_CALL NvkBatchCreateEx(const char *name, uint32_t count, const char *const *names,
                                           const NvkTestProc *functions);
/* NULL when the name is empty or taken in the batch, or the function is NULL or taken. */
NVK_API NvkTestFunction *NVK_CALL NvkBatchAddFunctionImp(NvkBatch *batch, const char *name,
                                                        NvkTestProc function);
/* Adds each pair, leaving out refused ones; 0 only when count is 0 or an array is NULL. */
NVK_API int32_t NVK_CALL NvkBatchAddFunctions(NvkBatch *batch, uint32_t count, const char *const *names,
                                             const NvkTestProc *functions);
NVK_API int32_t NVK_CALL NvkBatchSetSetupFunctions(NvkBatch *batch, NvkTestProc batchSetup,
                                                  NvkTestProc batchTearDown, NvkTestProc testSetup,
                                                  NvkTestProc testTearDown);
/* Frees *batch and sets it to NULL; a NULL address frees every batch. */
NVK_API int32_t NVK_CALL NvkBatchFree(NvkBatch **batch);
/* Frees every batch that holds no test function. */
NVK_API void NVK_CALL NvkBatchFreeEmpties(void);

/* ---- Navigation and user data ------------------------------------------------------ */

NVK_API NvkBatch *NVK_CALL NvkBatchGetFirst(void);
NVK_API NvkBatch *NVK_CALL NvkBatchGetNext(NvkBatch *batch);
/* The returned names and messages belong to their records. */
NVK_API const char *NVK_CALL NvkBatchGetName(NvkBatch *batch);
NVK_API NvkTestFunction *NVK_CALL NvkBatchGetFirstTestFunction(NvkBatch *batch);
/* Test functions in the batch; with NULL, the number of batches (creating none). */
NVK_API uint32_t NVK_CALL NvkBatchGetCount(NvkBatch *batch);
NVK_API int32_t NVK_CALL NvkBatchGetUserData(NvkBatch *batch);
/* Stores value and lock unless a nonzero lock was stored before. */
NVK_API void NVK_CALL NvkBatchSetUserData(NvkBatch *batch, int32_t value, int32_t lock);

NVK_API const char *NVK_CALL NvkTestFunctionGetName(NvkTestFunction *testFunction);
NVK_API NvkTestFunction *NVK_CALL NvkTestFunctionGetNext(NvkTestFunction *testFunction);
NVK_API NvkBatch *NVK_CALL NvkTestFunctionGetBatch(NvkTestFunction *testFunction);
NVK_API const char *NVK_CALL NvkTestFunctionGetFileName(NvkTestFunction *testFunction);
NVK_API NvkAssertionFailure *NVK_CALL NvkTestFunctionGetFirstFailure(NvkTestFunction *testFunction);
NVK_API int32_t NVK_CALL NvkTestFunctionGetUserData(NvkTestFunction *testFunction);
NVK_API void NVK_CALL NvkTestFunctionSetUserData(NvkTestFunction *testFunction, int32_t value, int32_t lock);

NVK_API int32_t NVK_CALL NvkAssertionFailureGetLineNumber(NvkAssertionFailure *failure);
NVK_API const char *NVK_CALL NvkAssertionFailureGetMessage(NvkAssertionFailure *failure);
NVK_API NvkAssertionFailure *NVK_CALL NvkAssertionFailureGetNext(NvkAssertionFailure *failure);
NVK_API NvkTestFunction *NVK_CALL NvkAssertionFailureGetTestFunction(NvkAssertionFailure *failure);
NVK_API int32_t NVK_CALL NvkAssertionFailureGetUserData(NvkAssertionFailure *failure);
NVK_API void NVK_CALL NvkAssertionFailureSetUserData(NvkAssertionFailure *failure, int32_t value, int32_t lock);

/* ---- Statistics, skipping and resetting ---------------------------------------------- */

/* NULL batch: all batches. Every out-pointer may be NULL. 1 when something counted has run. */
NVK_API int32_t NVK_CALL NvkBatchGetStatistics(NvkBatch *batch, int32_t *runCount, int32_t *passedCount,
                                              int32_t *failedCount, int32_t *notRunCount,
                                              int32_t *passedAssertions, int32_t *failures,
                                              double *totalTime);
/* Returns the number of test functions counted. */
NVK_API uint32_t NVK_CALL NvkBatchGetTestFunctionInformation(NvkBatch *batch, uint32_t *selectedCount,
                                                            uint32_t *skippedCount);
NVK_API int32_t NVK_CALL NvkTestFunctionGetStatistics(NvkTestFunction *testFunction, int32_t *passedAssertions,
                                                     int32_t *failures, double *time);
NVK_API int32_t NVK_CALL NvkBatchSkip(NvkBatch *batch, int32_t skip);
NVK_API int32_t NVK_CALL NvkTestFunctionSetSkip(NvkTestFunction *testFunction, int32_t skip);
NVK_API int32_t NVK_CALL NvkTestFunctionGetSkip(NvkTestFunction *testFunction);
NVK_API void NVK_CALL NvkBatchResetAllTests(NvkBatch *batch, int32_t failuresOnly);
NVK_API void NVK_CALL NvkTestFunctionReset(NvkTestFunction *testFunction, int32_t failuresOnly);

/* ---- Running, timing and the current test function --------------------------------- */

/* NULL: all batches. 1 when no batch failed; 0 when one failed or a run is in progress. */
NVK_API int32_t NVK_CALL NvkBatchRun(NvkBatch *batch);
/* Runs one test function whatever its skip flag: 1 passed, 0 failed or refused. */
NVK_API int32_t NVK_CALL NvkTestFunctionRun(NvkTestFunction *testFunction);
NVK_API int32_t NVK_CALL NvkIsRunning(void);
NVK_API NvkTestFunction *NVK_CALL NvkTestFunctionGetCurrent(void);
NVK_API int64_t NVK_CALL NvkTimeGetTickCount(void);
/* Seconds since the tick value, never less than 0.001. */
NVK_API double NVK_CALL NvkTimeGetElapsedTime(int64_t startTick);

/* ---- Event handler ----------------------------------------------------------------- */

/* Installs the handler unless a locked one is in place; NULL never removes one. */
NVK_API void NVK_CALL NvkSetEventHandler(NvkEventHandler handler, int32_t lock);

/* ---- Assertions -------------------------------------------------------------------- */

/* Counts a pass, or records a failure on the running test function. Returns the stored
 * message (owned by the failure record) or NULL. */
NVK_API const char *NVK_CALL NvkAssert(int condition, const char *fileName, int lineNumber,
                                      const char *format, ...);

NVK_API const char *NVK_CALL NvkAssertAreEqualCharImpA(char expected, char actual, const char *fileName, int lineNumber);
NVK_API const char *NVK_CALL NvkAssertAreEqualCharImpW(NvkWideChar expected, NvkWideChar actual, const char *fileName, int lineNumber);
NVK_API const char *NVK_CALL NvkAssertAreEqualDoubleImp(double expected, double actual, const char *fileName, int lineNumber);
NVK_API const char *NVK_CALL NvkAssertAreEqualFloatImp(float expected, float actual, const char *fileName, int lineNumber);
NVK_API const char *NVK_CALL NvkAssertAreEqualIntImp(int expected, int actual, const char *fileName, int lineNumber);
NVK_API const char *NVK_CALL NvkAssertAreEqualLongImp(NvkLong expected, NvkLong actual, const char *fileName, int lineNumber);
NVK_API const char *NVK_CALL NvkAssertAreEqualLongLongImp(long long expected, long long actual, const char *fileName, int lineNumber);
NVK_API const char *NVK_CALL NvkAssertAreEqualPointerImp(const void *expected, const void *actual, const char *fileName, int lineNumber);
NVK_API const char *NVK_CALL NvkAssertAreEqualStringImpA(const char *expected, const char *actual, const char *fileName, int lineNumber);
NVK_API const char *NVK_CALL NvkAssertAreEqualStringImpW(const NvkWideChar *expected, const NvkWideChar *actual, const char *fileName, int lineNumber);
NVK_API const char *NVK_CALL NvkAssertAreEqualUCharImp(unsigned char expected, unsigned char actual, const char *fileName, int lineNumber);
NVK_API const char *NVK_CALL NvkAssertAreEqualUIntImp(unsigned int expected, unsigned int actual, const char *fileName, int lineNumber);
NVK_API const char *NVK_CALL NvkAssertAreEqualULongImp(NvkULong expected, NvkULong actual, const char *fileName, int lineNumber);
NVK_API const char *NVK_CALL NvkAssertAreEqualULongLongImp(unsigned long long expected, unsigned long long actual, const char *fileName, int lineNumber);

NVK_API const char *NVK_CALL NvkAssertAreNotEqualCharImpA(char expected, char actual, const char *fileName, int lineNumber);
NVK_API const char *NVK_CALL NvkAssertAreNotEqualCharImpW(NvkWideChar expected, NvkWideChar actual, const char *fileName, int lineNumber);
NVK_API const char *NVK_CALL NvkAssertAreNotEqualDoubleImp(double expected, double actual, const char *fileName, int lineNumber);
NVK_API const char *NVK_CALL NvkAssertAreNotEqualFloatImp(float expected, float actual, const char *fileName, int lineNumber);
NVK_API const char *NVK_CALL NvkAssertAreNotEqualIntImp(int expected, int actual, const char *fileName, int lineNumber);
NVK_API const char *NVK_CALL NvkAssertAreNotEqualLongImp(NvkLong expected, NvkLong actual, const char *fileName, int lineNumber);
NVK_API const char *NVK_CALL NvkAssertAreNotEqualLongLongImp(long long expected, long long actual, const char *fileName, int lineNumber);
NVK_API const char *NVK_CALL NvkAssertAreNotEqualPointerImp(const void *expected, const void *actual, const char *fileName, int lineNumber);
NVK_API const char *NVK_CALL NvkAssertAreNotEqualStringImpA(const char *expected, const char *actual, const char *fileName, int lineNumber);
NVK_API const char *NVK_CALL NvkAssertAreNotEqualStringImpW(const NvkWideChar *expected, const NvkWideChar *actual, const char *fileName, int lineNumber);
NVK_API const char *NVK_CALL NvkAssertAreNotEqualUCharImp(unsigned char expected, unsigned char actual, const char *fileName, int lineNumber);
NVK_API const char *NVK_CALL NvkAssertAreNotEqualUIntImp(unsigned int expected, unsigned int actual, const char *fileName, int lineNumber);
NVK_API const char *NVK_CALL NvkAssertAreNotEqualULongImp(NvkULong expected, NvkULong actual, const char *fileName, int lineNumber);
NVK_API const char *NVK_CALL NvkAssertAreNotEqualULongLongImp(unsigned long long expected, unsigned long long actual, const char *fileName, int lineNumber);

/* Passes only for exactly 1. */
NVK_API const char *NVK_CALL NvkAssertIsTrueImp(int value, const char *fileName, int lineNumber);
NVK_API const char *NVK_CALL NvkAssertIsFalseImp(int value, const char *fileName, int lineNumber);
NVK_API const char *NVK_CALL NvkAssertIsNullImp(const void *value, const char *fileName, int lineNumber);
NVK_API const char *NVK_CALL NvkAssertIsNotNullImp(const void *value, const char *fileName, int lineNumber);

/* ---- Tracked memory and strings ---------------------------------------------------- */

/* Zero-filled blocks counted in the allocation count; NULL only for size 0. */
NVK_API void *NVK_CALL NvkMemAlloc(size_t size);
/* An empty string with room for length characters; NULL for length 0. */
NVK_API char *NVK_CALL NvkMemAllocString(size_t length);
/* NULL for a NULL or empty text. */
NVK_API char *NVK_CALL NvkMemCopyString(const char *text);
/* Appends separator (not before the first piece) and text to *target, which it owns. */
NVK_API void NVK_CALL NvkMemAppendString(char **target, const char *text, const char *separator);
/* Frees *block (made by this library) and sets it to NULL. */
NVK_API void NVK_CALL NvkMemFreeImp(void *blockAddress);
NVK_API int32_t NVK_CALL NvkMemGetAllocCount(void);

/* ---- Conversions, name and version ------------------------------------------------- */

/* Reads text as ISO 8859-1; returns a new UTF-8 text (free with NvkMemFreeImp), or NULL. */
NVK_API char *NVK_CALL NvkConvertStringToUTF8(const char *text, size_t *length);
/* Trims the trailing zeros that "%.10f" leaves, keeping one digit after the point. */
NVK_API void NVK_CALL NvkConvertDoubleToStringComplete(char *text);
NVK_API const char *NVK_CALL NvkAppName(void);
NVK_API const char *NVK_CALL NvkAppVersion(void);

/* ---- Reports ----------------------------------------------------------------------- */

/* The XML report as new UTF-8 text (free with NvkMemFreeImp); NULL without report flags. */
NVK_API char *NVK_CALL NvkReportCreate(int flags, size_t *length);
/* Writes the report to fileName; 1 when the whole report was written. */
NVK_API int32_t NVK_CALL NvkReportCreateFile(int flags, const char *fileName);

#ifdef __cplusplus
}
#endif

#endif /* NORVIK_H */
