#include "junit_report.h"

#include "console_text.h"
#include "xml_text.h"

namespace console {
namespace {

using nvk::xml_text::Place;

// JUnit has no word for a test that did not run but skipped: the tests not run are
// skipped with a message that says so, and counted with them.
unsigned SkippedElements(const Counts &counts) { return counts.skipped + counts.notRun; }

// Names and messages are ISO 8859-1, as the library's report takes them. Runs of
// plain ASCII, most of any name, are copied whole.
void AppendEscaped(std::string &out, const std::string &text, Place place) {
    size_t plainStart = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80 && nvk::xml_text::IsPlain(byte, place)) {
            continue;
        }
        out.append(text, plainStart, i - plainStart);
        plainStart = i + 1;
        if (nvk::xml_text::IsPlain(byte, place)) {
            char encoded[2];
            out.append(encoded, nvk::xml_text::EncodeLatin1(byte, encoded));
        } else {
            char replacement[nvk::xml_text::kLongestReplacement];
            out.append(replacement, nvk::xml_text::Replacement(byte, replacement));
        }
    }
    out.append(text, plainStart, std::string::npos);
}

void AppendAttribute(std::string &out, const char *name, const std::string &value) {
    out += ' ';
    out += name;
    out += "=\"";
    AppendEscaped(out, value, Place::Attribute);
    out += '"';
}

std::string Attribute(const char *name, const std::string &value) {
    std::string text;
    AppendAttribute(text, name, value);
    return text;
}

std::string CountAttributes(const Counts &counts) {
    return Attribute("tests", std::to_string(counts.passed + counts.failed + SkippedElements(counts) + counts.errors)) +
           Attribute("failures", std::to_string(counts.failed)) + Attribute("errors", std::to_string(counts.errors)) +
           Attribute("skipped", std::to_string(SkippedElements(counts))) + Attribute("time", MillisecondsText(counts.seconds));
}

const char *FailureType(const TestRecord &test) {
    if (test.outcome == Outcome::TimedOut) {
        return "timeout";
    }
    for (const FailureRecord &failure : test.failures) {
        if (failure.crash) {
            return "crash";
        }
    }
    return "assertion";
}

// The attribute carries the message that says most: the crash, else the first one.
const FailureRecord &LeadingFailure(const TestRecord &test) {
    for (const FailureRecord &failure : test.failures) {
        if (failure.crash) {
            return failure;
        }
    }
    return test.failures.front();
}

void AppendFailure(std::string &out, const TestRecord &test) {
    out += "      <failure" + Attribute("message", ShownMessage(LeadingFailure(test))) +
           Attribute("type", FailureType(test)) + ">";
    for (const FailureRecord &failure : test.failures) {
        AppendEscaped(out, failure.file + "(" + std::to_string(failure.line) + "): " + ShownMessage(failure) + "\n",
                      Place::Text);
    }
    out += "</failure>\n";
}

// Where the test is, for readers that link a result to its source; left out when unknown.
void AppendSourceLocation(std::string &out, const TestRecord &test) {
    if (test.sourceFile.empty()) {
        return;
    }
    AppendAttribute(out, "file", test.sourceFile);
    if (test.sourceLine > 0) {
        AppendAttribute(out, "line", std::to_string(test.sourceLine));
    }
}

void AppendTestCase(std::string &out, const std::string &batchName, const TestRecord &test,
                    const std::string &notRunReason) {
    out += "    <testcase";
    AppendAttribute(out, "classname", batchName);
    AppendAttribute(out, "name", test.name);
    AppendAttribute(out, "time", MillisecondsText(test.seconds));
    AppendSourceLocation(out, test);
    switch (test.outcome) {
    case Outcome::Passed:
        out += "/>\n";
        return;
    case Outcome::NotRun:
        out += ">\n      <skipped" + Attribute("message", "not run: " + notRunReason) + "/>\n";
        break;
    case Outcome::Skipped:
        out += ">\n      <skipped" + Attribute("message", test.skipReason) + "/>\n";
        break;
    case Outcome::Failed:
    case Outcome::TimedOut:
        out += ">\n";
        if (!test.failures.empty()) {
            AppendFailure(out, test);
        }
        break;
    }
    out += "    </testcase>\n";
}

// A library whose registration refused tests or setups fails the run without a
// test of its own to show it: a suite of one testcase in error, which CI readers
// show and count as errors, holds the texts, the first as its message.
std::string RegistrationErrorSuite(const BatchRecord &library) {
    Counts counts;
    counts.errors = 1;
    std::string suite = "  <testsuite" + Attribute("name", library.name) + CountAttributes(counts) +
                        ">\n    <testcase" + Attribute("classname", library.name) + Attribute("name", "registration") +
                        Attribute("time", "0.000") + ">\n      <error" +
                        Attribute("message", library.registrationErrors.front()) + Attribute("type", "registration") +
                        ">";
    for (const std::string &error : library.registrationErrors) {
        AppendEscaped(suite, error + "\n", Place::Text);
    }
    return suite + "</error>\n    </testcase>\n  </testsuite>\n";
}

}  // namespace

std::string JunitReport(const ResultStore &results) {
    std::string suites;
    for (const BatchRecord &batch : results.Batches()) {
        if (!batch.registrationErrors.empty()) {
            suites += RegistrationErrorSuite(batch);
            continue;
        }
        Counts counts;
        for (const TestRecord &test : batch.tests) {
            counts.Add(test);
        }
        suites += "  <testsuite" + Attribute("name", batch.name) + CountAttributes(counts) + ">\n";
        for (const TestRecord &test : batch.tests) {
            AppendTestCase(suites, batch.name, test, results.NotRunReason());
        }
        suites += "  </testsuite>\n";
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites" + Attribute("name", "Norvik") +
           CountAttributes(results.Count()) + ">\n" + suites + "</testsuites>\n";
}

}  // namespace console
