// What a runner and its worker processes say to each other over their pipes, as
// text lines: the plan a worker runs, that it is ready, each test as it starts,
// each failure as it happens and each test as it finishes, that it unloads the
// test library, and that it is done. A worker runs its steps in order, so the test
// it was in when it died is the first one it did not finish, and the failures it
// sent since its last finished test are that test's. WorkerPhases checks the order.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "run_plan.h"
#include "worker_contract.h"

namespace run {

// What the worker is to run: the protocol's version it is written in, the registry
// it must find (see RegistryIndex::Fingerprint), whether it stops after its first failed
// test, and the steps.
struct WorkerPlan {
    uint32_t version = kProtocolVersion;
    std::string fingerprint;
    bool failFast = false;
    std::vector<Step> steps;
};

std::string EncodePlan(const WorkerPlan &plan);
bool DecodePlan(const std::string &text, WorkerPlan &plan);
// The version a plan is written in, read before the rest, whose lines may mean
// other things in another version; 0 when it names none.
uint32_t PlanVersion(const std::string &text);

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
    // Where the test's output ended in the worker's capture file; 0 without one.
    uint64_t outputEnd = 0;
    std::string output;  // the test's output, read by the runner from that file
};

struct WorkerMessage {
    enum class Kind { Started, Ready, TestStarted, Failure, TestFinished, Unloading, Done, Refused };
    Kind kind = Kind::Ready;
    uint32_t version = 0;     // Started: the worker's protocol version
    TestRef test;             // TestStarted
    std::string reason;       // Refused
    ReportedFailure failure;  // Failure
    TestReport report;        // TestFinished, without its failures
};

// One line each, ending in '\n'; names and messages keep every byte.
// The worker runs, before it loads the test library: starting a process is slow
// under some systems, and no part of a test's time. The runner sends the plan then.
std::string EncodeStarted(uint32_t version = kProtocolVersion);
std::string EncodeReady();
// The test's setups ran and it is about to be called: a test that hangs is known.
std::string EncodeTestStarted(const TestRef &test);
// Every step given ran, or the worker stopped after a failure as its plan asked,
// and it unloads the test library.
std::string EncodeUnloading();
// The test library is unloaded.
std::string EncodeDone();
// The worker cannot run the plan; the reason is for the user.
std::string EncodeRefused(const std::string &reason);
std::string EncodeFailure(const ReportedFailure &failure);
std::string EncodeTestFinished(const TestReport &report);
bool DecodeMessage(const std::string &line, WorkerMessage &message);

// Decodes one line after another, as DecodeMessage, keeping the room its fields took
// from one line to the next: a worker sends two lines a test.
class MessageDecoder {
public:
    MessageDecoder();
    ~MessageDecoder();
    MessageDecoder(MessageDecoder &&) noexcept;
    MessageDecoder &operator=(MessageDecoder &&) noexcept;

    bool Decode(const std::string &line, WorkerMessage &message);

private:
    struct Fields;
    bool DecodeFailure(WorkerMessage &message) const;

    std::unique_ptr<Fields> fields_;
};

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
