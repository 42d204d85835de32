#include "junit_report.h"

#include "console_text.h"
#include "xml_text.h"

namespace console {
namespace {

using nvk::xml_text::Place;

// JUnit has no word for a test that did not run but skipped: the tests not run are
// skipped with a message that says so, and counted with them.
struct SuiteCounts {
    run::Counts tests;
    unsigned errors = 0;
};

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

std::string CountAttributes(const SuiteCounts &counts) {
    const run::Counts &tests = counts.tests;
    const unsigned skipped = tests.skipped + tests.notRun;
    return Attribute("tests", std::to_string(tests.passed + tests.failed + skipped + counts.errors)) +
           Attribute("failures", std::to_string(tests.failed)) + Attribute("errors", std::to_string(counts.errors)) +
           Attribute("skipped", std::to_string(skipped)) + Attribute("time", MillisecondsText(tests.seconds));
}

bool EndedByTheRun(run::Ending ending) {
    return ending == run::Ending::TimedOut || ending == run::Ending::ProcessEnded || ending == run::Ending::Stopped;
}

const char *FailureType(const run::TestOutcome &test) {
    if (test.ending == run::Ending::TimedOut) {
        return "timeout";
    }
    if (test.ending == run::Ending::ProcessEnded) {
        return "crash";
    }
    for (const run::Failure &failure : test.failures) {
        if (failure.crash) {
            return "crash";
        }
    }
    return "assertion";
}

// The attribute carries the message that says most: how the run ended the test, a
// crash, else the first one.
const run::Failure &LeadingFailure(const run::TestOutcome &test) {
    if (EndedByTheRun(test.ending)) {
        return test.failures.back();
    }
    for (const run::Failure &failure : test.failures) {
        if (failure.crash) {
            return failure;
        }
    }
    return test.failures.front();
}

std::string FailureStart(const char *element, const run::TestOutcome &test) {
    return std::string("      <") + element + Attribute("message", run::ShownMessage(LeadingFailure(test))) +
           Attribute("type", FailureType(test)) + ">";
}

void AppendFailureLines(std::string &out, const run::TestOutcome &test) {
    for (const run::Failure &failure : test.failures) {
        AppendEscaped(out,
                      failure.file + "(" + std::to_string(failure.line) + "): " + run::ShownMessage(failure) + "\n",
                      Place::Text);
    }
}

void AppendFailure(std::string &out, const run::TestOutcome &test) {
    out += FailureStart("failure", test);
    AppendFailureLines(out, test);
    out += "</failure>\n";
}

// A flaky test's failed tries, in the form that CI readers take for reruns: the
// testcase passed, and each try that failed is told apart.
void AppendFlakyFailures(std::string &out, const std::vector<run::TestOutcome> &tries) {
    for (const run::TestOutcome &failedTry : tries) {
        if (failedTry.failures.empty()) {
            continue;
        }
        out += FailureStart("flakyFailure", failedTry) + "<stackTrace>";
        AppendFailureLines(out, failedTry);
        out += "</stackTrace></flakyFailure>\n";
    }
}

// A test's output is most likely UTF-8: sequences that are valid UTF-8 stay as they
// are, and other bytes are taken as ISO 8859-1, as names and messages are.
size_t Utf8SequenceLength(const std::string &text, size_t at) {
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    const size_t length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 && lead < 0xE0 ? 2 : 0;
    if (length == 0 || at + length > text.size()) {
        return 0;
    }
    for (size_t next = 1; next < length; ++next) {
        if ((static_cast<unsigned char>(text[at + next]) & 0xC0) != 0x80) {
            return 0;
        }
    }
    return length;
}

// Standard output and standard error share one file, so both are in <system-out>,
// in the order they were written.
void AppendOutput(std::string &out, const std::string &output) {
    if (output.empty()) {
        return;
    }
    out += "      <system-out>";
    size_t plainStart = 0;
    for (size_t i = 0; i < output.size(); ++i) {
        if (static_cast<unsigned char>(output[i]) < 0x80) {
            continue;
        }
        AppendEscaped(out, output.substr(plainStart, i - plainStart), Place::Text);
        const size_t length = Utf8SequenceLength(output, i);
        if (length == 0) {
            AppendEscaped(out, output.substr(i, 1), Place::Text);
        } else {
            out.append(output, i, length);
            i += length - 1;
        }
        plainStart = i + 1;
    }
    AppendEscaped(out, output.substr(plainStart), Place::Text);
    out += "</system-out>\n";
}

// Where the test is, for readers that link a result to its source; left out when unknown.
void AppendSourceLocation(std::string &out, const TestRecord &test) {
    if (test.test->file.empty()) {
        return;
    }
    AppendAttribute(out, "file", std::string(test.test->file));
    if (test.test->line > 0) {
        AppendAttribute(out, "line", std::to_string(test.test->line));
    }
}

// A repeated test keeps its own name and the repetition follows it, so that
// classname and name make the name --filter takes.
void AppendTestCase(std::string &out, const BatchRecord &batch, const TestRecord &test) {
    out += "    <testcase";
    AppendAttribute(out, "classname", batch.name);
    AppendAttribute(out, "name", std::string(test.test->name) + batch.repetition);
    AppendAttribute(out, "time", MillisecondsText(test.outcome.seconds));
    AppendSourceLocation(out, test);
    switch (test.outcome.ending) {
    case run::Ending::Passed:
        if (test.failedTries.empty() && test.output.empty()) {
            out += "/>\n";
            return;
        }
        out += ">\n";
        AppendFlakyFailures(out, test.failedTries);
        break;
    case run::Ending::NotRun:
        out += ">\n      <skipped" + Attribute("message", "not run: " + test.outcome.reason) + "/>\n";
        break;
    case run::Ending::Skipped:
        out += ">\n      <skipped" + Attribute("message", test.outcome.reason) + "/>\n";
        break;
    default:
        out += ">\n";
        if (!test.outcome.failures.empty()) {
            AppendFailure(out, test.outcome);
        }
        break;
    }
    AppendOutput(out, test.output);
    out += "    </testcase>\n";
}

// A library whose registration refused tests or setups fails the run without a
// test of its own to show it: a suite of one testcase in error, which CI readers
// show and count as errors, holds the texts, the first as its message.
std::string RegistrationErrorSuite(const BatchRecord &library) {
    SuiteCounts counts;
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
        SuiteCounts counts;
        for (const TestRecord &test : batch.tests) {
            counts.tests.Add(test.outcome);
        }
        suites += "  <testsuite" + Attribute("name", batch.name + batch.repetition) + CountAttributes(counts) + ">\n";
        for (const TestRecord &test : batch.tests) {
            AppendTestCase(suites, batch, test);
        }
        suites += "  </testsuite>\n";
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites" + Attribute("name", "Norvik") +
           CountAttributes({results.Count(), results.RegistrationErrorCount()}) + ">\n" + suites + "</testsuites>\n";
}

}  // namespace console
