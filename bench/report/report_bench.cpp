// The cost of the full XML report for 100,000 test functions, a tenth of them
// failed with two failures each, beside one plain memcpy of as many bytes: the
// report should cost a small, fixed multiple of copying its own text.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "bench_support.h"
#include "norvik.h"

namespace {

constexpr int kRepetitions = 7;
constexpr unsigned kBatches = 1000;
constexpr unsigned kTestsPerBatch = 100;  // a batch refuses a function it holds, so 100 distinct ones
constexpr unsigned kFailEvery = 10;

// Passing tests make two checks; every tenth fails both, with the message of an
// integer comparison (its apostrophes take the escaping path).
template <unsigned N>
void NVK_CALL Check() {
    const int expected = static_cast<int>(N);
    const int actual = N % kFailEvery == 0 ? expected + 1 : expected;
    for (int line = 10; line <= 11; ++line) {
        NvkAssert(actual == expected, "bench_tests.c", line, "Expected integer to be '%d' but it was '%d'", expected,
                  actual);
    }
}

template <unsigned... N>
std::vector<NvkTestProc> Functions(std::integer_sequence<unsigned, N...>) {
    return {&Check<N>...};
}

void BuildAndRun() {
    const std::vector<NvkTestProc> functions = Functions(std::make_integer_sequence<unsigned, kTestsPerBatch>());
    char name[32];
    for (unsigned batchIndex = 0; batchIndex < kBatches; ++batchIndex) {
        std::snprintf(name, sizeof name, "Batch%04u", batchIndex);
        NvkBatch *batch = NvkBatchCreate(name);
        bench::Require(batch != nullptr, "a batch was refused");
        for (unsigned test = 0; test < kTestsPerBatch; ++test) {
            std::snprintf(name, sizeof name, "TestFunction%06u", batchIndex * kTestsPerBatch + test);
            bench::Require(NvkBatchAddFunctionImp(batch, name, functions[test]) != nullptr,
                           "a test function was refused");
        }
    }
    NvkBatchRun(nullptr);
    int32_t failed = 0;
    int32_t failures = 0;
    NvkBatchGetStatistics(nullptr, nullptr, nullptr, &failed, nullptr, nullptr, &failures, nullptr);
    bench::Require(failed == 10000 && failures == 20000, "unexpected results");
}

struct Sample {
    double report;
    double memcpy;
    size_t length;
};

Sample Measure(std::vector<char> &copy) {
    size_t length = 0;
    const bench::Stopwatch reportWatch;
    char *report = NvkReportCreate(NVK_REPORT_ALL, &length);
    const double reportSeconds = reportWatch.Elapsed();
    bench::Require(report != nullptr, "no report");

    copy.resize(length);  // touched once before the first timing, so it measures copying only
    const bench::Stopwatch copyWatch;
    std::memcpy(copy.data(), report, length);
    const double copySeconds = copyWatch.Elapsed();
    bench::Require(std::memcmp(copy.data(), report, length) == 0, "the copy differs");
    NvkMemFreeImp(&report);
    return {reportSeconds, copySeconds, length};
}

}  // namespace

int main() {
    BuildAndRun();
    std::vector<char> copy;
    Measure(copy);  // warms the heap and the copy's pages

    std::vector<double> reports;
    std::vector<double> copies;
    size_t length = 0;
    for (int i = 0; i < kRepetitions; ++i) {
        const Sample sample = Measure(copy);
        reports.push_back(sample.report);
        copies.push_back(sample.memcpy);
        length = sample.length;
    }
    const double report = bench::Median(reports);
    const double copied = bench::Median(copies);
    const double megabytes = static_cast<double>(length) / 1e6;
    std::printf("report of %u test functions (%u failed, 2 failures each), all items: %zu bytes\n",
                kBatches * kTestsPerBatch, kBatches * kTestsPerBatch / kFailEvery, length);
    std::printf("NvkReportCreate: %8.2f ms  %8.1f MB/s  (median of %d)\n", report * 1e3, megabytes / report,
                kRepetitions);
    std::printf("memcpy:          %8.2f ms  %8.1f MB/s  (report / memcpy: %.0fx)\n", copied * 1e3, megabytes / copied,
                report / copied);

    NvkBatchFree(nullptr);
    bench::Require(NvkMemGetAllocCount() == 0, "blocks leaked");
    return 0;
}
