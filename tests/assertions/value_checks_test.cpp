// The checks of norvik_checks.h (and norvik_windows.h on Windows), family by family:
// their exact messages, labels, arguments evaluated once, and the REQUIRE forms.
#include <cfloat>
#include <climits>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "assertion_run.h"
#include "faults.h"
#include "norvik_windows.h"

namespace {

// One check and its outcome: nullptr for a pass, else the exact stored message.
struct Case {
    const char *name;
    std::function<const char *()> check;
    const char *message;
};

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInfinity = std::numeric_limits<double>::infinity();
const NvkWideChar kWideEuro[] = {'p', 'r', 'i', 'c', 'e', ' ', 0x20AC, 0};
const NvkWideChar kWidePrice[] = {'p', 'r', 'i', 'c', 'e', ' ', '$', 0};

class ValueChecks : public AssertionRun {
protected:
    void ExpectMessages(const std::vector<Case> &cases) {
        std::vector<const char *> returned;
        NvkTestFunction *test = RunAsTest([&] {
            for (const Case &each : cases) {
                returned.push_back(each.check());
            }
        });
        std::vector<std::string> expected;
        int32_t passes = 0;
        for (size_t i = 0; i < cases.size(); ++i) {
            SCOPED_TRACE(cases[i].name);
            if (cases[i].message == nullptr) {
                ++passes;
                EXPECT_EQ(nullptr, returned[i]);
            } else {
                expected.push_back(cases[i].message);
                EXPECT_STREQ(cases[i].message, returned[i]);
            }
        }
        EXPECT_EQ(expected, Messages(test));
        EXPECT_EQ(passes, PassedAssertions(test));
    }
};

TEST_F(ValueChecks, StringsShowBothValuesAndMarkTheFirstDifference) {
    const std::string longPrefix(100, 'a');
    const std::string longExpected = longPrefix + "X" + std::string(100, 'b');
    const std::string longActual = longPrefix + "Y" + std::string(100, 'b');
    ExpectMessages({
        {"equal", [] { return NVK_ASSERT_EQUAL_TEXT("same", "same"); }, nullptr},
        {"two NULLs", [] { return NVK_ASSERT_EQUAL_TEXT(NULL, NULL); }, nullptr},
        {"differ", [] { return NVK_ASSERT_EQUAL_TEXT("hello world", "hello there"); },
         "Expected string to be \"hello [w]orld\" but it was \"hello [t]here\" (first difference at index 6)"},
        {"shorter", [] { return NVK_ASSERT_EQUAL_TEXT("abc", "abcd"); },
         "Expected string to be \"abc[]\" but it was \"abc[d]\" (first difference at index 3)"},
        {"NULL", [] { return NVK_ASSERT_EQUAL_TEXT("abc", NULL); }, "Expected string to be \"abc\" but it was NULL"},
        {"escaped", [] { return NVK_ASSERT_EQUAL_TEXT("a\"\\\t\r\n\x01\xC3\xA9", "a"); },
         "Expected string to be \"a[\\\"]\\\\\\t\\r\\n\\x01\\xc3\\xa9\" but it was \"a[]\" (first difference at index "
         "1)"},
        {"cut around the difference", [&] { return NVK_ASSERT_EQUAL_TEXT(longExpected.c_str(), longActual.c_str()); },
         "Expected string to be ...\"aaaaaaaaaaaaaaaa[X]bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb\"... but it was "
         "...\"aaaaaaaaaaaaaaaa[Y]bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb\"... (first difference at index 100)"},
        {"same", [] { return NVK_ASSERT_NOT_EQUAL_TEXT("same", "same"); },
         "Expected strings to differ but both were \"same\""},
        {"both NULL", [] { return NVK_ASSERT_NOT_EQUAL_TEXT(NULL, NULL); },
         "Expected strings to differ but both were NULL"},
        {"wide", [] { return NVK_ASSERT_EQUAL_WTEXT(kWideEuro, kWidePrice); },
         "Expected wide string to be \"price [\\u20ac]\" but it was \"price [$]\" (first difference at index 6)"},
        {"wide same", [] { return NVK_ASSERT_NOT_EQUAL_WTEXT(kWideEuro, kWideEuro); },
         "Expected wide strings to differ but both were \"price \\u20ac\""},
    });
}

// Two strings escaped from end to end, after a label of the most the label keeps.
TEST_F(ValueChecks, TheLongestMessageFitsWhole) {
    const std::string label(300, 'L');
    std::vector<NvkWideChar> expected(200, 0x1F);
    expected.push_back(0);
    std::vector<NvkWideChar> other = expected;
    other[100] = 0x1E;
    const char *message = nullptr;
    RunAsTest([&] {
        NVK_LABEL("%s", label.c_str());
        message = NVK_ASSERT_EQUAL_WTEXT(expected.data(), other.data());
    });
    ASSERT_NE(nullptr, message);
    EXPECT_LT(std::strlen(message), 1024u);
    const std::string whole = message;
    const std::string end = "\"... (first difference at index 100)";
    EXPECT_EQ(end, whole.substr(whole.size() - end.size())) << whole;
}

// The label keeps 255 characters and a message 1023; neither cut leaves part of a UTF-8
// character at the end, and a cut message takes nothing more.
TEST_F(ValueChecks, CutsEndWithAWholeUtf8Character) {
    const std::string euro = "\xE2\x82\xAC";
    const std::string labelStart(253, 'L');
    const char *message = nullptr;
    RunAsTest([&] {
        NVK_LABEL("%s%s", labelStart.c_str(), euro.c_str());
        message = NVK_ASSERT_LT_INT(2, 1);
    });
    EXPECT_STREQ((labelStart + ": Expected '2' to be less than '1'").c_str(), message);

    const std::string textStart(1021, 'T');
    NvkCheckText text;
    text.length = 0;
    text.cut = 0;
    NvkCheckAppend(&text, "%s%s", textStart.c_str(), euro.c_str());
    NvkCheckAppend(&text, "more");
    EXPECT_EQ(textStart, std::string(text.text));
    EXPECT_EQ(textStart.size(), text.length);
}

TEST_F(ValueChecks, MemoryShowsTheFirstDifferenceInHex) {
    unsigned char expected[200];
    unsigned char actual[200];
    for (int i = 0; i < 200; ++i) {
        expected[i] = actual[i] = static_cast<unsigned char>(i);
    }
    actual[65] = 0;
    actual[66] = 0;
    actual[199] = 0;
    ExpectMessages({
        {"equal", [&] { return NVK_ASSERT_EQUAL_MEMORY(expected, expected + 0, 200); }, nullptr},
        {"nothing to compare", [] { return NVK_ASSERT_EQUAL_MEMORY(NULL, "x", 0); }, nullptr},
        {"differ", [&] { return NVK_ASSERT_EQUAL_MEMORY(expected, actual, 200); },
         "Expected blocks of 200 bytes to be equal but 3 differ, the first at offset 65: expected "
         "... 39 3a 3b 3c 3d 3e 3f 40 [41] 42 43 44 45 46 47 48 ... but it was "
         "... 39 3a 3b 3c 3d 3e 3f 40 [00] 00 43 44 45 46 47 48 ..."},
        {"differ at the start of a short block", [] { return NVK_ASSERT_EQUAL_MEMORY("ab", "xb", 2); },
         "Expected blocks of 2 bytes to be equal but 1 differ, the first at offset 0: expected [61] 62 but it was "
         "[78] 62"},
        {"NULL", [&] { return NVK_ASSERT_EQUAL_MEMORY(expected, NULL, 4); },
         "Expected blocks of 4 bytes to be equal but the actual block was NULL"},
        {"one byte", [] { return NVK_ASSERT_EQUAL_MEMORY("a", "b", 1); },
         "Expected blocks of 1 byte to be equal but 1 differ, the first at offset 0: expected [61] but it was [62]"},
    });
}

TEST_F(ValueChecks, FloatingPointPrintsTheShortestTextThatReadsBack) {
    const double sum = 0.1 + 0.2;
    const double largest = DBL_MAX;
    ExpectMessages({
        {"one ULP apart", [&] { return NVK_ASSERT_ALMOST_EQUAL_DOUBLE(0.3, sum); }, nullptr},
        {"no ULP allowed", [&] { return NVK_ASSERT_WITHIN_ULPS_DOUBLE(0.3, sum, 0); },
         "Expected double to be '0.3' within 0 ULPs but it was '0.30000000000000004', 1 ULP apart"},
        {"far apart", [] { return NVK_ASSERT_ALMOST_EQUAL_DOUBLE(1.0, 1.5); },
         "Expected double to be '1' within 4 ULPs but it was '1.5', 2251799813685248 ULPs apart"},
        {"zeros of both signs", [] { return NVK_ASSERT_ALMOST_EQUAL_DOUBLE(0.0, -0.0); }, nullptr},
        {"across zero", [] { return NVK_ASSERT_WITHIN_ULPS_DOUBLE(-4.9e-324, 4.9e-324, 1); },
         "Expected double to be '-5e-324' within 1 ULP but it was '5e-324', 2 ULPs apart"},
        {"NaN equals nothing", [] { return NVK_ASSERT_ALMOST_EQUAL_DOUBLE(kNaN, kNaN); },
         "Expected double to be 'nan' within 4 ULPs but it was 'nan'"},
        {"infinity equals itself", [] { return NVK_ASSERT_ALMOST_EQUAL_DOUBLE(kInfinity, kInfinity); }, nullptr},
        {"infinity is not the largest", [&] { return NVK_ASSERT_ALMOST_EQUAL_DOUBLE(kInfinity, largest); },
         "Expected double to be 'inf' within 4 ULPs but it was '1.7976931348623157e+308'"},
        {"float ULPs", [] { return NVK_ASSERT_WITHIN_ULPS_FLOAT(0.1f, 0.10000003f, 3); },
         "Expected float to be '0.1' within 3 ULPs but it was '0.10000003', 4 ULPs apart"},
        {"relative", [] { return NVK_ASSERT_NEAR_RELATIVE_DOUBLE(100.0, 100.0000001, 1e-9); }, nullptr},
        {"relative fails", [] { return NVK_ASSERT_NEAR_RELATIVE_DOUBLE(100.0, 0.0, 1e-9); },
         "Expected double to be '100' within a relative tolerance of '1e-09' but it was '0', "
         "a relative difference of '1'"},
        {"relative to the larger", [] { return NVK_ASSERT_NEAR_RELATIVE_DOUBLE(1.0, 1.25, 0.2); }, nullptr},
        {"relative infinity", [] { return NVK_ASSERT_NEAR_RELATIVE_DOUBLE(kInfinity, 1.0, 1.0); },
         "Expected double to be 'inf' within a relative tolerance of '1' but it was '1'"},
        {"relative float", [] { return NVK_ASSERT_NEAR_RELATIVE_FLOAT(2.0f, 2.5f, 0.1f); },
         "Expected float to be '2' within a relative tolerance of '0.1' but it was '2.5', "
         "a relative difference of '0.2'"},
        {"relative across the whole range", [&] { return NVK_ASSERT_NEAR_RELATIVE_DOUBLE(largest, -largest, 1.5); },
         "Expected double to be '1.7976931348623157e+308' within a relative tolerance of '1.5' but it was "
         "'-1.7976931348623157e+308', a relative difference of '2'"},
        {"relative float across the whole range",
         [] { return NVK_ASSERT_NEAR_RELATIVE_FLOAT(FLT_MAX, -FLT_MAX, 1.5f); },
         "Expected float to be '3.4028235e+38' within a relative tolerance of '1.5' but it was '-3.4028235e+38', "
         "a relative difference of '2'"},
        {"relative of the smallest values", [] { return NVK_ASSERT_NEAR_RELATIVE_DOUBLE(4.9e-324, 1e-323, 0.4); },
         "Expected double to be '5e-324' within a relative tolerance of '0.4' but it was '1e-323', "
         "a relative difference of '0.5'"},
    });
}

// A NaN anywhere fails; an infinity is near only itself, whatever the tolerance; equal
// values pass whatever the tolerance, also a negative one.
TEST_F(ValueChecks, NearChecksFailEveryNaNAndMatchInfinitiesOnlyToThemselves) {
    const double largest = DBL_MAX;
    const float floatNaN = std::numeric_limits<float>::quiet_NaN();
    const float floatInfinity = std::numeric_limits<float>::infinity();
    ExpectMessages({
        {"NaN tolerance", [] { return NVK_ASSERT_NEAR_DOUBLE(1.0, 1.0, kNaN); },
         "Expected double to be '1' +/- 'nan' but it was '1'"},
        {"opposite infinities", [] { return NVK_ASSERT_NEAR_DOUBLE(kInfinity, -kInfinity, kInfinity); },
         "Expected double to be 'inf' +/- 'inf' but it was '-inf'"},
        {"infinity and the largest", [&] { return NVK_ASSERT_NEAR_DOUBLE(kInfinity, largest, kInfinity); },
         "Expected double to be 'inf' +/- 'inf' but it was '1.7976931348623157e+308'"},
        {"whole range, infinite tolerance", [&] { return NVK_ASSERT_NEAR_DOUBLE(largest, -largest, kInfinity); },
         nullptr},
        {"whole range, largest tolerance", [&] { return NVK_ASSERT_NEAR_DOUBLE(largest, -largest, largest); },
         "Expected double to be '1.7976931348623157e+308' +/- '1.7976931348623157e+308' but it was "
         "'-1.7976931348623157e+308'"},
        {"negative tolerance, equal", [] { return NVK_ASSERT_NEAR_DOUBLE(1.0, 1.0, -1.0); }, nullptr},
        {"float NaN tolerance", [&] { return NVK_ASSERT_NEAR_FLOAT(1.0f, 1.0f, floatNaN); },
         "Expected float to be '1' +/- 'nan' but it was '1'"},
        {"float opposite infinities",
         [&] { return NVK_ASSERT_NEAR_FLOAT(floatInfinity, -floatInfinity, floatInfinity); },
         "Expected float to be 'inf' +/- 'inf' but it was '-inf'"},
    });
}

TEST_F(ValueChecks, OrderingShowsBothValues) {
    ExpectMessages({
        {"int less", [] { return NVK_ASSERT_LT_INT(-2, 1); }, nullptr},
        {"int not less", [] { return NVK_ASSERT_LT_INT(2, 2); }, "Expected '2' to be less than '2'"},
        {"int not greater", [] { return NVK_ASSERT_GT_INT(-3, 3); }, "Expected '-3' to be greater than '3'"},
        {"unsigned not at most", [] { return NVK_ASSERT_LE_UINT(4000000000u, 1u); },
         "Expected '4000000000' to be less than or equal to '1'"},
        {"64-bit not at least", [] { return NVK_ASSERT_GE_LONG_LONG(LLONG_MIN, 0); },
         "Expected '-9223372036854775808' to be greater than or equal to '0'"},
        {"unsigned 64-bit greater", [] { return NVK_ASSERT_GT_ULONG_LONG(ULLONG_MAX, 0u); }, nullptr},
        {"unsigned 64-bit not less", [] { return NVK_ASSERT_LT_ULONG_LONG(ULLONG_MAX, 0u); },
         "Expected '18446744073709551615' to be less than '0'"},
        {"double less", [] { return NVK_ASSERT_LT_DOUBLE(0.3, 0.1 + 0.2); }, nullptr},
        {"double not at most", [] { return NVK_ASSERT_LE_DOUBLE(0.1 + 0.2, 0.3); },
         "Expected '0.30000000000000004' to be less than or equal to '0.3'"},
        {"NaN in no order", [] { return NVK_ASSERT_GE_DOUBLE(kNaN, kNaN); },
         "Expected 'nan' to be greater than or equal to 'nan'"},
        // Each value is first converted to the type the check names.
        {"-1 as unsigned", [] { return NVK_ASSERT_LE_UINT(-1, UINT_MAX); }, nullptr},
        {"-1 as unsigned shown so", [] { return NVK_ASSERT_LT_UINT(-1, UINT_MAX); },
         "Expected '4294967295' to be less than '4294967295'"},
        {"largest unsigned as int", [] { return NVK_ASSERT_GE_INT(UINT_MAX, 0); },
         "Expected '-1' to be greater than or equal to '0'"},
        {"-1 as unsigned 64-bit", [] { return NVK_ASSERT_GE_ULONG_LONG(-1, ULLONG_MAX); }, nullptr},
    });
}

// Setting a label counts as a passed check.
TEST_F(ValueChecks, ALabelStartsTheNewChecksMessagesUntilTheNextLabel) {
    const auto label = [](const char *text) {
        NVK_LABEL("%s", text);
        return static_cast<const char *>(nullptr);
    };
    ExpectMessages({
        {"label",
         [] {
             NVK_LABEL("row %d: %s", 1, "12x");
             return static_cast<const char *>(nullptr);
         },
         nullptr},
        {"labelled", [] { return NVK_ASSERT_LT_INT(2, 1); }, "row 1: 12x: Expected '2' to be less than '1'"},
        {"fixed texts too", [] { return NVK_ASSERT_EQUAL_INT(1, 2); },
         "row 1: 12x: Expected integer to be '1' but it was '2'"},
        {"the near checks' fixed text", [] { return NVK_ASSERT_NEAR_DOUBLE(1, 2, 0.5); },
         "row 1: 12x: Expected double to be '1' +/- '0.5' but it was '2'"},
        {"a message of one's own stays as it is", [] { return NVK_ASSERT(0, "%s", "own"); }, "own"},
        {"next label", [&] { return label("row 2"); }, nullptr},
        {"labelled again", [] { return NVK_ASSERT_EQUAL_TEXT("a", "b"); },
         "row 2: Expected string to be \"[a]\" but it was \"[b]\" (first difference at index 0)"},
        {"empty label", [&] { return label(""); }, nullptr},
        {"no label", [] { return NVK_ASSERT_GT_INT(1, 2); }, "Expected '1' to be greater than '2'"},
        {"no label, fixed text", [] { return NVK_ASSERT_TRUE(0); }, "Expected boolean to be true but it was false"},
    });
}

// The label belongs to the run of the test function that set it, also one that crashed.
bool labelAndCrash = true;
void NVK_CALL LabelsThenCrashes() {
    if (labelAndCrash) {
        NVK_LABEL("row %d", 7);
        NVK_ASSERT_LT_INT(2, 1);
        CrashKinds().front().crash();
    }
    NVK_ASSERT_TRUE(1);
    NVK_ASSERT_TRUE(1);
    NVK_ASSERT_LT_INT(3, 1);
}
void NVK_CALL ChecksWithoutLabel() { NVK_ASSERT_LT_INT(4, 1); }

TEST_F(AssertionRun, ALabelEndsWithItsTestFunctionAlsoAfterACrash) {
    batch_ = NvkBatchCreate("Labels");
    NvkTestFunction *crashing = NvkBatchAddFunctionImp(batch_, "LabelsThenCrashes", &LabelsThenCrashes);
    NvkTestFunction *next = NvkBatchAddFunctionImp(batch_, "ChecksWithoutLabel", &ChecksWithoutLabel);
    labelAndCrash = true;
    NvkBatchRun(batch_);
    EXPECT_EQ((std::vector<std::string>{"row 7: Expected '2' to be less than '1'",
                                        "A crash was detected in the unit test function"}),
              Messages(crashing));
    EXPECT_EQ(std::vector<std::string>{"Expected '4' to be less than '1'"}, Messages(next));

    labelAndCrash = false;
    NvkTestFunctionRun(crashing);
    EXPECT_EQ(std::vector<std::string>{"Expected '3' to be less than '1'"}, Messages(crashing));
}

// What the test setup, the test function and its tear-down do in one run.
struct RunSteps {
    std::function<void()> setup = [] {};
    std::function<void()> body = [] {};
    std::function<void()> tearDown = [] {};
};
const RunSteps *stepsOfThisRun = nullptr;
void NVK_CALL SetupStep() { stepsOfThisRun->setup(); }
void NVK_CALL BodyStep() { stepsOfThisRun->body(); }
void NVK_CALL TearDownStep() { stepsOfThisRun->tearDown(); }

// Checks in other source files, or NvkAssert called itself, count for the test function:
// a label once followed the counts and so could be fooled by them.
void PassElsewhere(int checks) {
    for (int i = 0; i < checks; ++i) {
        NvkAssert(1, "elsewhere.c", 1, nullptr);
    }
}

// The same test function runs twice; the second run sets no label of its own.
TEST_F(AssertionRun, ALabelNeverReachesALaterRunOfItsTestFunction) {
    struct Runs {
        const char *name;
        RunSteps first;
        RunSteps second;
        std::vector<std::string> firstMessages;
        std::vector<std::string> secondMessages;
    };
    const RunSteps catchesUpElsewhere = {[] {},
                                         [] {
                                             PassElsewhere(3);
                                             NVK_ASSERT_LT_INT(3, 1);
                                         }};
    const std::vector<Runs> cases = {
        {"the later run checks elsewhere first",
         {[] {},
          [] {
              NVK_LABEL("row 1");
              NVK_ASSERT_LT_INT(2, 1);
          }},
         catchesUpElsewhere,
         {"row 1: Expected '2' to be less than '1'"},
         {"Expected '3' to be less than '1'"}},
        {"the label was set in a tear-down",
         {[] {}, [] {}, [] { NVK_LABEL("row 2"); }},
         catchesUpElsewhere,
         {},
         {"Expected '3' to be less than '1'"}},
        {"a label set in the setup lasts to the tear-down",
         {[] { NVK_LABEL("row 3"); },
          [] {
              PassElsewhere(2);
              NVK_ASSERT_LT_INT(2, 1);
          },
          [] { NVK_ASSERT_LT_INT(4, 1); }},
         {},
         {"row 3: Expected '2' to be less than '1'", "row 3: Expected '4' to be less than '1'"},
         {}},
    };
    for (const Runs &each : cases) {
        SCOPED_TRACE(each.name);
        NvkBatch *batch = NvkBatchCreate("Runs");
        NvkTestFunction *test = NvkBatchAddFunctionImp(batch, "Twice", &BodyStep);
        NvkBatchSetSetupFunctions(batch, nullptr, nullptr, &SetupStep, &TearDownStep);
        stepsOfThisRun = &each.first;
        NvkTestFunctionRun(test);
        EXPECT_EQ(each.firstMessages, Messages(test));
        stepsOfThisRun = &each.second;
        NvkTestFunctionRun(test);
        EXPECT_EQ(each.secondMessages, Messages(test));
        NvkBatchFree(&batch);
    }
}

TEST_F(ValueChecks, RequireReturnsOnlyWhenTheCheckFails) {
    // Each REQUIRE returns from the lambda holding it, as from a test function.
    struct Require {
        const char *name;
        std::function<void(bool &reachedTheEnd)> check;
        bool passes;
    };
    const std::vector<Require> cases = {
        {"condition",
         [](bool &end) {
             NVK_REQUIRE(1 > 0, "never");
             end = true;
         },
         true},
        {"condition fails",
         [](bool &end) {
             NVK_REQUIRE(1 < 0, "stopped at %d", 1);
             end = true;
         },
         false},
        {"existing check",
         [](bool &end) {
             NVK_REQUIRE_EQUAL_INT(1, 1);
             end = true;
         },
         true},
        {"existing check fails",
         [](bool &end) {
             NVK_REQUIRE_NOT_NULL(NULL);
             end = true;
         },
         false},
        {"new check",
         [](bool &end) {
             NVK_REQUIRE_EQUAL_TEXT("a", "a");
             end = true;
         },
         true},
        {"new check fails",
         [](bool &end) {
             NVK_REQUIRE_LT_DOUBLE(1.0, kNaN);
             end = true;
         },
         false},
    };
    for (const Require &each : cases) {
        SCOPED_TRACE(each.name);
        bool reachedTheEnd = false;
        NvkTestFunction *test = RunAsTest([&] { each.check(reachedTheEnd); });
        EXPECT_EQ(each.passes, reachedTheEnd);
        EXPECT_EQ(each.passes ? 0u : 1u, Failures(test).size());
    }
}

int evaluations = 0;
template <typename Value>
Value Counted(Value value) {
    ++evaluations;
    return value;
}

TEST_F(ValueChecks, EachArgumentIsEvaluatedOnce) {
    struct Use {
        const char *name;
        std::function<void()> use;
        int arguments;
    };
    const std::vector<Use> uses = {
        {"text", [] { NVK_ASSERT_EQUAL_TEXT(Counted("a"), Counted("b")); }, 2},
        {"wide text", [] { NVK_ASSERT_NOT_EQUAL_WTEXT(Counted(kWideEuro), Counted(kWideEuro)); }, 2},
        {"memory", [] { NVK_ASSERT_EQUAL_MEMORY(Counted("ab"), Counted("ac"), Counted(2u)); }, 3},
        {"ULPs", [] { NVK_ASSERT_WITHIN_ULPS_FLOAT(Counted(1.0f), Counted(2.0f), Counted(1u)); }, 3},
        {"relative", [] { NVK_ASSERT_NEAR_RELATIVE_DOUBLE(Counted(1.0), Counted(2.0), Counted(0.1)); }, 3},
        {"order", [] { NVK_ASSERT_LT_DOUBLE(Counted(2.0), Counted(1.0)); }, 2},
        {"label", [] { NVK_LABEL("%d %d", Counted(1), Counted(2)); }, 2},
        {"require", [] { NVK_REQUIRE(Counted(0), "%d", Counted(1)); }, 2},
        {"require a check", [] { NVK_REQUIRE_GE_ULONG_LONG(Counted(1ULL), Counted(2ULL)); }, 2},
#ifdef _WIN32
        {"HRESULT", [] { NVK_ASSERT_EQUAL_HRESULT(Counted(S_OK), Counted(E_FAIL)); }, 2},
        {"Win32", [] { NVK_REQUIRE_WIN32(Counted(FALSE)); }, 1},
#endif
    };
    RunAsTest([&] {
        for (const Use &each : uses) {
            evaluations = 0;
            each.use();
            EXPECT_EQ(each.arguments, evaluations) << each.name;
        }
    });
}

#ifdef _WIN32
// The system's texts differ between Windows versions and languages; the check's own
// part of each message does not.
std::string SystemText(DWORD code) {
    char text[512] = "";
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                                  sizeof text, nullptr);
    while (length > 0 && std::strchr("\r\n ", text[length - 1]) != nullptr)
        --length;
    return std::string(text, length);
}

TEST_F(ValueChecks, WindowsStatusShowsTheCodeInHexAndTheSystemsText) {
    const std::string denied = "0x80070005 (" + SystemText(0x80070005) + ")";
    const std::string unspecified = "0x80004005 (" + SystemText(0x80004005) + ")";
    const std::string badHandle = "0x00000006 (" + SystemText(ERROR_INVALID_HANDLE) + ")";
    ASSERT_NE("0x00000006 ()", badHandle);
    const std::string succeededFailed = "Expected HRESULT to succeed but it was " + denied;
    const std::string equalFailed = "Expected HRESULT to be " + unspecified + " but it was " + denied;
    const std::string win32Failed = "Expected the call to succeed but it failed with GetLastError() " + badHandle;
    ExpectMessages({
        {"S_FALSE succeeds", [] { return NVK_ASSERT_SUCCEEDED(S_FALSE); }, nullptr},
        {"failure code", [] { return NVK_ASSERT_SUCCEEDED(E_ACCESSDENIED); }, succeededFailed.c_str()},
        {"equal", [] { return NVK_ASSERT_EQUAL_HRESULT(E_FAIL, E_FAIL); }, nullptr},
        {"other code", [] { return NVK_ASSERT_EQUAL_HRESULT(E_FAIL, E_ACCESSDENIED); }, equalFailed.c_str()},
        {"call succeeds", [] { return NVK_ASSERT_WIN32(GetCurrentProcess()); }, nullptr},
        {"call fails", [] { return NVK_ASSERT_WIN32(CloseHandle(nullptr)); }, win32Failed.c_str()},
        {"unknown code", [] { return NVK_ASSERT_SUCCEEDED(static_cast<HRESULT>(0xA0001234)); },
         "Expected HRESULT to succeed but it was 0xa0001234 (no text for this code)"},
    });
}
#endif

}  // namespace
