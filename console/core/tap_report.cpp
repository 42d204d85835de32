// Writing the TAP stream: test points, their directives and YAML blocks.
#include "tap_report.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "console_text.h"
#include "test_list_json.h"

namespace console {
namespace {

// YAML reads every JSON string, but admits in no stream the C1 controls and U+FFFE
// and U+FFFF, which JSON passes as they are; and readers of YAML 1.1 take U+0085,
// U+2028 and U+2029 for line breaks, which a quoted string folds into a space.
// JsonString writes well-formed UTF-8 outside its escapes, so their encodings are
// found byte by byte: C2 80-9F, E2 80 A8-A9 and EF BF BE-BF.
std::string YamlString(const std::string &text) {
    const std::string json = JsonString(text);
    std::string yaml;
    yaml.reserve(json.size());
    for (size_t at = 0; at < json.size(); ++at) {
        const unsigned char byte = static_cast<unsigned char>(json[at]);
        const unsigned char second = at + 1 < json.size() ? static_cast<unsigned char>(json[at + 1]) : 0;
        const unsigned char third = at + 2 < json.size() ? static_cast<unsigned char>(json[at + 2]) : 0;
        unsigned codePoint = 0;
        size_t length = 0;
        if (byte == 0xC2 && second >= 0x80 && second <= 0x9F) {
            codePoint = ((byte & 0x1Fu) << 6) | (second & 0x3Fu);
            length = 2;
        } else if (byte == 0xE2 && second == 0x80 && (third == 0xA8 || third == 0xA9)) {
            length = 3;
        } else if (byte == 0xEF && second == 0xBF && (third == 0xBE || third == 0xBF)) {
            length = 3;
        }
        if (length == 3) {
            codePoint = ((byte & 0x0Fu) << 12) | ((second & 0x3Fu) << 6) | (third & 0x3Fu);
        }
        if (length == 0) {
            yaml += json[at];
            continue;
        }
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\u%04x", codePoint);
        yaml += escape;
        at += length - 1;
    }
    return yaml;
}

// A test point's description: the name as --list prints it, with '#' escaped, the
// one character that would otherwise start a directive.
std::string Description(const std::string &name) {
    std::string description;
    for (const char character : ListedName(name)) {
        if (character == '#') {
            description += '\\';
        }
        description += character;
    }
    return description;
}

// A directive runs to the line's end: its reason needs only to stay on the line.
std::string SkipDirective(const std::string &prefix, const std::string &reason) {
    std::string text = " # SKIP" + prefix;
    if (!reason.empty()) {
        text += (prefix.empty() ? " " : ": ") + ListedName(reason);
    }
    return text;
}

// The failure that says most: the crash, the timeout or the process's end, else
// the first check that failed.
const run::Failure &LeadingFailure(const std::vector<run::Failure> &failures) {
    for (const run::Failure &failure : failures) {
        if (failure.crash) {
            return failure;
        }
    }
    return failures.front();
}

void AppendPlace(std::string &block, const char *indent, const std::string &file, int32_t line) {
    if (!file.empty()) {
        block += indent + std::string("file: ") + YamlString(file) + "\n";
    }
    if (line != 0) {
        block += indent + std::string("line: ") + std::to_string(line) + "\n";
    }
}

void AppendFailure(std::string &block, const char *indent, const run::Failure &failure) {
    block += indent + std::string("message: ") + YamlString(failure.message) + "\n";
    if (!failure.crashDetails.empty()) {
        block += indent + std::string("details: ") + YamlString(failure.crashDetails) + "\n";
    }
    AppendPlace(block, indent, failure.file, failure.line);
}

// How the test ended, in the block TAP 14 gives a test point for diagnostics. The
// leading failure's message and place come first; a test that failed more than
// once lists every failure as well.
std::string Diagnostics(const run::TestIdentity &test, const run::TestOutcome &outcome) {
    std::string block = "  ---\n  ending: " + YamlString(run::EndingName(outcome.ending)) +
                        "\n  phase: " + YamlString(run::PhaseName(outcome.phase)) + "\n";
    if (outcome.failures.empty()) {
        if (!outcome.reason.empty()) {
            block += "  message: " + YamlString(outcome.reason) + "\n";
        }
        AppendPlace(block, "  ", std::string(test.file), test.line);
    } else {
        AppendFailure(block, "  ", LeadingFailure(outcome.failures));
    }
    if (outcome.failures.size() > 1) {
        block += "  failures:\n";
        for (const run::Failure &failure : outcome.failures) {
            std::string item;
            AppendFailure(item, "      ", failure);
            block += "    - " + item.substr(6);
        }
    }
    return block + "  ...\n";
}

}  // namespace

TapReport::TapReport(std::function<void(const std::string &)> write) : write_(std::move(write)) {}

void TapReport::RunStarted(const run::LibraryRun &run) {
    repetitionLabel_.clear();
    if (run.repetitions > 1) {
        repetitionLabel_ =
            " (repetition " + std::to_string(run.repetition) + " of " + std::to_string(run.repetitions) + ")";
    }
}

void TapReport::TestEnded(const run::TestIdentity &test, const run::TestOutcome &outcome) {
    ++number_;
    const std::string point = std::to_string(number_) + " - " + Description(test.FullName() + repetitionLabel_);
    std::string piece = Opening();
    switch (outcome.ending) {
    case run::Ending::Passed:
        piece += "ok " + point + "\n";
        break;
    case run::Ending::Skipped:
        piece += "ok " + point + SkipDirective("", outcome.reason) + "\n";
        break;
    case run::Ending::NotRun:
        piece += "ok " + point + SkipDirective(" not run", outcome.reason) + "\n";
        break;
    case run::Ending::Failed:
    case run::Ending::Crashed:
    case run::Ending::TimedOut:
    case run::Ending::ProcessEnded:
    case run::Ending::Stopped:
        piece += "not ok " + point + "\n" + Diagnostics(test, outcome);
        break;
    }
    write_(piece);
}

void TapReport::Finish() { write_(Opening() + "1.." + std::to_string(number_) + "\n"); }

std::string TapReport::Opening() {
    if (opened_) {
        return "";
    }
    opened_ = true;
    return "TAP version 14\n";
}

}  // namespace console
