// Registration cost: adding test functions to one batch, creating batches, and
// freeing them again, at doubling sizes. Linear growth shows as a per-item cost
// that stays flat while the size doubles.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "bench_support.h"
#include "norvik.h"

namespace {

constexpr int kRepetitions = 7;
const uint32_t kTestCounts[] = {12500, 25000, 50000, 100000};
const uint32_t kBatchCounts[] = {1250, 2500, 5000, 10000};

std::vector<std::string> NumberedNames(const char *prefix, uint32_t count) {
    std::vector<std::string> names;
    names.reserve(count);
    char buffer[32];
    for (uint32_t i = 0; i < count; ++i) {
        std::snprintf(buffer, sizeof buffer, "%s%06lu", prefix, static_cast<unsigned long>(i));
        names.emplace_back(buffer);
    }
    return names;
}

void NVK_CALL NeverCalled(void) {}

// The registry stores and compares the addresses it is given but never calls them
// here, so distinct values spaced like small functions stand in for 100,000 real
// ones, which would take minutes to compile.
std::vector<NvkTestProc> DistinctAddresses(uint32_t count) {
    const uintptr_t base = reinterpret_cast<uintptr_t>(&NeverCalled);
    std::vector<NvkTestProc> functions;
    functions.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        functions.push_back(reinterpret_cast<NvkTestProc>(base + 16 * uintptr_t{i}));
    }
    return functions;
}

struct Timing {
    double build;
    double free;
};

Timing MedianTiming(const std::vector<Timing> &samples) {
    std::vector<double> builds;
    std::vector<double> frees;
    for (const Timing &sample : samples) {
        builds.push_back(sample.build);
        frees.push_back(sample.free);
    }
    return {bench::Median(builds), bench::Median(frees)};
}

Timing AddTestsToOneBatch(uint32_t count, const std::vector<std::string> &names,
                          const std::vector<NvkTestProc> &functions) {
    NvkBatch *batch = NvkBatchCreate("Registration");
    bench::Require(batch != nullptr, "the batch was not created");
    bench::Stopwatch adding;
    for (uint32_t i = 0; i < count; ++i) {
        bench::Require(NvkBatchAddFunctionImp(batch, names[i].c_str(), functions[i]) != nullptr, "a test was refused");
    }
    const double added = adding.Elapsed();
    bench::Require(NvkBatchGetCount(batch) == count, "the batch holds the wrong number of tests");
    bench::Stopwatch freeing;
    NvkBatchFree(&batch);
    return {added, freeing.Elapsed()};
}

Timing CreateBatches(uint32_t count, const std::vector<std::string> &names) {
    bench::Stopwatch creating;
    for (uint32_t i = 0; i < count; ++i) {
        bench::Require(NvkBatchCreate(names[i].c_str()) != nullptr, "a batch was refused");
    }
    const double created = creating.Elapsed();
    bench::Require(NvkBatchGetCount(nullptr) == count, "the list holds the wrong number of batches");
    bench::Stopwatch freeing;
    NvkBatchFree(nullptr);
    return {created, freeing.Elapsed()};
}

// Freeing single batches from the end of the list is the case a singly linked
// list makes costly, so it is measured apart from freeing everything at once.
double FreeBatchesNewestFirst(uint32_t count, const std::vector<std::string> &names) {
    std::vector<NvkBatch *> batches;
    for (uint32_t i = 0; i < count; ++i) {
        batches.push_back(NvkBatchCreate(names[i].c_str()));
    }
    bench::Stopwatch freeing;
    for (auto batch = batches.rbegin(); batch != batches.rend(); ++batch) {
        NvkBatchFree(&*batch);
    }
    return freeing.Elapsed();
}

double Nanoseconds(double seconds, uint32_t count) { return seconds * 1e9 / count; }

void MeasureTests(int32_t allocationsBefore) {
    const uint32_t largest = kTestCounts[std::size(kTestCounts) - 1];
    const std::vector<std::string> names = NumberedNames("Test", largest);
    const std::vector<NvkTestProc> functions = DistinctAddresses(largest);
    std::vector<double> perTest;
    for (uint32_t count : kTestCounts) {
        std::vector<Timing> samples;
        for (int i = 0; i < kRepetitions; ++i) {
            samples.push_back(AddTestsToOneBatch(count, names, functions));
        }
        bench::Require(NvkMemGetAllocCount() == allocationsBefore, "freeing the batch left allocations behind");
        const Timing median = MedianTiming(samples);
        perTest.push_back(Nanoseconds(median.build, count));
        std::printf("tests=%lu add_seconds=%.4f per_test_ns=%.0f free_seconds=%.4f free_per_test_ns=%.0f\n",
                    static_cast<unsigned long>(count), median.build, Nanoseconds(median.build, count), median.free,
                    Nanoseconds(median.free, count));
    }
    std::printf("tests_growth size_ratio=%lu per_test_ratio=%.2f\n",
                static_cast<unsigned long>(largest / kTestCounts[0]), perTest.back() / perTest.front());
}

void MeasureBatches(int32_t allocationsBefore) {
    const uint32_t largest = kBatchCounts[std::size(kBatchCounts) - 1];
    const std::vector<std::string> names = NumberedNames("Batch", largest);
    std::vector<double> perBatch;
    std::vector<double> perSingleFree;
    for (uint32_t count : kBatchCounts) {
        std::vector<Timing> samples;
        std::vector<double> singleFrees;
        for (int i = 0; i < kRepetitions; ++i) {
            samples.push_back(CreateBatches(count, names));
            singleFrees.push_back(FreeBatchesNewestFirst(count, names));
        }
        bench::Require(NvkMemGetAllocCount() == allocationsBefore, "freeing the batches left allocations behind");
        const Timing median = MedianTiming(samples);
        const double singleFree = bench::Median(singleFrees);
        perBatch.push_back(Nanoseconds(median.build, count));
        perSingleFree.push_back(Nanoseconds(singleFree, count));
        std::printf(
            "batches=%lu create_seconds=%.4f per_batch_ns=%.0f free_all_seconds=%.4f free_all_per_batch_ns=%.0f "
            "free_each_newest_first_seconds=%.4f free_each_per_batch_ns=%.0f\n",
            static_cast<unsigned long>(count), median.build, Nanoseconds(median.build, count), median.free,
            Nanoseconds(median.free, count), singleFree, Nanoseconds(singleFree, count));
    }
    std::printf("batches_growth size_ratio=%lu per_batch_ratio=%.2f free_each_per_batch_ratio=%.2f\n",
                static_cast<unsigned long>(largest / kBatchCounts[0]), perBatch.back() / perBatch.front(),
                perSingleFree.back() / perSingleFree.front());
}

}  // namespace

int main() {
    const int32_t allocationsBefore = NvkMemGetAllocCount();
    MeasureTests(allocationsBefore);
    MeasureBatches(allocationsBefore);
    return 0;
}
