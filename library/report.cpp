// The XML report of the registry's results: an overall summary, a summary per
// batch, and the failed, passed and skipped test functions with their failures.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "events.h"
#include "memory.h"
#include "norvik.h"
#include "pages.h"
#include "records.h"
#include "registry.h"
#include "report_buffer.h"
#include "statistics.h"  // the report shows the very figures callers read

namespace {

using nvk::ResultCounts;

constexpr int kBatchItems = NVK_REPORT_BATCH_SUMMARY | NVK_REPORT_FAILED | NVK_REPORT_PASSED | NVK_REPORT_SKIPPED;

// Levels of the elements that do not move: the overall summary and the batch list.
constexpr unsigned kOverallSummaryLevel = 1;
constexpr unsigned kBatchesLevel = 1;
constexpr unsigned kBatchLevel = 2;
constexpr unsigned kBatchSummaryLevel = 3;
constexpr unsigned kFunctionLevel = 4;

bool HasFlag(int flags, int flag) { return (flags & flag) != 0; }

// The writing below is done twice, by a nvk::ReportLength and then a nvk::ReportWriter
// (the Out of each template), over records that nothing changes in between: the
// report raises no event before it is whole, so no caller's code runs meanwhile.
// Element names are literals, so that their lengths are known when compiling.
//
// A test function's lines are written by one function with every piece inline, on a
// copy of the writer that never leaves it: its position then stays in a register,
// where a writer reached by reference would be read back from memory after every
// byte stored, as any char may alias it.
#if defined(_MSC_VER)
#  define NVK_ALWAYS_INLINE __forceinline
#else
#  define NVK_ALWAYS_INLINE inline __attribute__((always_inline))
#endif

template <typename Out, std::size_t N>
NVK_ALWAYS_INLINE void StartTag(Out &out, unsigned level, const char (&name)[N]) {
    out.Indent(level);
    out.Put("<");
    out.Put(name);
    out.Put(">\r\n");
}

template <typename Out, std::size_t N>
NVK_ALWAYS_INLINE void EndTag(Out &out, unsigned level, const char (&name)[N]) {
    out.Indent(level);
    out.Put("</");
    out.Put(name);
    out.Put(">\r\n");
}

template <typename Out, std::size_t N>
NVK_ALWAYS_INLINE void StartInline(Out &out, unsigned level, const char (&name)[N]) {
    out.Indent(level);
    out.Put("<");
    out.Put(name);
    out.Put(">");
}

template <typename Out, std::size_t N>
NVK_ALWAYS_INLINE void EndInline(Out &out, const char (&name)[N]) {
    out.Put("</");
    out.Put(name);
    out.Put(">\r\n");
}

// One line: indentation, start tag, the text escaped (null counts as empty), end tag;
// with what its record kept of the text, where it keeps that.
template <typename Out, std::size_t N, typename... Kept>
NVK_ALWAYS_INLINE void TextElement(Out &out, unsigned level, const char (&name)[N], const char *text, Kept... kept) {
    StartInline(out, level, name);
    out.Text(text, kept...);
    EndInline(out, name);
}

// Counts and line numbers show as unsigned 32-bit values (a line number -1 as 4294967295).
template <typename Out, std::size_t N>
NVK_ALWAYS_INLINE void CountElement(Out &out, unsigned level, const char (&name)[N], int32_t count) {
    StartInline(out, level, name);
    out.Count(static_cast<uint32_t>(count));
    EndInline(out, name);
}

template <typename Out>
NVK_ALWAYS_INLINE void TimeElement(Out &out, unsigned level, double seconds) {
    StartInline(out, level, "ExecutionTime");
    out.Seconds(seconds);
    EndInline(out, "ExecutionTime");
}

template <typename Out>
void WriteSummary(Out &out, const ResultCounts &figures, unsigned level) {
    StartTag(out, level, "Summary");
    StartTag(out, level + 1, "Functions");
    CountElement(out, level + 2, "Tested", figures.run);
    CountElement(out, level + 2, "Passed", figures.passed);
    CountElement(out, level + 2, "Failed", figures.failed);
    CountElement(out, level + 2, "Skipped", figures.notRun);
    TimeElement(out, level + 2, figures.time);
    EndTag(out, level + 1, "Functions");
    StartTag(out, level + 1, "Assertions");
    CountElement(out, level + 2, "Passed", figures.passedAssertions);
    CountElement(out, level + 2, "Failed", figures.failures);
    EndTag(out, level + 1, "Assertions");
    EndTag(out, level, "Summary");
}

template <typename Out>
NVK_ALWAYS_INLINE void WriteFailures(Out &out, const NvkTestFunction &test, unsigned level) {
    StartTag(out, level, "Assertions");
    for (const NvkAssertionFailure *failure = test.firstFailure; failure != nullptr; failure = failure->next) {
        StartTag(out, level + 1, "Assertion");
        TextElement(out, level + 2, "Message", failure->message, failure->messageInReport);
        CountElement(out, level + 2, "LineNumber", failure->lineNumber);
        EndTag(out, level + 1, "Assertion");
    }
    EndTag(out, level, "Assertions");
}

// Known words need no escaping: they are copied as literals.
template <typename Out, std::size_t N, std::size_t M>
NVK_ALWAYS_INLINE void LiteralElement(Out &out, unsigned level, const char (&name)[N], const char (&text)[M]) {
    StartInline(out, level, name);
    out.Put(text);
    EndInline(out, name);
}

template <typename Out>
NVK_ALWAYS_INLINE void WriteResult(Out &out, unsigned level, const NvkTestFunction &test) {
    if (!nvk::HasRun(&test)) {
        LiteralElement(out, level, "Result", "Skipped");
    } else if (test.firstFailure != nullptr) {
        LiteralElement(out, level, "Result", "Failed");
    } else {
        LiteralElement(out, level, "Result", "Passed");
    }
}

template <typename Out>
void WriteTestFunction(Out &destination, const NvkTestFunction &test) {
    Out out = destination;  // a copy that never leaves this function, as said above
    const unsigned inner = kFunctionLevel + 1;
    StartTag(out, kFunctionLevel, "Function");
    TextElement(out, inner, "Name", test.name, test.nameInReport);
    if (test.fileName != nullptr) {
        TextElement(out, inner, "FileName", test.fileName, test.fileNameInReport);
    }
    WriteResult(out, inner, test);
    if (nvk::SkippedItself(&test)) {
        TextElement(out, inner, "SkipReason", test.skipReason);
    }
    TimeElement(out, inner, test.executionTime);
    if (test.firstFailure != nullptr) {
        WriteFailures(out, test, inner);
    }
    EndTag(out, kFunctionLevel, "Function");
    destination = out;
}

bool IsTestFunctionSelected(const NvkTestFunction &test, int flags) {
    const bool hasFailures = test.firstFailure != nullptr;
    return (HasFlag(flags, NVK_REPORT_FAILED) && hasFailures) || (HasFlag(flags, NVK_REPORT_PASSED) && !hasFailures) ||
           (HasFlag(flags, NVK_REPORT_SKIPPED) && !nvk::HasRun(&test));
}

// A batch in which nothing ran or skipped itself never appears, whatever the flags.
bool HasOutcomes(const ResultCounts &figures) { return figures.run > 0 || figures.skippedItself > 0; }

bool IsBatchSelected(const ResultCounts &figures, int flags) {
    if (!HasOutcomes(figures)) {
        return false;
    }
    return HasFlag(flags, NVK_REPORT_BATCH_SUMMARY) || (HasFlag(flags, NVK_REPORT_PASSED) && figures.passed != 0) ||
           (HasFlag(flags, NVK_REPORT_FAILED) && figures.failed != 0) ||
           (HasFlag(flags, NVK_REPORT_SKIPPED) && figures.notRun != 0);
}

// What both writings need: the figures, counted once, and the batches that appear,
// each with the length of its test functions' lines.
struct BatchItem {
    const NvkBatch *batch;
    ResultCounts counts;
    uint64_t functionsLength;
};
using BatchItems = std::vector<BatchItem, nvk::UntrackedAllocator<BatchItem>>;
struct Contents {
    int flags;
    ResultCounts overall;
    BatchItems batches;
};

// A large registry's records and texts are not in the cache, and one test's lines are
// written faster than memory answers: ask for a record, then for its texts, a few
// tests before their turn.
constexpr std::size_t kRecordAhead = 8;
constexpr std::size_t kTextsAhead = 4;

inline void FetchAhead(const nvk::TestFunctionArray &tests, std::size_t position) {
#if defined(__GNUC__)
    if (position + kRecordAhead < tests.size()) {
        __builtin_prefetch(tests[position + kRecordAhead]);
        __builtin_prefetch(&tests[position + kRecordAhead]->name);
    }
    if (position + kTextsAhead < tests.size()) {
        const NvkTestFunction *ahead = tests[position + kTextsAhead];
        __builtin_prefetch(ahead->name);
        __builtin_prefetch(ahead->fileName);
        __builtin_prefetch(ahead->firstFailure);
    }
#else
    (void)tests;
    (void)position;
#endif
}

// The writing walks a batch's test functions; the measuring adds the length that the
// walk that counted them measured.
void WriteFunctions(nvk::ReportWriter &out, const BatchItem &item, int flags) {
    const nvk::TestFunctionArray &tests = nvk::TestFunctionsOf(item.batch);
    for (std::size_t position = 0; position < tests.size(); ++position) {
        FetchAhead(tests, position);
        if (IsTestFunctionSelected(*tests[position], flags)) {
            WriteTestFunction(out, *tests[position]);
        }
    }
}
void WriteFunctions(nvk::ReportLength &out, const BatchItem &item, int) { out.Add(item.functionsLength); }

template <typename Out>
void WriteBatch(Out &out, const BatchItem &item, int flags) {
    StartTag(out, kBatchLevel, "Batch");
    TextElement(out, kBatchLevel + 1, "Name", item.batch->name);
    if (HasFlag(flags, NVK_REPORT_BATCH_SUMMARY)) {
        WriteSummary(out, item.counts, kBatchSummaryLevel);
    }
    StartTag(out, kBatchLevel + 1, "Functions");
    WriteFunctions(out, item, flags);
    EndTag(out, kBatchLevel + 1, "Functions");
    EndTag(out, kBatchLevel, "Batch");
}

template <typename Out>
void WriteDocument(Out &out, const Contents &contents) {
    out.Put("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n");
    StartTag(out, 0, "TestResults");
    if (HasOutcomes(contents.overall)) {
        if (HasFlag(contents.flags, NVK_REPORT_SUMMARY)) {
            WriteSummary(out, contents.overall, kOverallSummaryLevel);
        }
        if (HasFlag(contents.flags, kBatchItems)) {
            StartTag(out, kBatchesLevel, "Batches");
            for (const BatchItem &item : contents.batches) {
                WriteBatch(out, item, contents.flags);
            }
            EndTag(out, kBatchesLevel, "Batches");
        }
    }
    out.Put("</TestResults>");
}

// One walk of the records counts every batch's figures and everyone's, and measures
// the lines of the test functions that appear, with the very function that writes them.
Contents Gather(int flags) {
    Contents contents{flags, {}, {}};
    const bool listed = HasFlag(flags, kBatchItems);
    for (NvkBatch *batch = nvk::ResolveBatch(nullptr); batch != nullptr; batch = batch->next) {
        BatchItem item{batch, {}, 0};
        nvk::ReportLength lines;
        const nvk::TestFunctionArray &tests = nvk::TestFunctionsOf(batch);
        for (std::size_t position = 0; position < tests.size(); ++position) {
            FetchAhead(tests, position);
            const NvkTestFunction &test = *tests[position];
            nvk::CountTestFunction(&test, item.counts);
            contents.overall.time += test.executionTime;
            if (listed && IsTestFunctionSelected(test, flags)) {
                WriteTestFunction(lines, test);
            }
        }
        item.functionsLength = lines.Length();
        nvk::AddAllButTime(contents.overall, item.counts);
        if (listed && IsBatchSelected(item.counts, flags)) {
            contents.batches.push_back(item);
        }
    }
    return contents;
}

// Far beyond any memory there is, as for the library's other texts.
constexpr uint64_t kLargestReport = SIZE_MAX / 4;

// The text is written whole, so its block needs no zeroing, and its pages are backed
// before the first write. It still counts as one of the library's allocations until
// the caller frees it. Its terminating zero comes on top.
char *AllocateReport(uint64_t length) {
    if (length > kLargestReport) {
        nvk::EndProcessOutOfMemory();
    }
    char *text = static_cast<char *>(std::malloc(static_cast<std::size_t>(length) + 1));
    if (text == nullptr) {
        nvk::EndProcessOutOfMemory();
    }
    nvk::CountAllocation();
    nvk::BackPagesAtOnce(text, static_cast<std::size_t>(length) + 1);
    return text;
}

char *BuildUtf8Report(int flags, size_t *length) {
    const Contents contents = Gather(flags);
    nvk::ReportLength measure;
    WriteDocument(measure, contents);
    char *report = AllocateReport(measure.Length());
    nvk::ReportWriter writer(report);
    WriteDocument(writer, contents);
    *writer.End() = '\0';
    *length = static_cast<size_t>(writer.End() - report);
    return report;
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
