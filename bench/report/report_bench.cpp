// The cost of the full XML report for 100,000 test functions, a tenth of them
// failed with two failures each, beside one plain memcpy of as many bytes into a
// fresh allocation: the report should cost a small, fixed multiple of copying its
// own text. The report's bytes are checked against a hash of what they were.
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
#include "records.h"

namespace {

constexpr int kRepetitions = 5;
constexpr unsigned kBatches = 1000;
constexpr unsigned kTestsPerBatch = 100;  // a batch refuses a function it holds, so 100 distinct ones
constexpr unsigned kFailEvery = 10;
// FNV-1a of the report with the times below, as the writer made it before it was made faster.
constexpr uint64_t kExpectedHash = 0x0f89402e602625beu;

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

// Measured times differ from run to run; these fixed ones, of every length from
// "0.0000003" to "0.0009999999", make the report's bytes the same every time.
void FixTimes() {
    uint64_t index = 0;
    for (NvkBatch *batch = NvkBatchGetFirst(); batch != nullptr; batch = NvkBatchGetNext(batch)) {
        for (NvkTestFunction *test = NvkBatchGetFirstTestFunction(batch); test; test = NvkTestFunctionGetNext(test)) {
            test->executionTime = static_cast<double>(1 + index * 7919 % 9999991) * 1e-10;
            ++index;
        }
    }
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
    FixTimes();
    int32_t failed = 0;
    int32_t failures = 0;
    NvkBatchGetStatistics(nullptr, nullptr, nullptr, &failed, nullptr, nullptr, &failures, nullptr);
    bench::Require(failed == 10000 && failures == 20000, "unexpected results");
}

struct Sample {
    double report;
    double copy;
    size_t length;
    uint64_t hash;
};

uint64_t Hash(const char *text, size_t length) {
    uint64_t hash = 14695981039346656037u;
    for (size_t i = 0; i < length; ++i) {
        hash = (hash ^ static_cast<unsigned char>(text[i])) * 1099511628211u;
    }
    return hash;
}

// Times NvkReportCreate, then malloc and memcpy of as many bytes: the copy's fresh
// block takes its page faults as the report's does. Both blocks are freed untimed.
Sample Measure() {
    size_t length = 0;
    const bench::Stopwatch reportWatch;
    char *report = NvkReportCreate(NVK_REPORT_ALL, &length);
    const double reportSeconds = reportWatch.Elapsed();
    bench::Require(report != nullptr, "no report");

    const bench::Stopwatch copyWatch;
    char *copy = static_cast<char *>(std::malloc(length));
    bench::Require(copy != nullptr, "no memory for the copy");
    std::memcpy(copy, report, length);
    const double copySeconds = copyWatch.Elapsed();
    bench::Require(std::memcmp(copy, report, length) == 0, "the copy differs");
    const uint64_t hash = Hash(report, length);
    std::free(copy);
    NvkMemFreeImp(&report);
    return {reportSeconds, copySeconds, length, hash};
}

double Best(const std::vector<double> &samples) { return *std::min_element(samples.begin(), samples.end()); }

}  // namespace

int main() {
    BuildAndRun();
    Measure();  // warms the heap

    std::vector<double> reports;
    std::vector<double> copies;
    Sample sample{};
    for (int i = 0; i < kRepetitions; ++i) {
        sample = Measure();
        reports.push_back(sample.report);
        copies.push_back(sample.copy);
    }
    const double megabytes = static_cast<double>(sample.length) / 1e6;
    std::printf("report of %u test functions (%u failed, 2 failures each), all items: %zu bytes, hash %016llx\n",
                kBatches * kTestsPerBatch, kBatches * kTestsPerBatch / kFailEvery, sample.length,
                static_cast<unsigned long long>(sample.hash));
    for (const char *kind : {"best", "median"}) {
        const bool best = kind[0] == 'b';
        const double report = best ? Best(reports) : bench::Median(reports);
        const double copied = best ? Best(copies) : bench::Median(copies);
        std::printf("%-6s of %d: NvkReportCreate %8.2f ms %8.1f MB/s  malloc+memcpy %8.2f ms %8.1f MB/s  ratio %.2f\n",
                    kind, kRepetitions, report * 1e3, megabytes / report, copied * 1e3, megabytes / copied,
                    report / copied);
    }
    bench::Require(sample.hash == kExpectedHash, "the report's bytes changed");

    NvkBatchFree(nullptr);
    bench::Require(NvkMemGetAllocCount() == 0, "blocks leaked");
    return 0;
}
