// The XML report of the registry's results: an overall summary, a summary per
// batch, and the failed, passed and skipped test functions with their failures.
#include <cstdint>
#include <cstdio>

#include "events.h"
#include "norvik.h"
#include "records.h"
#include "registry.h"
#include "report_buffer.h"
#include "seconds_text.h"
#include "statistics.h"  // the report shows the very figures callers read

namespace {

using nvk::ReportBuffer;

const char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
constexpr int kBatchItems = NVK_REPORT_BATCH_SUMMARY | NVK_REPORT_FAILED | NVK_REPORT_PASSED | NVK_REPORT_SKIPPED;

// Levels of the elements that do not move: the overall summary and the batch list.
constexpr unsigned kOverallSummaryLevel = 1;
constexpr unsigned kBatchesLevel = 1;
constexpr unsigned kBatchLevel = 2;
constexpr unsigned kBatchSummaryLevel = 3;
constexpr unsigned kFunctionLevel = 4;

bool HasFlag(int flags, int flag) { return (flags & flag) != 0; }

// Counts and line numbers show as unsigned 32-bit values (a line number -1 as 4294967295).
void AppendCount(ReportBuffer &buffer, const char *name, int32_t count, unsigned level) {
    char text[16];
    std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(static_cast<uint32_t>(count)));
    nvk::ReportBufferAppendTextElement(buffer, name, text, level);
}

void AppendTime(ReportBuffer &buffer, const char *name, double seconds, unsigned level) {
    nvk::ReportBufferAppendTextElement(buffer, name, nvk::FormatSeconds(seconds).text, level);
}

void AppendSummary(ReportBuffer &buffer, const nvk::ResultCounts &figures, unsigned level) {
    nvk::ReportBufferAppendTag(buffer, "Summary", true, level, true);
    nvk::ReportBufferAppendTag(buffer, "Functions", true, level + 1, true);
    AppendCount(buffer, "Tested", figures.run, level + 2);
    AppendCount(buffer, "Passed", figures.passed, level + 2);
    AppendCount(buffer, "Failed", figures.failed, level + 2);
    AppendCount(buffer, "Skipped", figures.notRun, level + 2);
    AppendTime(buffer, "ExecutionTime", figures.time, level + 2);
    nvk::ReportBufferAppendTag(buffer, "Functions", false, level + 1, true);
    nvk::ReportBufferAppendTag(buffer, "Assertions", true, level + 1, true);
    AppendCount(buffer, "Passed", figures.passedAssertions, level + 2);
    AppendCount(buffer, "Failed", figures.failures, level + 2);
    nvk::ReportBufferAppendTag(buffer, "Assertions", false, level + 1, true);
    nvk::ReportBufferAppendTag(buffer, "Summary", false, level, true);
}

const char *ResultOf(const NvkTestFunction &test) {
    if (!nvk::HasRun(&test)) {
        return "Skipped";
    }
    return test.firstFailure != nullptr ? "Failed" : "Passed";
}

void AppendFailures(ReportBuffer &buffer, const NvkTestFunction &test, unsigned level) {
    nvk::ReportBufferAppendTag(buffer, "Assertions", true, level, true);
    for (const NvkAssertionFailure *failure = test.firstFailure; failure != nullptr; failure = failure->next) {
        nvk::ReportBufferAppendTag(buffer, "Assertion", true, level + 1, true);
        nvk::ReportBufferAppendTextElement(buffer, "Message", failure->message, level + 2);
        AppendCount(buffer, "LineNumber", failure->lineNumber, level + 2);
        nvk::ReportBufferAppendTag(buffer, "Assertion", false, level + 1, true);
    }
    nvk::ReportBufferAppendTag(buffer, "Assertions", false, level, true);
}

void AppendTestFunction(ReportBuffer &buffer, const NvkTestFunction &test) {
    const unsigned inner = kFunctionLevel + 1;
    nvk::ReportBufferAppendTag(buffer, "Function", true, kFunctionLevel, true);
    nvk::ReportBufferAppendTextElement(buffer, "Name", test.name, inner);
    if (test.fileName != nullptr) {
        nvk::ReportBufferAppendTextElement(buffer, "FileName", test.fileName, inner);
    }
    nvk::ReportBufferAppendTextElement(buffer, "Result", ResultOf(test), inner);
    if (nvk::SkippedItself(&test)) {
        nvk::ReportBufferAppendTextElement(buffer, "SkipReason", test.skipReason, inner);
    }
    AppendTime(buffer, "ExecutionTime", test.executionTime, inner);
    if (test.firstFailure != nullptr) {
        AppendFailures(buffer, test, inner);
    }
    nvk::ReportBufferAppendTag(buffer, "Function", false, kFunctionLevel, true);
}

bool IsTestFunctionSelected(const NvkTestFunction &test, int flags) {
    const bool hasFailures = test.firstFailure != nullptr;
    return (HasFlag(flags, NVK_REPORT_FAILED) && hasFailures) || (HasFlag(flags, NVK_REPORT_PASSED) && !hasFailures) ||
           (HasFlag(flags, NVK_REPORT_SKIPPED) && !nvk::HasRun(&test));
}

// A batch in which nothing ran or skipped itself never appears, whatever the flags.
bool HasOutcomes(const nvk::ResultCounts &figures) { return figures.run > 0 || figures.skippedItself > 0; }

bool IsBatchSelected(const nvk::ResultCounts &figures, int flags) {
    if (!HasOutcomes(figures)) {
        return false;
    }
    return HasFlag(flags, NVK_REPORT_BATCH_SUMMARY) || (HasFlag(flags, NVK_REPORT_PASSED) && figures.passed != 0) ||
           (HasFlag(flags, NVK_REPORT_FAILED) && figures.failed != 0) ||
           (HasFlag(flags, NVK_REPORT_SKIPPED) && figures.notRun != 0);
}

void AppendBatch(ReportBuffer &buffer, const NvkBatch &batch, const nvk::ResultCounts &figures, int flags) {
    nvk::ReportBufferAppendTag(buffer, "Batch", true, kBatchLevel, true);
    nvk::ReportBufferAppendTextElement(buffer, "Name", batch.name, kBatchLevel + 1);
    if (HasFlag(flags, NVK_REPORT_BATCH_SUMMARY)) {
        AppendSummary(buffer, figures, kBatchSummaryLevel);
    }
    nvk::ReportBufferAppendTag(buffer, "Functions", true, kBatchLevel + 1, true);
    for (const NvkTestFunction *test = batch.firstTestFunction; test != nullptr; test = test->next) {
        if (IsTestFunctionSelected(*test, flags)) {
            AppendTestFunction(buffer, *test);
        }
    }
    nvk::ReportBufferAppendTag(buffer, "Functions", false, kBatchLevel + 1, true);
    nvk::ReportBufferAppendTag(buffer, "Batch", false, kBatchLevel, true);
}

void AppendBatches(ReportBuffer &buffer, int flags) {
    nvk::ReportBufferAppendTag(buffer, "Batches", true, kBatchesLevel, true);
    for (NvkBatch *batch = nvk::FirstBatch(); batch != nullptr; batch = batch->next) {
        const nvk::ResultCounts figures = nvk::CountResults(batch);
        if (IsBatchSelected(figures, flags)) {
            AppendBatch(buffer, *batch, figures, flags);
        }
    }
    nvk::ReportBufferAppendTag(buffer, "Batches", false, kBatchesLevel, true);
}

void AppendDocument(ReportBuffer &buffer, int flags) {
    const nvk::ResultCounts overall = nvk::CountResults(nullptr);
    nvk::ReportBufferAppendString(buffer, kDeclaration);
    nvk::ReportBufferAppendLineEnd(buffer);
    nvk::ReportBufferAppendTag(buffer, "TestResults", true, 0, true);
    if (HasOutcomes(overall)) {
        if (HasFlag(flags, NVK_REPORT_SUMMARY)) {
            AppendSummary(buffer, overall, kOverallSummaryLevel);
        }
        if (HasFlag(flags, kBatchItems)) {
            AppendBatches(buffer, flags);
        }
    }
    nvk::ReportBufferAppendTag(buffer, "TestResults", false, 0, false);
}

// The working text is gone before anyone hears of the report.
char *BuildUtf8Report(int flags, size_t *length) {
    ReportBuffer buffer;
    AppendDocument(buffer, flags);
    return NvkConvertStringToUTF8(buffer.text, length);
}

}  // namespace

extern "C" char *NVK_CALL NvkReportCreate(int flags, size_t *length) {
    if (!HasFlag(flags, NVK_REPORT_ALL) || length == nullptr) {
        return nullptr;
    }
    *length = 0;
    // Like every call that reads "all batches", an empty registry first gets its default batch.
    nvk::ResolveBatch(nullptr);
    char *report = BuildUtf8Report(flags, length);
    nvk::RaiseEvent(NvkEventReportCreated, static_cast<uint32_t>(*length), report, nullptr);
    return report;
}
