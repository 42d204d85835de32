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

/* The compiler checks NvkAssert's message format against its arguments as it checks
 * printf's. MinGW's GCC is told the C99 rules (%lld, %zu), which the library formats by. */
#if defined(__clang__)
#  define NVK_PRINTF_FORMAT(formatAt, argumentsAt) __attribute__((__format__(__printf__, formatAt, argumentsAt)))
#elif defined(__GNUC__) && defined(_WIN32)
#  define NVK_PRINTF_FORMAT(formatAt, argumentsAt) __attribute__((__format__(__gnu_printf__, formatAt, argumentsAt)))
#elif defined(__GNUC__)
#  define NVK_PRINTF_FORMAT(formatAt, argumentsAt) __attribute__((__format__(__printf__, formatAt, argumentsAt)))
#else
#  define NVK_PRINTF_FORMAT(formatAt, argumentsAt)
#endif
#if defined(_MSC_VER)
#  include <sal.h>
#endif
#ifdef _Printf_format_string_
#  define NVK_FORMAT_STRING _Printf_format_string_
#else
#  define NVK_FORMAT_STRING
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct NvkBatch NvkBatch;
typedef struct NvkTestFunction NvkTestFunction;
typedef struct NvkAssertionFailure NvkAssertionFailure;

/* A test, setup or tear-down function. */
typedef void (NVK_CALL *NvkTestProc)(void);

/* The one process-wide observer of registry changes and run steps, called synchronously on the
 * thread doing the operation: (code, value, reserved (always 0), first, second). */
typedef void (NVK_CALL *NvkEventHandler)(int32_t code, uint32_t value, intptr_t reserved,
                                         void *first, void *second);

/* Event codes with what value, first and second carry (unnamed ones are 0 or NULL). A record named
 * in an event is whole while the handler runs, also in the events announcing its freeing (2, 5,
 * 15), and is gone once the handler returns from those. The report text of 13 belongs to the caller
 * of NvkReportCreate. "test" is an NvkTestFunction, "failure" an NvkAssertionFailure. */
enum NvkEventCode {
    NvkEventFailureAdded = 0,          /* after 1, same arguments    first: test    second: failure */
    NvkEventAssertFailed = 1,          /* a check failed or a crash  first: test    second: failure */
    NvkEventFailureFreed = 2,          /* before freeing a failure   first: test    second: failure */
    NvkEventAssertPassed = 3,          /* a check passed             first: batch   second: test */
    NvkEventBatchCreated = 4,          /*                            first: batch */
    NvkEventBatchFreed = 5,            /* before freeing a batch     first: batch */
    NvkEventAllBatchesFreed = 6,       /* NvkBatchFree(NULL), before the first 5 */
    NvkEventBatchReset = 7,            /* a batch that had run reset first: batch */
    NvkEventAllBatchesReset = 8,       /* running all: after resetting all */
    NvkEventAllBatchesRun = 9,         /* running all: last, after 21; value: 1 passed, 0 failed */
    NvkEventBatchRunStarted = 10,      /*                            first: batch */
    NvkEventBatchRunFinished = 11,     /* value: 1 passed, 0 failed  first: batch */
    NvkEventBatchSkip = 12,            /* value: skip given          first: batch */
    NvkEventReportCreated = 13,        /* value: length in bytes     first: the report text */
    NvkEventTestFunctionAdded = 14,    /*                            first: batch   second: test */
    NvkEventTestFunctionFreed = 15,    /* before freeing a test      first: batch   second: test */
    NvkEventTestFunctionReset = 16,    /* a test that had run reset  first: batch   second: test */
    NvkEventTestFunctionStarted = 17,  /* after its setups           first: batch   second: test */
    NvkEventTestFunctionFinished = 18, /* after its tear-downs; value: 1 passed, 0 failed; batch, test */
    NvkEventTestFunctionSkip = 19,     /* value: new skip flag       first: batch   second: test */
    NvkEventRunStarted = 20,           /* first: the batch run (NULL: all of several, or one test)
                                        * second: the test, when one test function is run */
    NvkEventRunFinished = 21           /* the run depth is back to 0 */
};

/* Report item flags. */
#define NVK_REPORT_BATCH_SUMMARY 1
#define NVK_REPORT_FAILED 2
#define NVK_REPORT_PASSED 4
#define NVK_REPORT_SKIPPED 8
#define NVK_REPORT_SUMMARY 16
#define NVK_REPORT_ALL 31

/* ---- Registry ---------------------------------------------------------------------- */

/* Batches and their test functions. The library owns every record and every string in it: the
 * names are copied, and a record stays valid until it is freed (NvkBatchFree, or a runner
 * unloading the test DLL). Functions that make a record return it, or NULL when refused; the
 * others return 1 when done, 0 when refused. A NULL batch means the first batch (an empty
 * registry first gets "DefaultBatch"). Refused during a run. Raise events 4, 5, 6, 14, 15, 2. */

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

/* NvkBatchAddFunctionImp that also keeps where the test is, for the runners to show: a source
 * file (copied; NULL when unknown) and a line in it. NVK_ADD_TEST passes its own place. */
NVK_API NvkTestFunction *NVK_CALL NvkBatchAddFunctionAt(NvkBatch *batch, const char *name, NvkTestProc function,
                                                       const char *sourceFile, int32_t sourceLine);

/* Tests a test DLL declares with NVK_TEST and the batch functions it declares with NVK_BATCH_SETUP
 * and its kin (norvik_test.h): static records that the DLL links into a list of its own while it
 * loads, without calling the library. kind is an NvkRunCall: NvkRunCallTestFunction for a test,
 * the others for the batch's functions; name is NULL for these. */
typedef struct NvkDeclaration {
    struct NvkDeclaration *next;
    int32_t kind;
    int32_t line;
    const char *batch;
    const char *name;
    const char *file;
    NvkTestProc function;
} NvkDeclaration;

/* Tests that expect how they end (NVK_TEST_EXPECT_EXIT and NVK_TEST_EXPECT_CRASH of norvik_test.h) are
 * declared with one of these kinds, in a record that adds the expected code to the common fields; a
 * library that does not know the kinds refuses them as registration errors. code is the exit code, or
 * the crash's exception code (Windows) or signal number (elsewhere), 0 for any crash. */
enum NvkDeclarationKind { NvkDeclarationExpectExit = 0x4E450001, NvkDeclarationExpectCrash = 0x4E450002 };
typedef struct NvkExpectedEndDeclaration {
    NvkDeclaration declaration;
    uint32_t code;
} NvkExpectedEndDeclaration;

/* Registers the list in the order the declarations were written: by source file (compared byte by
 * byte, as the compiler spelled __FILE__), then by line; batches are created by name on first use,
 * existing ones joined. 1 when everything was registered; 0 when something was refused (see
 * NvkRegistrationGetError) or a run is in progress. */
NVK_API int32_t NVK_CALL NvkRegisterDeclarations(const NvkDeclaration *first);

/* A test made from one row of a table, called with a pointer to its row (NVK_TEST_ROWS). */
typedef void(NVK_CALL *NvkRowTestProc)(const void *row);

/* The kind of a declaration that opens an NvkRowsDeclaration: a table whose rows each make a test,
 * named after the declaration's name, a '/' and the row's own name or its index from 0. Far from the
 * NvkRunCall values, so that kinds added beside those never meet it. */
#define NVK_DECLARATION_ROWS 0x524F5753

/* A table of rows that NVK_TEST_ROWS and NVK_TEST_NAMED_ROWS declare. declaration.function is NULL;
 * function is called with each row. rowName gives a row's own name; NULL names rows by index. */
typedef struct NvkRowsDeclaration {
    NvkDeclaration declaration;
    NvkRowTestProc function;
    const void *rows;
    uint32_t rowSize;
    uint32_t rowCount;
    const char *(NVK_CALL *rowName)(const void *row);
} NvkRowsDeclaration;

/* NvkBatchAddFunctionAt for a test made from one row of a table: the run calls function(row), and
 * row must live as long as the test (a static table's element). The tests of a table share their
 * function, so the name alone tells them apart; it must not hold '*', '?', ':', '-', white space or
 * control characters, which the runners' filters would read otherwise. NULL when refused, with a
 * registration error that says why. */
NVK_API NvkTestFunction *NVK_CALL NvkBatchAddRowTestAt(NvkBatch *batch, const char *name, NvkRowTestProc function,
                                                      const void *row, const char *sourceFile, int32_t sourceLine);

/* What registration refused: a test whose name or function the batch already has, a test without
 * a name or function, a row test whose name a filter would misread, a second declared setup or
 * tear-down of a kind for one batch. A runner shows these texts and fails the run. They belong to
 * the library and stay until every batch is freed (NvkBatchFree(NULL)). NULL for an index past the
 * count. */
NVK_API uint32_t NVK_CALL NvkRegistrationGetErrorCount(void);
NVK_API const char *NVK_CALL NvkRegistrationGetError(uint32_t index);

/* ---- Navigation and user data ------------------------------------------------------ */

/* Walking the registry and tagging records. The batch functions given NULL use the first batch,
 * and on an empty registry create "DefaultBatch" (NvkBatchGetFirst too); the test function and
 * failure functions given NULL return NULL or 0. A NULL "next" ends the list. Names, file names
 * and messages belong to their records: never free them, and copy them to keep them past the
 * record. User data is one 32-bit value per record for the caller's own use (the runner keeps
 * tree item ids there); usable during a run. */

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
/* Where the test was declared (NVK_TEST) or added (NVK_ADD_TEST, NvkBatchAddFunctionAt); NULL and 0
 * when unknown. Not the file name above, which is the file of its first check. */
NVK_API const char *NVK_CALL NvkTestFunctionGetSourceFile(NvkTestFunction *testFunction);
NVK_API int32_t NVK_CALL NvkTestFunctionGetSourceLine(NvkTestFunction *testFunction);
/* How the test is declared to end (an NvkExpectedEnd), with the expected code in *code (may be NULL): a
 * test declared with NVK_TEST_EXPECT_EXIT or NVK_TEST_EXPECT_CRASH. The library runs such a test as any
 * other; a runner judges its end against the expectation (its executor records the verdict). */
enum NvkExpectedEnd { NvkExpectedEndReturn = 0, NvkExpectedEndExit = 1, NvkExpectedEndCrash = 2 };
NVK_API int32_t NVK_CALL NvkTestFunctionGetExpectedEnd(NvkTestFunction *testFunction, uint32_t *code);
NVK_API NvkAssertionFailure *NVK_CALL NvkTestFunctionGetFirstFailure(NvkTestFunction *testFunction);
NVK_API int32_t NVK_CALL NvkTestFunctionGetUserData(NvkTestFunction *testFunction);
NVK_API void NVK_CALL NvkTestFunctionSetUserData(NvkTestFunction *testFunction, int32_t value, int32_t lock);

NVK_API int32_t NVK_CALL NvkAssertionFailureGetLineNumber(NvkAssertionFailure *failure);
NVK_API const char *NVK_CALL NvkAssertionFailureGetMessage(NvkAssertionFailure *failure);
/* The source file the failing check named, which may differ from its test function's file name
 * (a check in a helper function of another file); NULL for a crash or a check without a file. */
NVK_API const char *NVK_CALL NvkAssertionFailureGetFileName(NvkAssertionFailure *failure);
NVK_API NvkAssertionFailure *NVK_CALL NvkAssertionFailureGetNext(NvkAssertionFailure *failure);
NVK_API NvkTestFunction *NVK_CALL NvkAssertionFailureGetTestFunction(NvkAssertionFailure *failure);
NVK_API int32_t NVK_CALL NvkAssertionFailureGetUserData(NvkAssertionFailure *failure);
NVK_API void NVK_CALL NvkAssertionFailureSetUserData(NvkAssertionFailure *failure, int32_t value, int32_t lock);
/* What a crash ran into and where, as one line for people to read, for example
 * "exception 0xC0000005 (EXCEPTION_ACCESS_VIOLATION) at tests.dll+0x1a2b: write to address 0x0000000000000000"
 * or "signal 11 (SIGSEGV) at tests.so+0x1139: write to address 0x0000000000000000": the exception code or
 * signal with its name where known, the module and offset of the faulting instruction (its address
 * when no module holds it), and for a bad access whether it read, wrote or executed which address
 * (the kind left out where the system does not tell it). A C++ exception that the guard caught
 * itself names its type. NULL for a failure that is no crash, or a crash whose details are unknown.
 * The crash's message stays its fixed text. */
NVK_API const char *NVK_CALL NvkAssertionFailureGetCrashDetails(NvkAssertionFailure *failure);

/* ---- Statistics, skipping and resetting ---------------------------------------------- */

/* Counts over what has run (a test function has run when its time is above 0), the skip flags that
 * exclude test functions from batch runs, and resetting results. Out-pointers may be NULL. Statistics
 * and resets work during a run; changing skip flags is refused then (0). Resets free failure records
 * (events 2, 16, 7), which ends the life of their messages. */

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

/* A test that skips itself at run time (NVK_SKIP) rather than being left out by its skip flag: called
 * while a test function is current, from its test function, its setups or tear-downs (or a thread they
 * started, as the checks are), or a runner's executor standing in for one of these, it marks that test skipped with the reason (formatted as
 * NvkAssert formats, at most 1023 characters; the first reason of a run is kept). The run then calls
 * no more of that test's own functions but its test tear-down; a skip in the batch setup skips every
 * test of that batch run, which get none of their calls but the batch tear-down. A skipped test
 * counts as not run in the statistics and the report (time 0, "Skipped"), and its finishing event 18
 * carries 1, as it did not fail. A failure, before or after the skip, makes it a failed test instead.
 * 1 when marked, 0 outside a run. */
NVK_API int32_t NVK_CALL NvkSkip(NVK_FORMAT_STRING const char *format, ...) NVK_PRINTF_FORMAT(1, 2);
/* The reason, when the test skipped itself in its last run and failed nothing; NULL otherwise (also
 * for a test left out by its skip flag). An empty reason is "". */
NVK_API const char *NVK_CALL NvkTestFunctionGetSkipReason(NvkTestFunction *testFunction);

/* ---- Running, timing and the current test function --------------------------------- */

/* Running under the crash guard, which turns a fault in a test, setup or tear-down function into a
 * failure with line number 0 and the fault's details (NvkAssertionFailureGetCrashDetails). Runs are
 * synchronous and not nested: a run started during a run is refused (0). The current test function
 * is the one being run (from its setups to its tear-downs), NULL otherwise. */

/* NULL: all batches. 1 when no batch failed; 0 when one failed or a run is in progress. */
NVK_API int32_t NVK_CALL NvkBatchRun(NvkBatch *batch);
/* Runs one test function whatever its skip flag: 1 passed, 0 failed or refused. */
NVK_API int32_t NVK_CALL NvkTestFunctionRun(NvkTestFunction *testFunction);
NVK_API int32_t NVK_CALL NvkIsRunning(void);
NVK_API NvkTestFunction *NVK_CALL NvkTestFunctionGetCurrent(void);
NVK_API int64_t NVK_CALL NvkTimeGetTickCount(void);
/* Seconds since the tick value, never less than 0.001. */
NVK_API double NVK_CALL NvkTimeGetElapsedTime(int64_t startTick);

/* With the setting on and a debugger attached (Windows: IsDebuggerPresent; Linux: a tracer in
 * /proc/self/status), a failing check of norvik_test.h breaks into the debugger at the check, and
 * runs call user code without the crash guard, so that a crash stops at its instruction; without a
 * debugger everything is as with the setting off. Off at first. Returns the setting before. */
NVK_API int32_t NVK_CALL NvkSetBreakOnFailure(int32_t on);
/* 1 when the setting is on and a debugger is attached now: what the checks ask when they fail. */
NVK_API int32_t NVK_CALL NvkShouldBreakOnFailure(void);

/* ---- Run executor ------------------------------------------------------------------ */

/* By default a run calls each batch setup, test setup, test function, test tear-down and batch
 * tear-down itself, under the crash guard. A runner that executes user code elsewhere, in another
 * process for example, installs an executor: the run then calls it instead, for each of these
 * functions that is set, with the current test function, and keeps everything else as it is:
 * the order of the calls, the events, the records and the results. While it is called, the
 * executor records what happened through NvkAssert, as the checks themselves would have, with
 * their file names, lines and messages. */

/* The call the executor stands in for. */
enum NvkRunCall {
    NvkRunCallBatchSetup = 0,
    NvkRunCallTestSetup = 1,
    NvkRunCallTestFunction = 2,
    NvkRunCallTestTearDown = 3,
    NvkRunCallBatchTearDown = 4
};

/* What became of a call: the run records a crash as the crash guard does (the call's fixed
 * message at line 0); a stop ends the run at once: the current test function gets no further
 * calls, finishes (its time, event 18) with what was recorded, and no other test function of the
 * run starts, so they stay not run; the run then ends as usual (events 11, 21, 9). */
enum NvkRunCallResult { NvkRunCallCrashed = 0, NvkRunCallReturned = 1, NvkRunCallStopRun = 2 };

/* call is an NvkRunCall and function the function the run would call. For NvkRunCallTestFunction
 * seconds points at the test function's time, which the executor may set to the time the function
 * took where it ran (never less than 0.001 is kept); the run's own measure of the call stays
 * otherwise. seconds is NULL for the other calls. Returns an NvkRunCallResult. */
typedef int32_t(NVK_CALL *NvkRunExecutor)(void *context, int32_t call, NvkTestFunction *testFunction,
                                          NvkTestProc function, double *seconds);

/* Installs the executor with its context for later runs; NULL goes back to calling the functions
 * directly. 1 when done, 0 when refused during a run. */
NVK_API int32_t NVK_CALL NvkSetRunExecutor(NvkRunExecutor executor, void *context);

/* Called by an executor during its call, before it returns NvkRunCallCrashed: the details of the
 * crash it saw where the function ran (copied; see NvkAssertionFailureGetCrashDetails), which the
 * run's crash record then carries. An executor that records a crash itself, with NvkAssert, the
 * call's fixed message and line 0, hands the details over just before. Details that no crash record
 * of the call took are dropped when the call returns; NULL or "" drops them at once. Does nothing
 * outside a run. */
NVK_API void NVK_CALL NvkSetCrashDetails(const char *details);

/* For an executor that calls user code in this process: calls function under the crash guard, as a run
 * calls it without an executor. 1 when it returned; 0 when it crashed, with *crashDetails (may be NULL)
 * pointing at the crash's details (see NvkAssertionFailureGetCrashDetails; "" when unknown), valid until
 * the next crash. Records nothing. */
NVK_API int32_t NVK_CALL NvkCallGuarded(NvkTestProc function, const char **crashDetails);

/* ---- Event handler ----------------------------------------------------------------- */

/* See NvkEventHandler and NvkEventCode above for what each event carries. */

/* Installs the handler unless a locked one is in place; NULL never removes one. */
NVK_API void NVK_CALL NvkSetEventHandler(NvkEventHandler handler, int32_t lock);

/* ---- Process end --------------------------------------------------------------------- */

/* A runner learns through this handler that its process is ending while the library is loaded,
 * for example because a test called exit or ExitProcess: it can then name the test, write what it
 * has and end with an exit code of its own. The handler is called once, on the thread that ends the
 * process: on Windows as the process detaches the library, on other systems from exit. An ending
 * that runs no more code of the process (TerminateProcess, _exit, a signal that kills) calls
 * nothing. A crash on a thread other than the run's during a test ends the process too: the handler is
 * called on that thread, after the library wrote the test's name and the crash's details to standard
 * error. Installing NULL removes the handler. */
typedef void(NVK_CALL *NvkProcessEndHandler)(void);
NVK_API void NVK_CALL NvkSetProcessEndHandler(NvkProcessEndHandler handler);

/* ---- Assertions -------------------------------------------------------------------- */

/* Checks made inside a running test function (or its setups and tear-downs) count a pass or record a
 * failure on the current test function; outside a run they do nothing and return NULL. A check on a
 * thread other than the run's, one the test started, counts for the test running then: the run takes
 * it over (with its events, raised on the run's thread) after the call of user code it came during;
 * one made when no test runs is recorded nowhere and says so on standard error, in one line. Each returns
 * the stored failure message, owned by the failure record (valid until the test function is run
 * again or reset, or its batch is freed; never free it), or NULL when it passed. A check never stops
 * the test function. fileName may be NULL; the first non-empty one becomes the test function's file
 * name. The Imp functions are called through the macros of norvik_test.h, which supply the file and
 * line; the first value is the expected one. Raise events 3, or 1 then 0. */

/* Counts a pass, or records a failure on the running test function. Returns the stored
 * message (owned by the failure record) or NULL. */
NVK_API const char *NVK_CALL NvkAssert(int condition, const char *fileName, int lineNumber,
                                      NVK_FORMAT_STRING const char *format, ...) NVK_PRINTF_FORMAT(4, 5);

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

/* Labels (NVK_LABEL): a text that starts the failure messages of the checks with a fixed text (the
 * functions above and below, and the checks of norvik_checks.h) that the calling thread makes in the
 * running test, until its next label or the test's end. Each thread of a test has its own, and a test
 * that starts has none. Setting one counts as a passed check at fileName and lineNumber; text is kept to
 * 255 bytes, never cut inside a UTF-8 character; NULL or "" ends the label. */
NVK_API void NVK_CALL NvkSetLabel(const char *fileName, int32_t lineNumber, const char *text);
/* The calling thread's label in the running test, or NULL; valid until this thread sets another. */
NVK_API const char *NVK_CALL NvkGetLabel(void);

/* Passes only for exactly 1. */
NVK_API const char *NVK_CALL NvkAssertIsTrueImp(int value, const char *fileName, int lineNumber);
NVK_API const char *NVK_CALL NvkAssertIsFalseImp(int value, const char *fileName, int lineNumber);
NVK_API const char *NVK_CALL NvkAssertIsNullImp(const void *value, const char *fileName, int lineNumber);
NVK_API const char *NVK_CALL NvkAssertIsNotNullImp(const void *value, const char *fileName, int lineNumber);

/* ---- Tracked memory and strings ---------------------------------------------------- */

/* Allocations counted in the library's allocation count, so tests can find leaks. Free only with
 * NvkMemFreeImp what this library allocated (its blocks, strings, reports and conversions): the
 * library and its callers do not share a heap. Running out of memory ends the process (status 1). */

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

/* Returned texts are new tracked allocations the caller frees with NvkMemFreeImp, except the name
 * and version, which are constant. */

/* Reads text as ISO 8859-1; returns a new UTF-8 text (free with NvkMemFreeImp), or NULL. */
NVK_API char *NVK_CALL NvkConvertStringToUTF8(const char *text, size_t *length);
/* Trims the trailing zeros that "%.10f" leaves, keeping one digit after the point. */
NVK_API void NVK_CALL NvkConvertDoubleToStringComplete(char *text);
NVK_API const char *NVK_CALL NvkAppName(void);
NVK_API const char *NVK_CALL NvkAppVersion(void);

/* ---- Reports ----------------------------------------------------------------------- */

/* The XML report of the current results; flags choose its items (NVK_REPORT_*). Usable during and
 * after a run. Raise event 13 with the report text. */

/* The XML report as new UTF-8 text (free with NvkMemFreeImp); NULL without report flags. */
NVK_API char *NVK_CALL NvkReportCreate(int flags, size_t *length);
/* Writes the report to fileName; 1 when the whole report was written. */
NVK_API int32_t NVK_CALL NvkReportCreateFile(int flags, const char *fileName);

#ifdef __cplusplus
}
#endif

#endif /* NORVIK_H */
