#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "assertion_run.h"

namespace {

// One typed check and its outcome: a pass when message is null, else a failure
// that stores exactly message.
struct Check {
    const char *label;
    std::function<const char *()> call;
    const char *message;
};

struct Effect {
    int32_t passDelta = 0;
    size_t failureDelta = 0;
    std::vector<int32_t> events;
    const char *returned = nullptr;
    const char *stored = nullptr;
};

// The long checks take 32-bit values whatever the platform's long is.
template <typename Value>
constexpr size_t ValueSize(const char *(NVK_CALL *)(Value, Value, const char *, int)) {
    return sizeof(Value);
}
static_assert(ValueSize(&NvkAssertAreEqualLongImp) == 4 && ValueSize(&NvkAssertAreNotEqualLongImp) == 4, "");
static_assert(ValueSize(&NvkAssertAreEqualULongImp) == 4 && ValueSize(&NvkAssertAreNotEqualULongImp) == 4, "");

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const float kFloatNaN = std::numeric_limits<float>::quiet_NaN();

class TypedAssertions : public AssertionRun {
protected:
    // Runs the checks one after another in one test function; each must change exactly
    // one of the pass count and the failure list, by one, and raise only its events.
    void ExpectOutcomes(const std::vector<Check> &checks) {
        std::vector<Effect> effects;
        RunAsTest([&] {
            NvkTestFunction *current = NvkTestFunctionGetCurrent();
            for (const Check &check : checks) {
                Effect effect;
                const int32_t passes = PassedAssertions(current);
                const size_t failures = Failures(current).size();
                EventRecorder::Clear();
                effect.returned = check.call();
                effect.events = EventRecorder::Codes();
                effect.passDelta = PassedAssertions(current) - passes;
                const std::vector<NvkAssertionFailure *> after = Failures(current);
                effect.failureDelta = after.size() - failures;
                if (!after.empty()) {
                    effect.stored = NvkAssertionFailureGetMessage(after.back());
                }
                effects.push_back(effect);
            }
        });
        ASSERT_EQ(checks.size(), effects.size());
        for (size_t i = 0; i < checks.size(); ++i) {
            ExpectOutcome(checks[i], effects[i]);
        }
    }

private:
    static void ExpectOutcome(const Check &check, const Effect &effect) {
        SCOPED_TRACE(check.label);
        if (check.message == nullptr) {
            EXPECT_EQ(1, effect.passDelta);
            EXPECT_EQ(0u, effect.failureDelta);
            EXPECT_EQ(std::vector<int32_t>{NvkEventAssertPassed}, effect.events);
            EXPECT_EQ(nullptr, effect.returned);
            return;
        }
        EXPECT_EQ(0, effect.passDelta);
        ASSERT_EQ(1u, effect.failureDelta);
        EXPECT_EQ((std::vector<int32_t>{NvkEventAssertFailed, NvkEventFailureAdded}), effect.events);
        EXPECT_EQ(effect.stored, effect.returned);
        EXPECT_EQ(std::string(check.message), std::string(effect.stored == nullptr ? "(null)" : effect.stored));
    }
};

}  // namespace

TEST_F(TypedAssertions, Characters) {
    ExpectOutcomes({
        {"char equal", [] { return NVK_ASSERT_EQUAL_CHAR('a', 'a'); }, nullptr},
        {"char differs", [] { return NVK_ASSERT_EQUAL_CHAR('a', 'b'); },
         "Expected ASCII char to be 'a' but it was 'b'"},
        {"negative char prints its byte", [] { return NVK_ASSERT_EQUAL_CHAR('\xE9', 'e'); },
         "Expected ASCII char to be '\xE9' but it was 'e'"},
        {"chars differ", [] { return NVK_ASSERT_NOT_EQUAL_CHAR('a', 'b'); }, nullptr},
        {"chars same", [] { return NVK_ASSERT_NOT_EQUAL_CHAR('x', 'x'); },
         "Expected ASCII chars to not be equal but they were both 'x'"},
        {"unsigned char equal", [] { return NVK_ASSERT_EQUAL_UCHAR(0xE9, 0xE9); }, nullptr},
        {"unsigned char differs", [] { return NVK_ASSERT_EQUAL_UCHAR(0xE9, 'A'); },
         "Expected unsigned char to be '\xE9' but it was 'A'"},
        {"unsigned chars differ", [] { return NVK_ASSERT_NOT_EQUAL_UCHAR(1, 2); }, nullptr},
        {"unsigned chars same", [] { return NVK_ASSERT_NOT_EQUAL_UCHAR('z', 'z'); },
         "Expected unsigned chars to not be equal but they were both 'z'"},
        {"wide char equal", [] { return NVK_ASSERT_EQUAL_WCHAR(0x20AC, 0x20AC); }, nullptr},
        // The units differ above the low eight bits, the only ones "%c" writes.
        {"wide char differs high", [] { return NVK_ASSERT_EQUAL_WCHAR(0x41, 0x141); },
         "Expected wide char to be 'A' but it was 'A'"},
        {"wide chars differ high", [] { return NVK_ASSERT_NOT_EQUAL_WCHAR(0x41, 0x141); }, nullptr},
        {"wide chars same", [] { return NVK_ASSERT_NOT_EQUAL_WCHAR(0x142, 0x142); },
         "Expected wide chars to not be equal but they were both 'B'"},
    });
}

TEST_F(TypedAssertions, DoublesCompareExactly) {
    ExpectOutcomes({
        {"double equal", [] { return NVK_ASSERT_EQUAL_DOUBLE(1.5, 1.5); }, nullptr},
        {"sum off by one bit", [] { return NVK_ASSERT_EQUAL_DOUBLE(0.1 + 0.2, 0.3); },
         "Expected double to be '0.300000' but it was '0.300000'"},
        {"no tolerance", [] { return NVK_ASSERT_EQUAL_DOUBLE(1e-7, 0.0); },
         "Expected double to be '0.000000' but it was '0.000000'"},
        {"signed zeros equal", [] { return NVK_ASSERT_EQUAL_DOUBLE(0.0, -0.0); }, nullptr},
        {"NaN unequal to itself", [] { return NVK_ASSERT_EQUAL_DOUBLE(kNaN, kNaN); },
         "Expected double to be 'nan' but it was 'nan'"},
        {"NaN unequal to a number", [] { return NVK_ASSERT_EQUAL_DOUBLE(kNaN, 1.0); },
         "Expected double to be 'nan' but it was '1.000000'"},
        {"NaN not equal to itself", [] { return NVK_ASSERT_NOT_EQUAL_DOUBLE(kNaN, kNaN); }, nullptr},
        {"number not equal to NaN", [] { return NVK_ASSERT_NOT_EQUAL_DOUBLE(1.0, kNaN); }, nullptr},
        {"doubles differ by epsilon",
         [] { return NVK_ASSERT_NOT_EQUAL_DOUBLE(1.0, 1.0 + std::numeric_limits<double>::epsilon()); }, nullptr},
        {"signed zeros not unequal", [] { return NVK_ASSERT_NOT_EQUAL_DOUBLE(0.0, -0.0); },
         "Expected doubles to not be equal but they were both '0.000000'"},
        {"doubles same", [] { return NVK_ASSERT_NOT_EQUAL_DOUBLE(-2.5, -2.5); },
         "Expected doubles to not be equal but they were both '-2.500000'"},
    });
}

TEST_F(TypedAssertions, FloatsCompareExactlyAndPrintAsDoubles) {
    ExpectOutcomes({
        {"float equal", [] { return NVK_ASSERT_EQUAL_FLOAT(0.1f, 0.1f); }, nullptr},
        {"float differs", [] { return NVK_ASSERT_EQUAL_FLOAT(1.25f, 2.5f); },
         "Expected float to be '1.250000' but it was '2.500000'"},
        {"float rounding", [] { return NVK_ASSERT_EQUAL_FLOAT(0.1f, 0.2f); },
         "Expected float to be '0.100000' but it was '0.200000'"},
        {"signed zeros equal", [] { return NVK_ASSERT_EQUAL_FLOAT(0.0f, -0.0f); }, nullptr},
        {"NaN unequal to itself", [] { return NVK_ASSERT_EQUAL_FLOAT(kFloatNaN, kFloatNaN); },
         "Expected float to be 'nan' but it was 'nan'"},
        {"NaN not equal to itself", [] { return NVK_ASSERT_NOT_EQUAL_FLOAT(kFloatNaN, kFloatNaN); }, nullptr},
        {"floats differ", [] { return NVK_ASSERT_NOT_EQUAL_FLOAT(1.0f, 2.0f); }, nullptr},
        {"floats same", [] { return NVK_ASSERT_NOT_EQUAL_FLOAT(3.0f, 3.0f); },
         "Expected floats to not be equal but they were both '3.000000'"},
    });
}

TEST_F(TypedAssertions, ThirtyTwoBitIntegers) {
    const int32_t low = std::numeric_limits<int32_t>::min();
    const int32_t high = std::numeric_limits<int32_t>::max();
    ExpectOutcomes({
        {"int equal", [] { return NVK_ASSERT_EQUAL_INT(-5, -5); }, nullptr},
        {"int extremes", [&] { return NVK_ASSERT_EQUAL_INT(low, high); },
         "Expected integer to be '-2147483648' but it was '2147483647'"},
        {"ints differ", [] { return NVK_ASSERT_NOT_EQUAL_INT(1, 2); }, nullptr},
        {"ints same", [] { return NVK_ASSERT_NOT_EQUAL_INT(-7, -7); },
         "Expected integers to not be equal but they were both '-7'"},
        {"unsigned equal", [] { return NVK_ASSERT_EQUAL_UINT(4294967295u, 4294967295u); }, nullptr},
        {"unsigned differs", [] { return NVK_ASSERT_EQUAL_UINT(4294967295u, 0u); },
         "Expected unsigned integer to be '4294967295' but it was '0'"},
        {"unsigneds differ", [] { return NVK_ASSERT_NOT_EQUAL_UINT(1u, 2u); }, nullptr},
        {"unsigneds same", [] { return NVK_ASSERT_NOT_EQUAL_UINT(3000000000u, 3000000000u); },
         "Expected unsigned integers to not be equal but they were both '3000000000'"},
        {"long equal", [] { return NVK_ASSERT_EQUAL_LONG(-1, -1); }, nullptr},
        {"long extremes", [&] { return NVK_ASSERT_EQUAL_LONG(low, high); },
         "Expected long to be '-2147483648' but it was '2147483647'"},
        {"longs differ", [] { return NVK_ASSERT_NOT_EQUAL_LONG(1, 2); }, nullptr},
        {"longs same", [] { return NVK_ASSERT_NOT_EQUAL_LONG(-9, -9); },
         "Expected longs to not be equal but they were both '-9'"},
        {"unsigned long equal", [] { return NVK_ASSERT_EQUAL_ULONG(7u, 7u); }, nullptr},
        {"unsigned long differs", [] { return NVK_ASSERT_EQUAL_ULONG(0xFFFFFFFFu, 0u); },
         "Expected unsigned long to be '4294967295' but it was '0'"},
        {"unsigned longs differ", [] { return NVK_ASSERT_NOT_EQUAL_ULONG(7u, 8u); }, nullptr},
        {"unsigned longs same", [] { return NVK_ASSERT_NOT_EQUAL_ULONG(7u, 7u); },
         "Expected unsigned longs to not be equal but they were both '7'"},
    });
}

TEST_F(TypedAssertions, SixtyFourBitIntegers) {
    const long long low = std::numeric_limits<long long>::min();
    const long long high = std::numeric_limits<long long>::max();
    const unsigned long long top = std::numeric_limits<unsigned long long>::max();
    ExpectOutcomes({
        {"long long equal", [] { return NVK_ASSERT_EQUAL_LONG_LONG(1LL << 40, 1LL << 40); }, nullptr},
        {"long long extremes", [&] { return NVK_ASSERT_EQUAL_LONG_LONG(low, high); },
         "Expected long long to be '-9223372036854775808' but it was '9223372036854775807'"},
        {"long long differs above 32 bits", [] { return NVK_ASSERT_EQUAL_LONG_LONG(1LL << 32, 0); },
         "Expected long long to be '4294967296' but it was '0'"},
        {"long longs differ above 32 bits", [] { return NVK_ASSERT_NOT_EQUAL_LONG_LONG(1LL << 32, 0); }, nullptr},
        {"long longs same", [] { return NVK_ASSERT_NOT_EQUAL_LONG_LONG(-1, -1); },
         "Expected long longs to not be equal but they were both '-1'"},
        {"unsigned long long equal", [&] { return NVK_ASSERT_EQUAL_ULONG_LONG(top, top); }, nullptr},
        {"unsigned long long differs", [&] { return NVK_ASSERT_EQUAL_ULONG_LONG(top, 0u); },
         "Expected unsigned long long to be '18446744073709551615' but it was '0'"},
        {"unsigned long longs differ", [&] { return NVK_ASSERT_NOT_EQUAL_ULONG_LONG(top, 1u); }, nullptr},
        {"unsigned long longs same", [&] { return NVK_ASSERT_NOT_EQUAL_ULONG_LONG(top, top); },
         "Expected unsigned long longs to not be equal but they were both '18446744073709551615'"},
    });
}

TEST_F(TypedAssertions, PointersAndBooleans) {
    int first = 0;
    int second = 0;
    ExpectOutcomes({
        {"pointer equal", [&] { return NVK_ASSERT_EQUAL_POINTER(&first, &first); }, nullptr},
        {"null pointers equal", [] { return NVK_ASSERT_EQUAL_POINTER(nullptr, nullptr); }, nullptr},
        {"pointer differs", [&] { return NVK_ASSERT_EQUAL_POINTER(&first, &second); },
         "Expected pointers to be equal but they were not"},
        {"pointers differ", [&] { return NVK_ASSERT_NOT_EQUAL_POINTER(&first, &second); }, nullptr},
        {"pointers same", [&] { return NVK_ASSERT_NOT_EQUAL_POINTER(&first, &first); },
         "Expected pointers to not be equal but they were"},
        {"null", [] { return NVK_ASSERT_NULL(nullptr); }, nullptr},
        {"not null", [&] { return NVK_ASSERT_NULL(&first); }, "Expected pointer to be null but it was not"},
        {"not null passes", [&] { return NVK_ASSERT_NOT_NULL(&first); }, nullptr},
        {"null fails", [] { return NVK_ASSERT_NOT_NULL(nullptr); }, "Expected pointer to not be null but it was"},
        {"true", [] { return NVK_ASSERT_TRUE(1); }, nullptr},
        {"true given 0", [] { return NVK_ASSERT_TRUE(0); }, "Expected boolean to be true but it was false"},
        {"true given 2", [] { return NVK_ASSERT_TRUE(2); }, "Expected boolean to be true but it was false"},
        {"true given -1", [] { return NVK_ASSERT_TRUE(-1); }, "Expected boolean to be true but it was false"},
        {"false", [] { return NVK_ASSERT_FALSE(0); }, nullptr},
        {"false given 1", [] { return NVK_ASSERT_FALSE(1); }, "Expected boolean to be false but it was true"},
        {"false given 2", [] { return NVK_ASSERT_FALSE(2); }, "Expected boolean to be false but it was true"},
    });
}

TEST_F(TypedAssertions, ByteStrings) {
    const char *text = "abc";
    char copy[] = "abc";
    char emptyCopy[] = "";
    char accentedCopy[] = "\xE9t\xE9";
    const char *const equalFails = "Expected ASCII strings to be equal but they were not";
    const char *const notEqualFails = "Expected ASCII strings to not be equal but they were";
    ExpectOutcomes({
        {"same text", [&] { return NVK_ASSERT_EQUAL_STRING(text, copy); }, nullptr},
        {"same address", [&] { return NVK_ASSERT_EQUAL_STRING(text, text); }, nullptr},
        {"two nulls", [] { return NVK_ASSERT_EQUAL_STRING(nullptr, nullptr); }, nullptr},
        {"empty texts", [&] { return NVK_ASSERT_EQUAL_STRING("", emptyCopy); }, nullptr},
        {"high bytes", [&] { return NVK_ASSERT_EQUAL_STRING("\xE9t\xE9", accentedCopy); }, nullptr},
        {"expected null", [&] { return NVK_ASSERT_EQUAL_STRING(nullptr, text); }, equalFails},
        {"actual null", [&] { return NVK_ASSERT_EQUAL_STRING(text, nullptr); }, equalFails},
        {"letter case", [&] { return NVK_ASSERT_EQUAL_STRING(text, "ABC"); }, equalFails},
        {"actual longer", [&] { return NVK_ASSERT_EQUAL_STRING(text, "abcd"); }, equalFails},
        {"actual shorter", [&] { return NVK_ASSERT_EQUAL_STRING(text, "ab"); }, equalFails},
        {"high byte against ASCII", [] { return NVK_ASSERT_EQUAL_STRING("\xE9", "e"); }, equalFails},
        {"same address unequal", [&] { return NVK_ASSERT_NOT_EQUAL_STRING(text, text); }, notEqualFails},
        {"two nulls unequal", [] { return NVK_ASSERT_NOT_EQUAL_STRING(nullptr, nullptr); }, notEqualFails},
        {"same text unequal", [&] { return NVK_ASSERT_NOT_EQUAL_STRING(text, copy); }, notEqualFails},
        {"one null", [&] { return NVK_ASSERT_NOT_EQUAL_STRING(nullptr, text); }, nullptr},
        {"other null", [&] { return NVK_ASSERT_NOT_EQUAL_STRING(text, nullptr); }, nullptr},
        {"different texts", [&] { return NVK_ASSERT_NOT_EQUAL_STRING(text, "abd"); }, nullptr},
    });
}

TEST_F(TypedAssertions, WideStringsCompareWholeUnits) {
    static const NvkWideChar latinA[] = {0x41, 0};
    static const NvkWideChar latinAWithMacron[] = {0x141, 0};
    static const NvkWideChar high[] = {0xFFFF, 0x20AC, 0};
    static const NvkWideChar highCopy[] = {0xFFFF, 0x20AC, 0};
    static const NvkWideChar highPrefix[] = {0xFFFF, 0};
    const char *const equalFails = "Expected wide strings to be equal but they were not";
    const char *const notEqualFails = "Expected wide strings to not be equal but they were";
    ExpectOutcomes({
        {"same text", [] { return NVK_ASSERT_EQUAL_WSTRING(high, highCopy); }, nullptr},
        {"two nulls", [] { return NVK_ASSERT_EQUAL_WSTRING(nullptr, nullptr); }, nullptr},
        {"differ above low byte", [] { return NVK_ASSERT_EQUAL_WSTRING(latinA, latinAWithMacron); }, equalFails},
        {"actual shorter", [] { return NVK_ASSERT_EQUAL_WSTRING(high, highPrefix); }, equalFails},
        {"actual null", [] { return NVK_ASSERT_EQUAL_WSTRING(high, nullptr); }, equalFails},
        {"different texts", [] { return NVK_ASSERT_NOT_EQUAL_WSTRING(latinA, latinAWithMacron); }, nullptr},
        {"one null", [] { return NVK_ASSERT_NOT_EQUAL_WSTRING(nullptr, high); }, nullptr},
        {"same address", [] { return NVK_ASSERT_NOT_EQUAL_WSTRING(high, high); }, notEqualFails},
        {"same text unequal", [] { return NVK_ASSERT_NOT_EQUAL_WSTRING(high, highCopy); }, notEqualFails},
    });
}
