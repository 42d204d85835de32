#include "worker_protocol.h"

#include <charconv>
#include <cstring>
#include <string_view>
#include <system_error>

namespace run {
namespace {

// Each byte a field writes escaped, and the byte written after its backslash.
constexpr struct {
    char byte;
    char escape;
} kEscapes[] = {{'\\', '\\'}, {'\t', 't'}, {'\n', 'n'}, {'\r', 'r'}};

// The byte a field's own byte is written as after a backslash; 0 for a byte written as it is.
char EscapeOf(char byte) {
    for (const auto &each : kEscapes) {
        if (each.byte == byte) {
            return each.escape;
        }
    }
    return 0;
}

// Whether the bytes hold one that is written escaped: most fields hold none, and are
// then copied whole after a few searches over them.
bool HoldsSpecial(const char *bytes, size_t size) {
    for (const auto &each : kEscapes) {
        if (std::memchr(bytes, each.byte, size) != nullptr) {
            return true;
        }
    }
    return false;
}

// Fields are separated by tabs; a field's own tabs, line ends and backslashes are
// written as backslash escapes. A worker writes a few fields a test, and a test's
// file name is most of its line.
void AppendField(std::string &out, const std::string &field) {
    out += '\t';
    if (!HoldsSpecial(field.data(), field.size())) {
        out += field;
        return;
    }
    size_t start = 0;
    for (size_t i = 0; i < field.size(); ++i) {
        const char escape = EscapeOf(field[i]);
        if (escape == 0) {
            continue;
        }
        out.append(field, start, i - start);
        out += '\\';
        out += escape;
        start = i + 1;
    }
    out.append(field, start, std::string::npos);
}

void AppendNumber(std::string &out, uint64_t number) {
    char digits[24];
    // By count: a range of pointers would be appended through the string's general replace.
    const std::to_chars_result written = std::to_chars(digits, digits + sizeof digits, number);
    out.append(digits, static_cast<size_t>(written.ptr - digits));
}

// The byte an escape stands for; 0 for no escape.
char Unescaped(char escape) {
    for (const auto &each : kEscapes) {
        if (each.escape == escape) {
            return each.byte;
        }
    }
    return 0;
}

// The fields of one line: views of the line itself, but for a field that holds an
// escape, which views its text with the escapes undone. A decoder keeps them from one
// line to the next, so that a worker's lines cost no allocation.
struct FieldsOf {
    std::vector<std::string_view> views;
    std::vector<std::string> unescaped;  // by field, for the fields that held escapes
    size_t count = 0;

    size_t size() const { return count; }
    std::string_view operator[](size_t i) const { return views[i]; }
};

bool Unescape(std::string_view text, std::string &field) {
    field.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            field += text[i];
            continue;
        }
        const char byte = ++i < text.size() ? Unescaped(text[i]) : 0;
        if (byte == 0) {
            return false;
        }
        field += byte;
    }
    return true;
}

// Each field is found with one search for its tab and one for a backslash in it. The
// views of unescaped texts are taken last, once their strings no longer move.
bool SplitFields(const char *line, size_t size, FieldsOf &fields) {
    fields.count = 0;
    bool escapes = false;
    const char *const end = line + size;
    for (const char *start = line;;) {
        const char *tab = static_cast<const char *>(std::memchr(start, '\t', static_cast<size_t>(end - start)));
        const std::string_view text(start, static_cast<size_t>((tab != nullptr ? tab : end) - start));
        if (fields.count == fields.views.size()) {
            fields.views.emplace_back();
        }
        fields.views[fields.count] = text;
        // A view with no text marks a field whose unescaped text is viewed at the end.
        if (std::memchr(text.data(), '\\', text.size()) != nullptr) {
            if (fields.unescaped.size() <= fields.count) {
                fields.unescaped.resize(fields.count + 1);
            }
            if (!Unescape(text, fields.unescaped[fields.count])) {
                return false;
            }
            fields.views[fields.count] = std::string_view();
            escapes = true;
        }
        ++fields.count;
        if (tab == nullptr) {
            break;
        }
        start = tab + 1;
    }
    for (size_t i = 0; escapes && i < fields.count; ++i) {
        if (fields.views[i].data() == nullptr) {
            fields.views[i] = fields.unescaped[i];
        }
    }
    return true;
}

bool SplitFields(const std::string &line, FieldsOf &fields) { return SplitFields(line.data(), line.size(), fields); }

// Digits only, at most maxDigits of them: no sign, no space.
template <typename Number>
bool ToDigits(const char *begin, const char *end, size_t maxDigits, Number &value) {
    if (begin == end || static_cast<size_t>(end - begin) > maxDigits) {
        return false;
    }
    const std::from_chars_result read = std::from_chars(begin, end, value);
    return read.ec == std::errc() && read.ptr == end;
}

bool ToNumber(std::string_view text, unsigned long &value) {
    return ToDigits(text.data(), text.data() + text.size(), 9, value);
}

// An offset in a capture file may pass any count of tests or steps.
bool ToOffset(std::string_view text, uint64_t &value) {
    return ToDigits(text.data(), text.data() + text.size(), 19, value);
}

bool ToRef(std::string_view batch, std::string_view test, TestRef &ref) {
    unsigned long b = 0, t = 0;
    if (!ToNumber(batch, b) || !ToNumber(test, t)) {
        return false;
    }
    ref.batch = static_cast<uint32_t>(b);
    ref.test = static_cast<uint32_t>(t);
    return true;
}

void AppendRef(std::string &out, const TestRef &test) {
    out += '\t';
    AppendNumber(out, test.batch);
    out += '\t';
    AppendNumber(out, test.test);
}

bool DecodeStep(const FieldsOf &fields, Step &step) {
    if (fields.size() % 2 == 0 || fields.size() < 3 || (step.alone && fields.size() != 3)) {
        return false;
    }
    step.tests.reserve(fields.size() / 2);
    for (size_t i = 1; i < fields.size(); i += 2) {
        TestRef test;
        if (!ToRef(fields[i], fields[i + 1], test)) {
            return false;
        }
        step.tests.push_back(test);
    }
    return true;
}

void AppendChecks(std::string &out, const std::vector<ReportedCheck> &checks) {
    out += '\t';
    for (size_t i = 0; i < checks.size(); ++i) {
        if (i > 0) {
            out += ' ';
        }
        switch (checks[i].kind) {
        case CheckKind::Passes:
            out += 'p';
            AppendNumber(out, checks[i].passes);
            break;
        case CheckKind::Failure:
            out += 'f';
            break;
        case CheckKind::Started:
            out += 's';
            break;
        case CheckKind::Skipped:
            out += 'k';
            break;
        }
    }
}

bool DecodeCheck(const char *begin, const char *end, std::vector<ReportedCheck> &checks) {
    const size_t size = static_cast<size_t>(end - begin);
    unsigned long passes = 0;
    if (size == 1 && (*begin == 'f' || *begin == 's' || *begin == 'k')) {
        checks.push_back(
            {*begin == 'f' ? CheckKind::Failure : (*begin == 's' ? CheckKind::Started : CheckKind::Skipped), 0});
        return true;
    }
    if (size > 1 && *begin == 'p' && ToDigits(begin + 1, end, 9, passes)) {
        checks.push_back({CheckKind::Passes, static_cast<uint32_t>(passes)});
        return true;
    }
    return false;
}

bool DecodeChecks(std::string_view text, std::vector<ReportedCheck> &checks) {
    const char *const end = text.data() + text.size();
    for (const char *token = text.data(); token < end;) {
        const char *tokenEnd = token;
        while (tokenEnd < end && *tokenEnd != ' ') {
            ++tokenEnd;
        }
        if (!DecodeCheck(token, tokenEnd, checks)) {
            return false;
        }
        token = tokenEnd + 1;
    }
    return true;
}

// The time is read as the worker wrote it, whatever this process's locale says.
bool ToSeconds(std::string_view text, double &seconds) {
    const char *const end = text.data() + text.size();
    const std::from_chars_result read = std::from_chars(text.data(), end, seconds);
    return read.ec == std::errc() && read.ptr == end;
}

bool DecodeTestFinished(const FieldsOf &fields, TestReport &report) {
    if (fields.size() != 8 || !ToRef(fields[1], fields[2], report.test) || !ToSeconds(fields[3], report.seconds)) {
        return false;
    }
    report.fileName = fields[4];
    report.skipReason = fields[6];
    return DecodeChecks(fields[5], report.checks) && ToOffset(fields[7], report.outputEnd);
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
            AppendRef(text, test);
        }
        text += '\n';
    }
    return text;
}

// The plan is read in place, line by line: a worker reads one that names every test
// it runs.
bool DecodePlan(const std::string &text, WorkerPlan &plan) {
    plan = WorkerPlan();
    FieldsOf fields;
    bool versioned = false;
    for (size_t start = 0, end = 0; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        if (!SplitFields(text.data() + start, end - start, fields)) {
            return false;
        }
        unsigned long version = 0;
        if (fields[0] == "V" && fields.size() == 3 && !versioned && ToNumber(fields[1], version)) {
            plan.version = static_cast<uint32_t>(version);
            plan.fingerprint = std::string(fields[2]);
            versioned = true;
        } else if (fields[0] == "X" && fields.size() == 2 && fields[1] == "fail-fast") {
            plan.failFast = true;
        } else if (fields[0] == "A" || fields[0] == "B") {
            plan.steps.emplace_back();
            plan.steps.back().alone = fields[0] == "A";
            if (!DecodeStep(fields, plan.steps.back())) {
                return false;
            }
        } else {
            return false;
        }
    }
    return versioned;
}

uint32_t PlanVersion(const std::string &text) {
    const size_t end = text.find('\n');
    FieldsOf fields;
    unsigned long version = 0;
    if (end == std::string::npos || !SplitFields(text.data(), end, fields) || fields.size() < 2 || fields[0] != "V" ||
        !ToNumber(fields[1], version)) {
        return 0;
    }
    return static_cast<uint32_t>(version);
}

std::string EncodeStarted(uint32_t version) { return "S\t" + std::to_string(version) + "\n"; }

std::string EncodeReady() { return "R\n"; }

std::string EncodeTestStarted(const TestRef &test) {
    std::string line = "G";
    AppendRef(line, test);
    return line + '\n';
}

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

// One block for the whole line, written in place.
std::string EncodeTestFinished(const TestReport &report) {
    std::string line;
    line.reserve(64 + report.fileName.size() + report.skipReason.size() + 8 * report.checks.size());
    line += 'T';
    AppendRef(line, report.test);
    // The shortest text that reads back as the same time, without printf's cost.
    char seconds[40];
    const std::to_chars_result written = std::to_chars(seconds, seconds + sizeof seconds, report.seconds);
    line += '\t';
    line.append(seconds, static_cast<size_t>(written.ptr - seconds));
    AppendField(line, report.fileName);
    AppendChecks(line, report.checks);
    AppendField(line, report.skipReason);
    line += '\t';
    AppendNumber(line, report.outputEnd);
    line += '\n';
    return line;
}

struct MessageDecoder::Fields : FieldsOf {};

MessageDecoder::MessageDecoder() : fields_(new Fields) {}

MessageDecoder::~MessageDecoder() = default;
MessageDecoder::MessageDecoder(MessageDecoder &&) noexcept = default;
MessageDecoder &MessageDecoder::operator=(MessageDecoder &&) noexcept = default;

bool MessageDecoder::Decode(const std::string &line, WorkerMessage &message) {
    message = WorkerMessage();
    const FieldsOf &fields = *fields_;
    if (!SplitFields(line, *fields_)) {
        return false;
    }
    const std::string_view kind = fields[0];
    if (kind.size() != 1) {
        return false;
    }
    switch (kind[0]) {
    case 'R':
    case 'U':
    case 'D':
        message.kind = kind[0] == 'R' ? WorkerMessage::Kind::Ready
                                      : (kind[0] == 'U' ? WorkerMessage::Kind::Unloading : WorkerMessage::Kind::Done);
        return fields.size() == 1;
    case 'S': {
        unsigned long version = 0;
        message.kind = WorkerMessage::Kind::Started;
        if (fields.size() != 2 || !ToNumber(fields[1], version)) {
            return false;
        }
        message.version = static_cast<uint32_t>(version);
        return true;
    }
    case 'G':
        message.kind = WorkerMessage::Kind::TestStarted;
        return fields.size() == 3 && ToRef(fields[1], fields[2], message.test);
    case 'E':
        message.kind = WorkerMessage::Kind::Refused;
        if (fields.size() != 2) {
            return false;
        }
        message.reason = fields[1];
        return true;
    case 'F':
        return DecodeFailure(message);
    case 'T':
        message.kind = WorkerMessage::Kind::TestFinished;
        return DecodeTestFinished(fields, message.report);
    default:
        return false;
    }
}

bool MessageDecoder::DecodeFailure(WorkerMessage &message) const {
    const FieldsOf &fields = *fields_;
    if (fields.size() != 4 && fields.size() != 5) {
        return false;
    }
    unsigned long number = 0;
    const bool negative = !fields[2].empty() && fields[2][0] == '-';
    const char *const digits = fields[2].data() + (negative ? 1 : 0);
    if (!ToDigits(digits, fields[2].data() + fields[2].size(), 9, number)) {
        return false;
    }
    message.kind = WorkerMessage::Kind::Failure;
    message.failure.file = fields[1];
    message.failure.line = static_cast<int32_t>(negative ? -static_cast<long>(number) : static_cast<long>(number));
    message.failure.message = fields[3];
    message.failure.crashDetails = fields.size() == 5 ? fields[4] : std::string_view();
    return true;
}

bool DecodeMessage(const std::string &line, WorkerMessage &message) { return MessageDecoder().Decode(line, message); }

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
