// The run layer's texts and limits as plain data: the protocol's lines, how a
// process ended, and limits too long for the clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "process_end.h"
#include "watch_clock.h"
#include "worker_phases.h"
#include "worker_protocol.h"

namespace {

using run::TestRef;

TEST(WorkerProtocol, PlansAndReportsSurviveThePipeByteForByte) {
    run::WorkerPlan plan;
    plan.fingerprint = "3:00ff";
    plan.failFast = true;
    plan.steps = {{false, {{0, 1}, {0, 3}}}, {true, {{4, 0}}}};
    run::WorkerPlan decoded;
    ASSERT_TRUE(run::DecodePlan(run::EncodePlan(plan), decoded));
    EXPECT_EQ("3:00ff", decoded.fingerprint);
    EXPECT_EQ(run::kProtocolVersion, decoded.version);
    EXPECT_EQ(run::kProtocolVersion, run::PlanVersion(run::EncodePlan(plan)));
    EXPECT_TRUE(decoded.failFast);
    ASSERT_EQ(2u, decoded.steps.size());
    EXPECT_EQ(plan.steps[0].tests, decoded.steps[0].tests);
    EXPECT_TRUE(decoded.steps[1].alone);

    std::string everyByte;
    for (int byte = 1; byte < 256; ++byte) {
        everyByte += static_cast<char>(byte);
    }
    run::TestReport report;
    report.test = {3, 7};
    report.seconds = 0.125;
    report.fileName = "dir\\file.c";
    report.checks = {{run::CheckKind::Passes, 12},
                     {run::CheckKind::Failure, 0},
                     {run::CheckKind::Started, 0},
                     {run::CheckKind::Skipped, 0}};
    report.skipReason = everyByte;
    report.outputEnd = 12345678901234ull;
    const std::string stream =
        run::EncodeReady() + run::EncodeFailure({"a\tb.c", -1, everyByte + "\\t", ""}) +
        run::EncodeTestFinished(report) + run::EncodeFailure({"", 0, "crash", "at t.dll+0x1\t\n" + everyByte}) +
        run::EncodeDone() + run::EncodeStarted(7) + run::EncodeTestStarted({2, 9}) + run::EncodeUnloading();
    EXPECT_EQ(8, std::count(stream.begin(), stream.end(), '\n'));

    // Delivered in pieces, as a pipe may.
    run::LineSplitter lines;
    for (char byte : stream) {
        lines.Add(&byte, 1);
    }
    std::string line;
    run::WorkerMessage message;
    std::vector<run::WorkerMessage> messages;
    while (lines.Next(line)) {
        ASSERT_TRUE(run::DecodeMessage(line, message)) << line;
        messages.push_back(message);
    }
    ASSERT_EQ(8u, messages.size());
    EXPECT_EQ(run::WorkerMessage::Kind::Ready, messages[0].kind);
    EXPECT_EQ("a\tb.c", messages[1].failure.file);
    EXPECT_EQ(-1, messages[1].failure.line);
    EXPECT_EQ(everyByte + "\\t", messages[1].failure.message);
    EXPECT_EQ("", messages[1].failure.crashDetails);
    EXPECT_EQ((TestRef{3, 7}), messages[2].report.test);
    EXPECT_EQ(0.125, messages[2].report.seconds);
    EXPECT_EQ("dir\\file.c", messages[2].report.fileName);
    EXPECT_EQ(report.checks, messages[2].report.checks);
    EXPECT_EQ(everyByte, messages[2].report.skipReason);
    EXPECT_EQ(12345678901234ull, messages[2].report.outputEnd);
    EXPECT_EQ("crash", messages[3].failure.message);
    EXPECT_EQ("at t.dll+0x1\t\n" + everyByte, messages[3].failure.crashDetails);
    EXPECT_EQ(run::WorkerMessage::Kind::Done, messages[4].kind);
    EXPECT_EQ(run::WorkerMessage::Kind::Started, messages[5].kind);
    EXPECT_EQ(7u, messages[5].version);
    EXPECT_EQ(run::WorkerMessage::Kind::TestStarted, messages[6].kind);
    EXPECT_EQ((TestRef{2, 9}), messages[6].test);
    EXPECT_EQ(run::WorkerMessage::Kind::Unloading, messages[7].kind);

    for (const char *bad :
         {"", "X\t1", "T\t1", "T\t1\tx\t0.5\tf\t\t", "T\t1\t2\t0.5\tf\tq\t\t0", "T\t1\t2\t0.5\tf\tk",
          "T\t1\t2\t0.5\tf\tp1\t\t-1", "F\tf\t1", "F\tf\t1\tm\td\te", "R\t1", "F\\", "S", "S\tx", "G\t1", "U\t1"}) {
        EXPECT_FALSE(run::DecodeMessage(bad, message)) << bad;
    }
    EXPECT_FALSE(run::DecodePlan("B\t1\n", decoded));
    EXPECT_FALSE(run::DecodePlan("V\tx\nQ\t1\t2\n", decoded));
    EXPECT_FALSE(run::DecodePlan("A\t1\t2\n", decoded)) << "a plan without the registry it is for";
    EXPECT_EQ(0u, run::PlanVersion("A\t1\t2\n"));
    EXPECT_EQ(1u, run::PlanVersion("V\t1\tf\tsomething else\n")) << "read whatever follows";
}

// All a message holds, as one text, to compare two readings of a line.
std::string Described(const run::WorkerMessage &message) {
    std::ostringstream text;
    text.precision(17);
    text << static_cast<int>(message.kind) << '|' << message.version << '|' << run::RefText(message.test) << '|'
         << message.reason << '|' << message.failure.file << '|' << message.failure.line << '|'
         << message.failure.message << '|' << message.failure.crashDetails << '|' << run::RefText(message.report.test)
         << '|' << message.report.seconds << '|' << message.report.fileName << '|' << message.report.skipReason << '|'
         << message.report.outputEnd;
    for (const run::ReportedCheck &check : message.report.checks) {
        text << '|' << static_cast<int>(check.kind) << ':' << check.passes;
    }
    return text.str();
}

// A decoder keeps its fields' room from one line to the next: a line read after a
// longer one, after one with escapes in other fields, or after one it refused, reads
// as it does alone.
TEST(WorkerProtocol, ADecoderThatKeepsItsRoomReadsEachLineAsAlone) {
    run::TestReport escaped;
    escaped.test = {1, 2};
    escaped.seconds = 2.5e-7;
    escaped.fileName = "a\\b\tc.c";
    escaped.checks = {{run::CheckKind::Passes, 3}, {run::CheckKind::Started, 0}, {run::CheckKind::Skipped, 0}};
    escaped.skipReason = "why\nnot";
    escaped.outputEnd = 77;
    run::TestReport plain;
    plain.test = {1, 3};
    plain.fileName = "plain.c";
    const std::vector<std::string> lines = {run::EncodeTestFinished(escaped),
                                            run::EncodeTestStarted({1, 3}),
                                            "F\\x",
                                            run::EncodeTestFinished(plain),
                                            run::EncodeFailure({"f\tile", 4, "m", "crash\\here"}),
                                            run::EncodeFailure({"file", -4, "m\n", ""}),
                                            run::EncodeReady(),
                                            "T\t1",
                                            run::EncodeTestFinished(escaped)};
    run::MessageDecoder decoder;
    for (std::string line : lines) {
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
        }
        run::WorkerMessage alone, kept;
        const bool read = run::DecodeMessage(line, alone);
        EXPECT_EQ(read, decoder.Decode(line, kept)) << line;
        if (read) {
            EXPECT_EQ(Described(alone), Described(kept)) << line;
        }
    }
    run::WorkerMessage message;
    ASSERT_TRUE(decoder.Decode(lines[0].substr(0, lines[0].size() - 1), message));
    EXPECT_EQ(2.5e-7, message.report.seconds);
    EXPECT_EQ("a\\b\tc.c", message.report.fileName);
    EXPECT_EQ("why\nnot", message.report.skipReason);
}

TEST(ProcessEnd, EachEndIsNamed) {
    const struct {
        bool signalled;
        uint32_t code;
        const char *text;
    } ends[] = {
        {false, 3, "exit code 0x3"},
        {false, 0xC0000005u, "exception 0xC0000005 (access violation)"},
        {false, 0xC00000FDu, "exception 0xC00000FD (stack overflow)"},
        {false, 0xC0000374u, "exception 0xC0000374 (heap corruption)"},
        {false, 0xE06D7363u, "exception 0xE06D7363"},
        {true, 11, "signal 0xB (SIGSEGV)"},
        {true, 6, "signal 0x6 (SIGABRT)"},
    };
    for (const auto &check : ends) {
        EXPECT_EQ(std::string("The test process ended during this test: ") + check.text,
                  run::DescribeProcessEnd({check.signalled, check.code}));
    }
    EXPECT_EQ("Timed out after 1 second", run::TimeoutMessage(1));
    EXPECT_EQ("Timed out after 0.5 seconds", run::TimeoutMessage(0.5));
}

// A limit too long for the clock's nanoseconds waits about 31 years, instead of
// overflowing into no time at all.
TEST(WatchClock, LongLimitsNeverOverflow) {
    using std::chrono::duration_cast;
    using std::chrono::seconds;
    for (const double limit : {1.0, 1e9, 9223372000.0, 1e10, 1e300}) {
        const auto duration = run::LimitDuration(limit);
        EXPECT_GT(duration.count(), 0) << limit;
        EXPECT_EQ(duration_cast<seconds>(duration).count(), static_cast<long long>(std::min(limit, 1e9))) << limit;
    }
}

}  // namespace
