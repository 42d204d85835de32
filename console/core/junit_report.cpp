#include "junit_report.h"

#include <cstdio>

namespace console {
namespace {

enum class Context { Attribute, Text };

void AppendEscaped(std::string &out, const std::string &text, Context context) {
    for (const char character : text) {
        const unsigned char byte = static_cast<unsigned char>(character);
        char escaped[8];
        switch (byte) {
        case '&': out += "&amp;"; continue;
        case '<': out += "&lt;"; continue;
        case '>': out += "&gt;"; continue;
        case '"': out += "&quot;"; continue;
        case '\'': out += "&apos;"; continue;
        case '\r': out += "&#13;"; continue;
        case '\t':
        case '\n':
            // A parser turns these into blanks inside an attribute unless they are references.
            if (context == Context::Attribute) {
                std::snprintf(escaped, sizeof escaped, "&#%u;", byte);
                out += escaped;
            } else {
                out += character;
            }
            continue;
        default: break;
        }
        if (byte < 0x20) {
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        } else if (byte < 0x80) {
            out += character;
        } else {
            out += static_cast<char>(0xC0 | (byte >> 6));
            out += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
}

std::string Attribute(const char *name, const std::string &value) {
    std::string text = std::string(" ") + name + "=\"";
    AppendEscaped(text, value, Context::Attribute);
    return text + "\"";
}

std::string Seconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", seconds);
    return text;
}

std::string CountAttributes(const Counts &counts) {
    return Attribute("tests", std::to_string(counts.passed + counts.failed + counts.skipped)) +
           Attribute("failures", std::to_string(counts.failed)) + Attribute("errors", "0") +
           Attribute("skipped", std::to_string(counts.skipped)) + Attribute("time", Seconds(counts.seconds));
}

const char *FailureType(const TestRecord &test) {
    if (test.outcome == Outcome::TimedOut) return "timeout";
    for (const FailureRecord &failure : test.failures) {
        if (failure.crash) return "crash";
    }
    return "assertion";
}

// The attribute carries the message that says most: the crash, else the first one.
const FailureRecord &LeadingFailure(const TestRecord &test) {
    for (const FailureRecord &failure : test.failures) {
        if (failure.crash) return failure;
    }
    return test.failures.front();
}

void AppendFailure(std::string &out, const TestRecord &test) {
    out += "      <failure" + Attribute("message", LeadingFailure(test).message) +
           Attribute("type", FailureType(test)) + ">";
    for (const FailureRecord &failure : test.failures) {
        AppendEscaped(out, failure.file + "(" + std::to_string(failure.line) + "): " + failure.message + "\n",
                      Context::Text);
    }
    out += "</failure>\n";
}

void AppendTestCase(std::string &out, const std::string &batchName, const TestRecord &test) {
    out += "    <testcase" + Attribute("classname", batchName) + Attribute("name", test.name) +
           Attribute("time", Seconds(test.seconds));
    switch (test.outcome) {
    case Outcome::Passed: out += "/>\n"; return;
    case Outcome::NotSelected: out += ">\n      <skipped" + Attribute("message", "not selected") + "/>\n"; break;
    case Outcome::NotRun:
        out += ">\n      <skipped" + Attribute("message", "not run: the run ended at a timeout") + "/>\n";
        break;
    case Outcome::Failed:
    case Outcome::TimedOut:
        out += ">\n";
        if (!test.failures.empty()) AppendFailure(out, test);
        break;
    }
    out += "    </testcase>\n";
}

}  // namespace

std::string JunitReport(const RunResults &results) {
    std::string suites;
    for (const BatchRecord &batch : results.Batches()) {
        Counts counts;
        for (const TestRecord &test : batch.tests) counts.Add(test);
        suites += "  <testsuite" + Attribute("name", batch.name) + CountAttributes(counts) + ">\n";
        for (const TestRecord &test : batch.tests) AppendTestCase(suites, batch.name, test);
        suites += "  </testsuite>\n";
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites" + Attribute("name", "Norvik") +
           CountAttributes(results.Count()) + ">\n" + suites + "</testsuites>\n";
}

}  // namespace console
