// The console runner's cost: trivial tests through the runner in one process, with
// and without a JUnit report, with a timeout and the library report, and through
// two workers, next to the library's own run of the same tests in this process;
// and a CPU-bound suite with one worker and with two.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "bench_support.h"
#include "library_loader.h"
#include "norvik.h"

namespace {

constexpr int kRuns = 5;

void SetTestCount(int count) {
    const std::string value = std::to_string(count);
#ifdef _WIN32
    _putenv_s("NORVIK_BENCH_TESTS", value.c_str());
#else
    setenv("NORVIK_BENCH_TESTS", value.c_str(), 1);
#endif
}

#ifdef _WIN32
const char kDiscard[] = " >NUL 2>&1";
#else
const char kDiscard[] = " >/dev/null 2>&1";
#endif

// The median wall time of the command, which must exit with the given code.
double TimeCommand(const std::string &command, int expectedExit) {
    std::vector<double> samples;
    for (int run = 0; run < kRuns; ++run) {
        bench::Stopwatch stopwatch;
        const int status = std::system((command + kDiscard).c_str());
        samples.push_back(stopwatch.Elapsed());
#ifndef _WIN32
        bench::Require(WIFEXITED(status) && WEXITSTATUS(status) == expectedExit, command.c_str());
#else
        bench::Require(status == expectedExit, command.c_str());
#endif
    }
    return bench::Median(samples);
}

// The library's run of every test, in this process, without an event handler.
double TimeLibraryRun(const std::string &library) {
    bench::Require(loader::LoadTestLibrary(library.c_str()) == loader::LoadFailure::None, "loading the library");
    std::vector<double> samples;
    for (int run = 0; run < kRuns; ++run) {
        bench::Stopwatch stopwatch;
        bench::Require(NvkBatchRun(nullptr) == 1, "the library's run");
        samples.push_back(stopwatch.Elapsed());
    }
    loader::ReleaseTestLibrary();
    return bench::Median(samples);
}

void Print(const char *name, int tests, double seconds, double base) {
    std::printf("tests=%d %s=%.3f s per_test_us=%.2f", tests, name, seconds, seconds * 1e6 / tests);
    if (base > 0) std::printf(" ratio_to_library=%.2f", seconds / base);
    std::printf("\n");
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: console_bench RUNNER TRIVIAL_LIBRARY BUSY_LIBRARY\n");
        return 2;
    }
    const std::string runner = std::string("\"") + argv[1] + "\" ";
    const std::string trivial = std::string(" \"") + argv[2] + "\"";
    const std::string busy = std::string(" \"") + argv[3] + "\"";
    for (int tests : {10000, 100000}) {
        SetTestCount(tests);
        const double library = TimeLibraryRun(argv[2]);
        // Starting, loading and registering, with nothing to run: taken off the
        // runs below to give the runner's cost of running.
        const double start = TimeCommand(runner + "--allow-empty --filter None.None" + trivial, 0);
        Print("library_run", tests, library, 0);
        Print("runner_start", tests, start, 0);
        Print("runner_run", tests, TimeCommand(runner + trivial, 0) - start, library);
        Print("runner_run_junit", tests, TimeCommand(runner + "--junit bench-junit.xml" + trivial, 0) - start, library);
        Print("runner_run_timeout_xml", tests,
              TimeCommand(runner + "--timeout 600 --xml bench-report.xml" + trivial, 0) - start, library);
        Print("runner_jobs2", tests, TimeCommand(runner + "--jobs 2" + trivial, 0) - start, library);
    }
    const double oneWorker = TimeCommand(runner + "--jobs 1" + busy, 0);
    const double twoWorkers = TimeCommand(runner + "--jobs 2" + busy, 0);
    std::printf("cpu_bound jobs1=%.3f s jobs2=%.3f s ratio=%.2f\n", oneWorker, twoWorkers, twoWorkers / oneWorker);
    std::remove("bench-junit.xml");
    std::remove("bench-report.xml");
    return 0;
}
