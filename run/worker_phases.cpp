// The table of what a worker may say in each phase, and the names a violation is
// reported with.
#include "worker_phases.h"

namespace run {
namespace {

// Long enough to recognise a line by, short enough for a failure message.
constexpr size_t kShownLine = 60;

std::string QuotedLine(const std::string &line) {
    std::string shown = "the line \"";
    for (size_t i = 0; i < line.size() && i < kShownLine; ++i) {
        const unsigned char byte = static_cast<unsigned char>(line[i]);
        if (byte == '\t') {
            shown += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            shown += '?';
        } else {
            shown += static_cast<char>(byte);
        }
    }
    return shown + (line.size() > kShownLine ? "...\"" : "\"");
}

std::string What(const WorkerMessage &message) {
    switch (message.kind) {
    case WorkerMessage::Kind::Started:
        return "a start";
    case WorkerMessage::Kind::Ready:
        return "\"ready\"";
    case WorkerMessage::Kind::TestStarted:
        return "a start of " + RefText(message.test);
    case WorkerMessage::Kind::Failure:
        return "a failure";
    case WorkerMessage::Kind::TestFinished:
        return "a report of " + RefText(message.report.test);
    case WorkerMessage::Kind::Unloading:
        return "\"unloading\"";
    case WorkerMessage::Kind::Done:
        return "\"done\"";
    case WorkerMessage::Kind::Refused:
        return "a refusal";
    }
    return "a line";
}

}  // namespace

std::string RefText(const TestRef &test) {
    return "test " + std::to_string(test.batch) + ":" + std::to_string(test.test);
}

WorkerPhases::WorkerPhases(const std::vector<Step> &steps, bool failFast) : failFast_(failFast) {
    for (const Step &step : steps) {
        for (size_t each = 0; each < step.tests.size(); ++each) {
            tests_.push_back(step.tests[each]);
            opensStep_.push_back(each == 0);
        }
    }
}

// The table: each state and the messages that may follow it. A failure between
// tests is the next test's setups'; a report may come without a start, for a test
// the worker ran without calling it.
bool WorkerPhases::Take(const std::string &line, WorkerMessage &message) {
    if (!decoder_.Decode(line, message)) {
        return Breaks(QuotedLine(line));
    }
    using Kind = WorkerMessage::Kind;
    const Kind kind = message.kind;
    switch (state_) {
    case WorkerState::Starting:
        if (kind == Kind::Started && message.version != kProtocolVersion) {
            violation_ = "a worker of protocol version " + std::to_string(message.version) +
                         " answered a runner of version " + std::to_string(kProtocolVersion);
            return false;
        }
        if (kind == Kind::Started) {
            state_ = WorkerState::Loading;
            return true;
        }
        break;
    case WorkerState::Loading:
        if (kind == Kind::Ready || kind == Kind::Refused) {
            state_ = kind == Kind::Ready ? WorkerState::BetweenTests : WorkerState::Refused;
            return true;
        }
        break;
    case WorkerState::BetweenTests:
    case WorkerState::InSetups:
    case WorkerState::InTest:
        if (kind == Kind::Failure && (state_ != WorkerState::BetweenTests || HasNext())) {
            state_ = state_ == WorkerState::InTest ? WorkerState::InTest : WorkerState::InSetups;
            return true;
        }
        if (kind == Kind::TestStarted && state_ != WorkerState::InTest && IsNext(message.test)) {
            state_ = WorkerState::InTest;
            return true;
        }
        if (kind == Kind::TestFinished && IsNext(message.report.test)) {
            ++next_;
            state_ = WorkerState::BetweenTests;
            return true;
        }
        if (kind == Kind::Unloading && state_ == WorkerState::BetweenTests && (!HasNext() || failFast_)) {
            state_ = WorkerState::Unloading;
            return true;
        }
        break;
    case WorkerState::Unloading:
        if (kind == Kind::Done) {
            state_ = WorkerState::Done;
            return true;
        }
        break;
    case WorkerState::Done:
    case WorkerState::Refused:
        break;
    }
    return Breaks(What(message));
}

Phase WorkerPhases::NextPhase() const {
    if (state_ == WorkerState::InTest) {
        return Phase::Test;
    }
    return HasNext() && opensStep_[next_] ? Phase::BatchSetup : Phase::TestSetup;
}

bool WorkerPhases::Breaks(const std::string &what) {
    violation_ = what + " came " + Where();
    return false;
}

std::string WorkerPhases::Where() const {
    switch (state_) {
    case WorkerState::Starting:
        return "before the worker said it started";
    case WorkerState::Loading:
        return "while it loaded the test library";
    case WorkerState::BetweenTests:
        return HasNext() ? "before " + RefText(Next()) : "after its last test";
    case WorkerState::InSetups:
        return "in the setups of " + RefText(Next());
    case WorkerState::InTest:
        return "in " + RefText(Next());
    case WorkerState::Unloading:
        return "while it unloaded the test library";
    case WorkerState::Done:
        return "after it said it was done";
    case WorkerState::Refused:
        return "after it refused the plan";
    }
    return "";
}

}  // namespace run
