#include "worker_protocol.h"

#include <cstdio>
#include <cstdlib>

namespace console {
namespace {

// Fields are separated by tabs; a field's own tabs, line ends and backslashes are
// written as backslash escapes.
void AppendField(std::string &out, const std::string &field) {
    out += '\t';
    for (const char character : field) {
        switch (character) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += character;
        }
    }
}

bool SplitFields(const std::string &line, std::vector<std::string> &fields) {
    fields.assign(1, std::string());
    for (size_t i = 0; i < line.size(); ++i) {
        const char character = line[i];
        if (character == '\t') {
            fields.emplace_back();
        } else if (character != '\\') {
            fields.back() += character;
        } else if (++i == line.size()) {
            return false;
        } else {
            switch (line[i]) {
            case '\\':
                fields.back() += '\\';
                break;
            case 't':
                fields.back() += '\t';
                break;
            case 'n':
                fields.back() += '\n';
                break;
            case 'r':
                fields.back() += '\r';
                break;
            default:
                return false;
            }
        }
    }
    return true;
}

bool ToNumber(const std::string &text, unsigned long &value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    value = std::strtoul(text.c_str(), nullptr, 10);
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

}  // namespace

std::string EncodeSteps(const std::vector<Step> &steps) {
    std::string text;
    for (const Step &step : steps) {
        text += step.alone ? "A" : "B";
        for (const TestRef &test : step.tests) {
            text += RefFields(test);
        }
        text += '\n';
    }
    return text;
}

bool DecodeSteps(const std::string &text, std::vector<Step> &steps) {
    steps.clear();
    LineSplitter lines;
    lines.Add(text.data(), text.size());
    std::string line;
    std::vector<std::string> fields;
    while (lines.Next(line)) {
        if (!SplitFields(line, fields) || (fields[0] != "A" && fields[0] != "B") || fields.size() % 2 == 0 ||
            fields.size() < 3) {
            return false;
        }
        Step step;
        step.alone = fields[0] == "A";
        for (size_t i = 1; i < fields.size(); i += 2) {
            TestRef test;
            if (!ToRef(fields[i], fields[i + 1], test)) {
                return false;
            }
            step.tests.push_back(test);
        }
        steps.push_back(step);
    }
    return true;
}

std::string EncodeReady() { return "R\n"; }

std::string EncodeFinished(const TestRef &test, const TestRecord &record) {
    char seconds[40];
    std::snprintf(seconds, sizeof seconds, "%.17g", record.seconds);
    std::string line = "F" + RefFields(test);
    AppendField(line, record.outcome == Outcome::Passed ? "1" : "0");
    AppendField(line, seconds);
    for (const FailureRecord &failure : record.failures) {
        AppendField(line, failure.file);
        AppendField(line, std::to_string(failure.line));
        AppendField(line, failure.crash ? "1" : "0");
        AppendField(line, failure.message);
    }
    return line + "\n";
}

bool DecodeReport(const std::string &line, WorkerReport &report) {
    std::vector<std::string> fields;
    report = WorkerReport();
    if (line == "R") {
        return true;
    }
    if (!SplitFields(line, fields) || fields.size() < 3 || !ToRef(fields[1], fields[2], report.test)) {
        return false;
    }
    if (fields[0] != "F" || fields.size() < 5 || (fields.size() - 5) % 4 != 0) {
        return false;
    }
    report.finished = true;
    report.record.outcome = fields[3] == "1" ? Outcome::Passed : Outcome::Failed;
    char *end = nullptr;
    report.record.seconds = std::strtod(fields[4].c_str(), &end);
    if (end == fields[4].c_str() || *end != '\0') {
        return false;
    }
    for (size_t i = 5; i < fields.size(); i += 4) {
        FailureRecord failure;
        failure.file = fields[i];
        failure.line = static_cast<int32_t>(std::strtol(fields[i + 1].c_str(), nullptr, 10));
        failure.crash = fields[i + 2] == "1";
        failure.message = fields[i + 3];
        report.record.failures.push_back(failure);
    }
    return true;
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

}  // namespace console
