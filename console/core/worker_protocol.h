// What the console runner and its worker processes say to each other over their
// pipes, as text lines: the steps a worker runs, that it is ready, and each test
// it finished. A worker runs its steps in order, so the test it was in when it died
// is the first one it did not finish.
#pragma once

#include <string>
#include <vector>

#include "run_plan.h"
#include "run_results.h"

namespace console {

// All the steps in one text, which the worker reads to its end before it runs any.
std::string EncodeSteps(const std::vector<Step> &steps);
bool DecodeSteps(const std::string &text, std::vector<Step> &steps);

struct WorkerReport {
    bool finished = false;  // false: loaded and about to start its first test
    TestRef test;
    TestRecord record;  // outcome, seconds and failures when finished
};

// One line each, ending in '\n'; names and messages keep every byte.
std::string EncodeReady();
std::string EncodeFinished(const TestRef &test, const TestRecord &record);
bool DecodeReport(const std::string &line, WorkerReport &report);

// Cuts what a pipe delivers, in pieces of any size, into whole lines.
class LineSplitter {
public:
    void Add(const char *bytes, size_t count) { pending_.append(bytes, count); }
    // The next whole line without its '\n'; false when none is complete yet.
    bool Next(std::string &line);

private:
    std::string pending_;
    size_t start_ = 0;
};

}  // namespace console
