#include "worker_protocol.h"

#include <charconv>
#include <cstdlib>

namespace run {
namespace {

// Fields are separated by tabs; a field's own tabs, line ends and backslashes are
// written as backslash escapes. The runs between escapes are copied whole: a worker
// writes a few fields a test.
void AppendField(std::string &out, const std::string &field) {
    out += '\t';
    for (size_t start = 0;;) {
        const size_t special = field.find_first_of("\\\t\n\r", start);
        out.append(field, start, special == std::string::npos ? std::string::npos : special - start);
        if (special == std::string::npos) {
            return;
        }
        switch (field[special]) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            out += "\\r";
            break;
        }
        start = special + 1;
    }
}

// The fields' strings keep their room from one line to the next of a caller that
// keeps the vector, and the runs between escapes are copied whole.
bool SplitFields(const std::string &line, std::vector<std::string> &fields) {
    size_t count = 1;
    if (fields.empty()) {
        fields.emplace_back();
    }
    fields[0].clear();
    for (size_t i = 0;; ++i) {
        const size_t plain = line.find_first_of("\t\\", i);
        const size_t end = plain == std::string::npos ? line.size() : plain;
        fields[count - 1].append(line, i, end - i);
        i = end;
        if (i == line.size()) {
            break;
        }
        if (line[i] == '\t') {
            if (count == fields.size()) {
                fields.emplace_back();
            }
            fields[count++].clear();
            continue;
        }
        if (++i == line.size()) {
            return false;
        }
        switch (line[i]) {
        case '\\':
            fields[count - 1] += '\\';
            break;
        case 't':
            fields[count - 1] += '\t';
            break;
        case 'n':
            fields[count - 1] += '\n';
            break;
        case 'r':
            fields[count - 1] += '\r';
            break;
        default:
            return false;
        }
    }
    fields.resize(count);
    return true;
}

bool ToNumber(const std::string &text, unsigned long &value) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    value = std::strtoul(text.c_str(), nullptr, 10);
    return true;
}

// An offset in a capture file may pass any count of tests or steps.
bool ToOffset(const std::string &text, uint64_t &value) {
    if (text.empty() || text.size() > 19 || text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    value = std::strtoull(text.c_str(), nullptr, 10);
    return true;
}

bool ToRef(const std::string &batch, const std::string &test, TestRef &ref) {
    unsigned long b = 0, t = 0;
    if (!ToNumber(batch, b) || !ToNumber(test, t)) {
        return false;
    }
    ref.batch = static_cast<uint32_t>(b);
    ref.test = static_cast<uint32_t>(t);
    return true;
}

std::string RefFields(const TestRef &test) {
    return "\t" + std::to_string(test.batch) + "\t" + std::to_string(test.test);
}

bool DecodeStep(const std::vector<std::string> &fields, Step &step) {
    if (fields.size() % 2 == 0 || fields.size() < 3 || (step.alone && fields.size() != 3)) {
        return false;
    }
    for (size_t i = 1; i < fields.size(); i += 2) {
        TestRef test;
        if (!ToRef(fields[i], fields[i + 1], test)) {
            return false;
        }
        step.tests.push_back(test);
    }
    return true;
}

std::string EncodeChecks(const std::vector<ReportedCheck> &checks) {
    std::string text;
    for (const ReportedCheck &check : checks) {
        if (!text.empty()) {
            text += ' ';
        }
        switch (check.kind) {
        case CheckKind::Passes:
            text += "p" + std::to_string(check.passes);
            break;
        case CheckKind::Failure:
            text += 'f';
            break;
        case CheckKind::Started:
            text += 's';
            break;
        case CheckKind::Skipped:
            text += 'k';
            break;
        }
    }
    return text;
}

bool DecodeChecks(const std::string &text, std::vector<ReportedCheck> &checks) {
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(' ', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string token = text.substr(start, end - start);
        unsigned long passes = 0;
        if (token == "f") {
            checks.push_back({CheckKind::Failure, 0});
        } else if (token == "s") {
            checks.push_back({CheckKind::Started, 0});
        } else if (token == "k") {
            checks.push_back({CheckKind::Skipped, 0});
        } else if (token.size() > 1 && token[0] == 'p' && ToNumber(token.substr(1), passes)) {
            checks.push_back({CheckKind::Passes, static_cast<uint32_t>(passes)});
        } else {
            return false;
        }
        start = end + 1;
    }
    return true;
}

bool DecodeTestFinished(const std::vector<std::string> &fields, TestReport &report) {
    if (fields.size() != 8 || !ToRef(fields[1], fields[2], report.test)) {
        return false;
    }
    char *end = nullptr;
    report.seconds = std::strtod(fields[3].c_str(), &end);
    report.fileName = fields[4];
    report.skipReason = fields[6];
    return end != fields[3].c_str() && *end == '\0' && DecodeChecks(fields[5], report.checks) &&
           ToOffset(fields[7], report.outputEnd);
}

}  // namespace

std::string EncodePlan(const WorkerPlan &plan) {
    std::string text = "V";
    AppendField(text, std::to_string(plan.version));
    AppendField(text, plan.fingerprint);
    text += '\n';
    if (plan.failFast) {
        text += "X\tfail-fast\n";
    }
    for (const Step &step : plan.steps) {
        text += step.alone ? "A" : "B";
        for (const TestRef &test : step.tests) {
            text += RefFields(test);
        }
        text += '\n';
    }
    return text;
}

bool DecodePlan(const std::string &text, WorkerPlan &plan) {
    plan = WorkerPlan();
    LineSplitter lines;
    lines.Add(text.data(), text.size());
    std::string line;
    std::vector<std::string> fields;
    bool versioned = false;
    while (lines.Next(line)) {
        if (!SplitFields(line, fields)) {
            return false;
        }
        unsigned long version = 0;
        if (fields[0] == "V" && fields.size() == 3 && !versioned && ToNumber(fields[1], version)) {
            plan.version = static_cast<uint32_t>(version);
            plan.fingerprint = fields[2];
            versioned = true;
        } else if (fields[0] == "X" && fields.size() == 2 && fields[1] == "fail-fast") {
            plan.failFast = true;
        } else if (fields[0] == "A" || fields[0] == "B") {
            Step step;
            step.alone = fields[0] == "A";
            if (!DecodeStep(fields, step)) {
                return false;
            }
            plan.steps.push_back(step);
        } else {
            return false;
        }
    }
    return versioned;
}

uint32_t PlanVersion(const std::string &text) {
    const size_t end = text.find('\n');
    std::vector<std::string> fields;
    unsigned long version = 0;
    if (end == std::string::npos || !SplitFields(text.substr(0, end), fields) || fields.size() < 2 ||
        fields[0] != "V" || !ToNumber(fields[1], version)) {
        return 0;
    }
    return static_cast<uint32_t>(version);
}

std::string EncodeStarted(uint32_t version) { return "S\t" + std::to_string(version) + "\n"; }

std::string EncodeReady() { return "R\n"; }

std::string EncodeTestStarted(const TestRef &test) { return "G" + RefFields(test) + "\n"; }

std::string EncodeUnloading() { return "U\n"; }

std::string EncodeDone() { return "D\n"; }

std::string EncodeRefused(const std::string &reason) {
    std::string line = "E";
    AppendField(line, reason);
    return line + "\n";
}

std::string EncodeFailure(const ReportedFailure &failure) {
    std::string line = "F";
    AppendField(line, failure.file);
    AppendField(line, std::to_string(failure.line));
    AppendField(line, failure.message);
    // Only a crash has details, so only its line has their field.
    if (!failure.crashDetails.empty()) {
        AppendField(line, failure.crashDetails);
    }
    return line + "\n";
}

std::string EncodeTestFinished(const TestReport &report) {
    // The shortest text that reads back as the same time, without printf's cost.
    char seconds[40];
    const std::to_chars_result written = std::to_chars(seconds, seconds + sizeof seconds, report.seconds);
    std::string line = "T" + RefFields(report.test);
    AppendField(line, std::string(seconds, written.ptr));
    AppendField(line, report.fileName);
    AppendField(line, EncodeChecks(report.checks));
    AppendField(line, report.skipReason);
    AppendField(line, std::to_string(report.outputEnd));
    return line + "\n";
}

bool DecodeMessage(const std::string &line, WorkerMessage &message) {
    message = WorkerMessage();
    std::vector<std::string> fields;
    if (!SplitFields(line, fields)) {
        return false;
    }
    const std::string &kind = fields[0];
    if (kind == "R" || kind == "U" || kind == "D") {
        message.kind = kind == "R" ? WorkerMessage::Kind::Ready
                                   : (kind == "U" ? WorkerMessage::Kind::Unloading : WorkerMessage::Kind::Done);
        return fields.size() == 1;
    }
    unsigned long version = 0;
    if (kind == "S" && fields.size() == 2 && ToNumber(fields[1], version)) {
        message.kind = WorkerMessage::Kind::Started;
        message.version = static_cast<uint32_t>(version);
        return true;
    }
    if (kind == "G" && fields.size() == 3) {
        message.kind = WorkerMessage::Kind::TestStarted;
        return ToRef(fields[1], fields[2], message.test);
    }
    if (kind == "E" && fields.size() == 2) {
        message.kind = WorkerMessage::Kind::Refused;
        message.reason = fields[1];
        return true;
    }
    if (kind == "F" && (fields.size() == 4 || fields.size() == 5)) {
        unsigned long number = 0;
        const bool negative = !fields[2].empty() && fields[2][0] == '-';
        if (!ToNumber(negative ? fields[2].substr(1) : fields[2], number)) {
            return false;
        }
        message.kind = WorkerMessage::Kind::Failure;
        message.failure.file = fields[1];
        message.failure.line = static_cast<int32_t>(negative ? -static_cast<long>(number) : static_cast<long>(number));
        message.failure.message = fields[3];
        message.failure.crashDetails = fields.size() == 5 ? fields[4] : std::string();
        return true;
    }
    message.kind = WorkerMessage::Kind::TestFinished;
    return kind == "T" && DecodeTestFinished(fields, message.report);
}

bool LineSplitter::Next(std::string &line) {
    const size_t end = pending_.find('\n', start_);
    if (end == std::string::npos) {
        pending_.erase(0, start_);
        start_ = 0;
        return false;
    }
    line.assign(pending_, start_, end - start_);
    start_ = end + 1;
    return true;
}

}  // namespace run
