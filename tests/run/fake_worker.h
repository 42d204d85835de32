// Worker processes that are not real, for the pool and the remote run: each answers
// the plan it is sent as a table of tests says, and can end or hang in a test.
#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "worker_pool.h"
#include "worker_protocol.h"

namespace fake {

// What the fake workers say of a crash they caught.
constexpr const char kCrashDetails[] =
    "exception 0xC0000005 (EXCEPTION_ACCESS_VIOLATION) at t.dll+0x10: write "
    "to address 0x0000000000000000";

struct Behaviour {
    // A skip in a setup comes before the test was called, else after it. Crash: a
    // crash the worker caught, then a failure in the tear-down. HangInSetup: a
    // failure in a setup, then a hang before the test is called. Closes: the worker
    // closes its pipe in the test and lives on. WrongReport: the report names the
    // test after it. FailsFirst: fails in the first worker given the test, passes
    // in later ones.
    enum class Kind {
        Pass,
        Fail,
        Crash,
        Die,
        Hang,
        HangInSetup,
        Closes,
        SkipInSetup,
        SkipInTest,
        WrongReport,
        FailsFirst
    };
    Kind kind = Kind::Pass;
    uint32_t exitCode = 0;  // Die
};

// What the fake workers of one test share: how each test behaves, the plans they
// were sent, and how often one was killed after it was waited for.
struct Scene {
    std::map<std::pair<uint32_t, uint32_t>, Behaviour> behaviours;
    std::string refusal;        // sent instead of Ready when set
    bool hangsAtStart = false;  // says nothing, and does not end until killed
    std::string firstLine;      // said instead of the start, when set
    bool writesOutput = false;  // each test writes "batch.test\n" into its worker's capture file
    int refusedStarts = 0;      // starts the system refuses before it carries one out
    // Called as the pool waits for a worker; its end is known to the worker by then.
    std::function<void()> beforeWait;
    std::mutex mutex;
    std::vector<run::WorkerPlan> plans;
    int killsAfterWait = 0;
    int killsOfEnded = 0;  // kills that found the worker ended, not yet waited for
    int quiet = 0;         // times the pool read everything a worker said so far

    // Waits until the pool read all a worker said, and armed its watch for what follows.
    void AwaitQuiet() {
        for (int wait = 0; wait < 10000; ++wait) {
            {
                std::lock_guard<std::mutex> lock(mutex);
                if (quiet > 0) {
                    return;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    Behaviour Of(const run::TestRef &test) {
        const auto found = behaviours.find({test.batch, test.test});
        Behaviour behaviour = found != behaviours.end() ? found->second : Behaviour();
        if (behaviour.kind == Behaviour::Kind::FailsFirst) {
            behaviour.kind = PlansHolding(test) > 1 ? Behaviour::Kind::Pass : Behaviour::Kind::Fail;
        }
        return behaviour;
    }

    size_t PlansHolding(const run::TestRef &test) {
        std::lock_guard<std::mutex> lock(mutex);
        size_t holding = 0;
        for (const run::WorkerPlan &plan : plans) {
            const std::vector<run::TestRef> tests = run::TestsInOrder(plan.steps);
            holding += std::find(tests.begin(), tests.end(), test) != tests.end() ? 1 : 0;
        }
        return holding;
    }
};

// A worker's capture file, written whole before the pool reads a line of it.
class CaptureFile final : public run::CaptureFile {
public:
    uint64_t End() override {
        std::lock_guard<std::mutex> lock(mutex_);
        return bytes_.size();
    }
    std::string Read(uint64_t offset, size_t count) override {
        std::lock_guard<std::mutex> lock(mutex_);
        return bytes_.substr(static_cast<size_t>(offset), count);
    }
    uint64_t Write(const run::TestRef &test) {
        std::lock_guard<std::mutex> lock(mutex_);
        bytes_ += std::to_string(test.batch) + "." + std::to_string(test.test) + "\n";
        return bytes_.size();
    }

private:
    std::mutex mutex_;
    std::string bytes_;
};

class Worker final : public run::WorkerProcess {
public:
    explicit Worker(Scene &scene) : scene_(scene) {
        if (scene.hangsAtStart) {
            hangs_ = true;
        } else {
            output_ = scene.firstLine.empty() ? run::EncodeStarted() : scene.firstLine + "\n";
        }
    }

    bool SendAll(const std::string &bytes) override {
        run::WorkerPlan plan;
        if (!run::DecodePlan(bytes, plan)) {
            return false;
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (killed_) {
                return false;
            }
        }
        {
            std::lock_guard<std::mutex> lock(scene_.mutex);
            scene_.plans.push_back(plan);
        }
        Script(plan);
        return true;
    }

    size_t Receive(char *buffer, size_t size) override {
        std::unique_lock<std::mutex> lock(mutex_);
        if (output_.empty()) {
            std::lock_guard<std::mutex> sceneLock(scene_.mutex);
            ++scene_.quiet;
        }
        if (output_.empty() && hangs_) {
            changed_.wait(lock, [this] { return killed_; });
        }
        const size_t count = output_.size() < size ? output_.size() : size;
        output_.copy(buffer, count);
        output_.erase(0, count);
        return count;
    }

    bool Kill() override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (waited_ || !lives_) {
            std::lock_guard<std::mutex> sceneLock(scene_.mutex);
            ++(waited_ ? scene_.killsAfterWait : scene_.killsOfEnded);
            return false;
        }
        // Killed before its plan came, it runs none of it.
        const bool alive = !killed_;
        killed_ = true;
        output_.clear();
        changed_.notify_all();
        return alive;
    }

    run::CaptureFile *Output() override { return scene_.writesOutput ? &file_ : nullptr; }

    run::ProcessEnd Wait() override {
        if (scene_.beforeWait) {
            scene_.beforeWait();
        }
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return !lives_ || killed_; });
        waited_ = true;
        run::ProcessEnd end;
        end.code = killed_ ? 1 : exitCode_;
        return end;
    }

private:
    // The lines the worker writes before it ends or hangs.
    void Script(const run::WorkerPlan &plan) {
        std::string lines;
        if (!scene_.refusal.empty()) {
            End(lines + run::EncodeRefused(scene_.refusal), 2, false, false);
            return;
        }
        lines += run::EncodeReady();
        const std::vector<run::TestRef> tests = run::TestsInOrder(plan.steps);
        for (size_t each = 0; each < tests.size(); ++each) {
            const run::TestRef &test = tests[each];
            const Behaviour behaviour = scene_.Of(test);
            using Kind = Behaviour::Kind;
            if (behaviour.kind != Kind::HangInSetup) {
                lines += run::EncodeTestStarted(test);
            }
            const uint64_t outputEnd = scene_.writesOutput ? file_.Write(test) : 0;
            if (behaviour.kind == Kind::Die || behaviour.kind == Kind::Hang || behaviour.kind == Kind::HangInSetup ||
                behaviour.kind == Kind::Closes) {
                lines += run::EncodeFailure({"test.c", 5, "found before it ended", ""});
                End(lines, behaviour.exitCode, behaviour.kind == Kind::Hang || behaviour.kind == Kind::HangInSetup,
                    behaviour.kind != Kind::Die);
                return;
            }
            const run::TestRef reported =
                behaviour.kind == Kind::WrongReport && each + 1 < tests.size() ? tests[each + 1] : test;
            lines += Finished(reported, behaviour.kind, outputEnd);
            if (behaviour.kind == Kind::Fail && plan.failFast) {
                break;
            }
        }
        End(lines + run::EncodeUnloading() + run::EncodeDone(), 0, false, false);
    }

    static std::string Finished(const run::TestRef &test, Behaviour::Kind kind, uint64_t outputEnd) {
        run::TestReport report;
        report.test = test;
        report.outputEnd = outputEnd;
        report.seconds = 0.25;
        report.fileName = "test.c";
        report.checks = {{run::CheckKind::Passes, 2}, {run::CheckKind::Started, 0}, {run::CheckKind::Passes, 1}};
        if (kind == Behaviour::Kind::SkipInSetup) {
            report.checks = {{run::CheckKind::Passes, 2}, {run::CheckKind::Skipped, 0}, {run::CheckKind::Started, 0}};
        } else if (kind == Behaviour::Kind::SkipInTest) {
            report.checks.push_back({run::CheckKind::Skipped, 0});
        }
        if (kind == Behaviour::Kind::SkipInSetup || kind == Behaviour::Kind::SkipInTest) {
            report.skipReason = "no printer";
        }
        std::string lines;
        if (kind == Behaviour::Kind::Crash) {
            report.checks.push_back({run::CheckKind::Failure, 0});
            lines += run::EncodeFailure({"", 0, "A crash was detected in the unit test function", kCrashDetails});
        }
        if (kind == Behaviour::Kind::Fail || kind == Behaviour::Kind::Crash) {
            report.checks.push_back({run::CheckKind::Failure, 0});
            lines += run::EncodeFailure({"helper.c", 9, "it failed", ""});
        }
        return lines + run::EncodeTestFinished(report);
    }

    // What the worker wrote, and whether it then says no more and lives on.
    void End(const std::string &lines, uint32_t exitCode, bool hangs, bool lives) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (killed_) {
            return;
        }
        output_ += lines;
        exitCode_ = exitCode;
        hangs_ = hangs;
        lives_ = lives;
        changed_.notify_all();
    }

    Scene &scene_;
    CaptureFile file_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string output_;
    bool hangs_ = false;  // says nothing more until killed
    bool lives_ = true;   // ends only when killed; until its plan came, or for good
    bool killed_ = false;
    bool waited_ = false;
    uint32_t exitCode_ = 0;
};

inline run::WorkerStarter Starter(Scene &scene) {
    return [&scene]() -> std::unique_ptr<run::WorkerProcess> {
        {
            std::lock_guard<std::mutex> lock(scene.mutex);
            if (scene.refusedStarts > 0) {
                --scene.refusedStarts;
                return nullptr;
            }
        }
        return std::unique_ptr<run::WorkerProcess>(new Worker(scene));
    };
}

}  // namespace fake
