// What a runner and its worker processes say to each other over their pipes, as
// text lines: the plan a worker runs, that it is ready, each failure as it happens
// and each test as it finishes, and that it is done. A worker runs its steps in
// order, so the test it was in when it died is the first one it did not finish,
// and the failures it sent since its last finished test are that test's.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "run_plan.h"

namespace run {

// What the worker is to run: the registry it must find (see RegistryFingerprint),
// whether it stops after its first failed test, and the steps.
struct WorkerPlan {
    std::string fingerprint;
    bool failFast = false;
    std::vector<Step> steps;
};

std::string EncodePlan(const WorkerPlan &plan);
bool DecodePlan(const std::string &text, WorkerPlan &plan);

struct ReportedFailure {
    std::string file;
    int32_t line = 0;
    std::string message;
    std::string crashDetails;  // a crash's, as NvkAssertionFailureGetCrashDetails; "" for none
};

// A test's checks in the order it made them: passes are counted, failures are the
// ones sent before, Started marks where its setups ended and it was called, and
// Skipped where the worker first saw that the test had skipped itself.
enum class CheckKind : uint8_t { Passes, Failure, Started, Skipped };
struct ReportedCheck {
    CheckKind kind = CheckKind::Passes;
    uint32_t passes = 0;
    bool operator==(const ReportedCheck &other) const { return kind == other.kind && passes == other.passes; }
};

// One finished test as its worker saw it.
struct TestReport {
    TestRef test;
    double seconds = 0;
    std::string fileName;  // the test function's file name after its run
    std::vector<ReportedCheck> checks;
    std::string skipReason;                 // when the checks hold Skipped
    std::vector<ReportedFailure> failures;  // gathered from the failures sent before
};

struct WorkerMessage {
    enum class Kind { Started, Ready, Done, Refused, Failure, TestFinished };
    Kind kind = Kind::Ready;
    std::string reason;       // Refused
    ReportedFailure failure;  // Failure
    TestReport report;        // TestFinished, without its failures
};

// One line each, ending in '\n'; names and messages keep every byte.
// The worker runs, before it loads the test library: starting a process is slow
// under some systems, and no part of a test's time.
std::string EncodeStarted();
std::string EncodeReady();
// Every step given ran, or the worker stopped after a failure as its plan asked.
std::string EncodeDone();
// The worker cannot run the plan; the reason is for the user.
std::string EncodeRefused(const std::string &reason);
std::string EncodeFailure(const ReportedFailure &failure);
std::string EncodeTestFinished(const TestReport &report);
bool DecodeMessage(const std::string &line, WorkerMessage &message);

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

}  // namespace run
