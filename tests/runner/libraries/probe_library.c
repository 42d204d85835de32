/* A test DLL for the runner's own tests. With NORVIK_PROBE_REPORT set it writes the
 * report the library holds at the very end of a full run, so that the runner's
 * report file can be compared with it; with NORVIK_PROBE_LOADED set it leaves a
 * mark that it was loaded. */
#include <stdio.h>
#include <stdlib.h>

#include "norvik_test.h"

static int createCount;

static void NVK_CALL AddsSmallNumbers(void) { NVK_ASSERT_EQUAL_INT(4, 2 + 2); }

static void NVK_CALL ComparesWords(void) { NVK_ASSERT_EQUAL_STRING("expected <&> text", "actual text"); }

static void NVK_CALL ChecksPointers(void) {
    NVK_ASSERT_NOT_NULL(&createCount);
    NVK_ASSERT_NULL(NULL);
}

static const char *Setting(const char *name) {
    const char *value = getenv(name);
    return value != NULL && value[0] != '\0' ? value : NULL;
}

static void WriteReport(const char *path) {
    size_t length = 0;
    char *report = NvkReportCreate(NVK_REPORT_ALL, &length);
    FILE *file = fopen(path, "wb");
    if (file != NULL) {
        fwrite(report, 1, length, file);
        fclose(file);
    }
    NvkMemFreeImp(&report);
}

/* Last event of a full run: every result is final. */
static void NVK_CALL WriteReportAfterRun(int32_t code, uint32_t value, intptr_t reserved, void *first, void *second) {
    (void)value;
    (void)reserved;
    (void)first;
    (void)second;
    if (code == NvkEventAllBatchesRun) {
        WriteReport(Setting("NORVIK_PROBE_REPORT"));
    }
}

static void LeaveLoadedMark(const char *path) {
    FILE *file = fopen(path, "ab");
    if (file != NULL) {
        fputs("loaded\n", file);
        fclose(file);
    }
}

NVK_EXTERN_C NVK_EXPORT int NVK_CALL ProbeCreateCount(void) { return createCount; }

NVK_TEST_LIBRARY_ENTRY {
    NvkBatch *arithmetic = NvkBatchCreate("ProbeArithmetic");
    NvkBatch *words = NvkBatchCreate("ProbeWords");
    ++createCount;
    /* The handler must not outlive the DLL: only command-line runs, which end the
     * process after unloading it, ask for the report. */
    if (Setting("NORVIK_PROBE_REPORT") != NULL) {
        NvkSetEventHandler(WriteReportAfterRun, 0);
    }
    if (Setting("NORVIK_PROBE_LOADED") != NULL) {
        LeaveLoadedMark(Setting("NORVIK_PROBE_LOADED"));
    }
    NVK_ADD_TEST(arithmetic, AddsSmallNumbers);
    NVK_ADD_TEST(arithmetic, ChecksPointers);
    NVK_ADD_TEST(words, ComparesWords);
    NvkBatchCreate("ProbeNothing");
}
