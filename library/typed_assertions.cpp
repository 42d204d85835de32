// The typed checks test code calls: each compares its values and ends in exactly one
// check, so it counts one pass or records one failure with its fixed message, after the
// calling thread's label when it set one.
#include <cstdarg>
#include <cstdint>

#include "check_record.h"
#include "labels.h"
#include "norvik.h"
#include "stored_message.h"

namespace {

// Without a label the message is formatted once, as NvkAssert formats it.
const char *Check(bool passed, const char *fileName, int lineNumber, const char *format, ...) {
    if (passed && nvk::CountedPassHere(fileName)) {
        return nullptr;
    }
    va_list arguments;
    va_start(arguments, format);
    const char *label = passed ? nullptr : nvk::CurrentLabel();
    const char *result = nullptr;
    if (label == nullptr) {
        result = nvk::Check(passed ? 1 : 0, fileName, lineNumber, format, arguments);
    } else {
        char message[nvk::kStoredMessageSize];
        nvk::FormatMessage(message, format, arguments);
        result = NvkAssert(0, fileName, lineNumber, "%s: %s", label, message);
    }
    va_end(arguments);
    return result;
}

// The message's conversions read their values as Printed: signed char and unsigned char
// reach "%c" widened with or without sign, wide chars as int without sign (so "%c"
// writes their low eight bits), floats as double, NvkLong as the int32_t "%d" expects.
template <typename Printed, typename Value>
const char *CheckEqual(Value expected, Value actual, const char *fileName, int lineNumber, const char *message) {
    return Check(expected == actual, fileName, lineNumber, message, static_cast<Printed>(expected),
                 static_cast<Printed>(actual));
}

// When the check fails both values are equal, so the message shows the first.
template <typename Printed, typename Value>
const char *CheckNotEqual(Value expected, Value actual, const char *fileName, int lineNumber, const char *message) {
    return Check(!(expected == actual), fileName, lineNumber, message, static_cast<Printed>(expected));
}

template <typename Unit>
bool SameText(const Unit *first, const Unit *second) {
    for (; *first == *second; ++first, ++second) {
        if (*first == 0) {
            return true;
        }
    }
    return false;
}

// The same address (two nulls included) or a single null settles the check without
// reading either text; a pass settled that way is counted without a message.
template <typename Unit>
const char *CheckStrings(bool wantEqual, const Unit *expected, const Unit *actual, const char *fileName, int lineNumber,
                         const char *message) {
    const bool settled = expected == actual || expected == nullptr || actual == nullptr;
    const bool equal = settled ? expected == actual : SameText(expected, actual);
    const bool passed = equal == wantEqual;
    return Check(passed, fileName, lineNumber, passed && settled ? nullptr : message);
}

}  // namespace

extern "C" {

// ---- Equality ----------------------------------------------------------------------

const char *NVK_CALL NvkAssertAreEqualCharImpA(char expected, char actual, const char *fileName, int lineNumber) {
    return CheckEqual<signed char>(expected, actual, fileName, lineNumber,
                                   "Expected ASCII char to be '%c' but it was '%c'");
}

const char *NVK_CALL NvkAssertAreEqualCharImpW(NvkWideChar expected, NvkWideChar actual, const char *fileName,
                                               int lineNumber) {
    return CheckEqual<int>(expected, actual, fileName, lineNumber, "Expected wide char to be '%c' but it was '%c'");
}

const char *NVK_CALL NvkAssertAreEqualDoubleImp(double expected, double actual, const char *fileName, int lineNumber) {
    return CheckEqual<double>(expected, actual, fileName, lineNumber, "Expected double to be '%f' but it was '%f'");
}

const char *NVK_CALL NvkAssertAreEqualFloatImp(float expected, float actual, const char *fileName, int lineNumber) {
    return CheckEqual<double>(expected, actual, fileName, lineNumber, "Expected float to be '%f' but it was '%f'");
}

const char *NVK_CALL NvkAssertAreEqualIntImp(int expected, int actual, const char *fileName, int lineNumber) {
    return CheckEqual<int>(expected, actual, fileName, lineNumber, "Expected integer to be '%d' but it was '%d'");
}

const char *NVK_CALL NvkAssertAreEqualLongImp(NvkLong expected, NvkLong actual, const char *fileName, int lineNumber) {
    return CheckEqual<int32_t>(expected, actual, fileName, lineNumber, "Expected long to be '%d' but it was '%d'");
}

const char *NVK_CALL NvkAssertAreEqualLongLongImp(long long expected, long long actual, const char *fileName,
                                                  int lineNumber) {
    return CheckEqual<long long>(expected, actual, fileName, lineNumber,
                                 "Expected long long to be '%lld' but it was '%lld'");
}

const char *NVK_CALL NvkAssertAreEqualPointerImp(const void *expected, const void *actual, const char *fileName,
                                                 int lineNumber) {
    return CheckEqual<const void *>(expected, actual, fileName, lineNumber,
                                    "Expected pointers to be equal but they were not");
}

const char *NVK_CALL NvkAssertAreEqualStringImpA(const char *expected, const char *actual, const char *fileName,
                                                 int lineNumber) {
    return CheckStrings(true, expected, actual, fileName, lineNumber,
                        "Expected ASCII strings to be equal but they were not");
}

const char *NVK_CALL NvkAssertAreEqualStringImpW(const NvkWideChar *expected, const NvkWideChar *actual,
                                                 const char *fileName, int lineNumber) {
    return CheckStrings(true, expected, actual, fileName, lineNumber,
                        "Expected wide strings to be equal but they were not");
}

const char *NVK_CALL NvkAssertAreEqualUCharImp(unsigned char expected, unsigned char actual, const char *fileName,
                                               int lineNumber) {
    return CheckEqual<unsigned char>(expected, actual, fileName, lineNumber,
                                     "Expected unsigned char to be '%c' but it was '%c'");
}

const char *NVK_CALL NvkAssertAreEqualUIntImp(unsigned int expected, unsigned int actual, const char *fileName,
                                              int lineNumber) {
    return CheckEqual<unsigned int>(expected, actual, fileName, lineNumber,
                                    "Expected unsigned integer to be '%u' but it was '%u'");
}

const char *NVK_CALL NvkAssertAreEqualULongImp(NvkULong expected, NvkULong actual, const char *fileName,
                                               int lineNumber) {
    return CheckEqual<uint32_t>(expected, actual, fileName, lineNumber,
                                "Expected unsigned long to be '%u' but it was '%u'");
}

const char *NVK_CALL NvkAssertAreEqualULongLongImp(unsigned long long expected, unsigned long long actual,
                                                   const char *fileName, int lineNumber) {
    return CheckEqual<unsigned long long>(expected, actual, fileName, lineNumber,
                                          "Expected unsigned long long to be '%llu' but it was '%llu'");
}

// ---- Inequality --------------------------------------------------------------------

const char *NVK_CALL NvkAssertAreNotEqualCharImpA(char expected, char actual, const char *fileName, int lineNumber) {
    return CheckNotEqual<signed char>(expected, actual, fileName, lineNumber,
                                      "Expected ASCII chars to not be equal but they were both '%c'");
}

const char *NVK_CALL NvkAssertAreNotEqualCharImpW(NvkWideChar expected, NvkWideChar actual, const char *fileName,
                                                  int lineNumber) {
    return CheckNotEqual<int>(expected, actual, fileName, lineNumber,
                              "Expected wide chars to not be equal but they were both '%c'");
}

const char *NVK_CALL NvkAssertAreNotEqualDoubleImp(double expected, double actual, const char *fileName,
                                                   int lineNumber) {
    return CheckNotEqual<double>(expected, actual, fileName, lineNumber,
                                 "Expected doubles to not be equal but they were both '%f'");
}

const char *NVK_CALL NvkAssertAreNotEqualFloatImp(float expected, float actual, const char *fileName, int lineNumber) {
    return CheckNotEqual<double>(expected, actual, fileName, lineNumber,
                                 "Expected floats to not be equal but they were both '%f'");
}

const char *NVK_CALL NvkAssertAreNotEqualIntImp(int expected, int actual, const char *fileName, int lineNumber) {
    return CheckNotEqual<int>(expected, actual, fileName, lineNumber,
                              "Expected integers to not be equal but they were both '%d'");
}

const char *NVK_CALL NvkAssertAreNotEqualLongImp(NvkLong expected, NvkLong actual, const char *fileName,
                                                 int lineNumber) {
    return CheckNotEqual<int32_t>(expected, actual, fileName, lineNumber,
                                  "Expected longs to not be equal but they were both '%d'");
}

const char *NVK_CALL NvkAssertAreNotEqualLongLongImp(long long expected, long long actual, const char *fileName,
                                                     int lineNumber) {
    return CheckNotEqual<long long>(expected, actual, fileName, lineNumber,
                                    "Expected long longs to not be equal but they were both '%lld'");
}

const char *NVK_CALL NvkAssertAreNotEqualPointerImp(const void *expected, const void *actual, const char *fileName,
                                                    int lineNumber) {
    return CheckNotEqual<const void *>(expected, actual, fileName, lineNumber,
                                       "Expected pointers to not be equal but they were");
}

const char *NVK_CALL NvkAssertAreNotEqualStringImpA(const char *expected, const char *actual, const char *fileName,
                                                    int lineNumber) {
    return CheckStrings(false, expected, actual, fileName, lineNumber,
                        "Expected ASCII strings to not be equal but they were");
}

const char *NVK_CALL NvkAssertAreNotEqualStringImpW(const NvkWideChar *expected, const NvkWideChar *actual,
                                                    const char *fileName, int lineNumber) {
    return CheckStrings(false, expected, actual, fileName, lineNumber,
                        "Expected wide strings to not be equal but they were");
}

const char *NVK_CALL NvkAssertAreNotEqualUCharImp(unsigned char expected, unsigned char actual, const char *fileName,
                                                  int lineNumber) {
    return CheckNotEqual<unsigned char>(expected, actual, fileName, lineNumber,
                                        "Expected unsigned chars to not be equal but they were both '%c'");
}

const char *NVK_CALL NvkAssertAreNotEqualUIntImp(unsigned int expected, unsigned int actual, const char *fileName,
                                                 int lineNumber) {
    return CheckNotEqual<unsigned int>(expected, actual, fileName, lineNumber,
                                       "Expected unsigned integers to not be equal but they were both '%u'");
}

const char *NVK_CALL NvkAssertAreNotEqualULongImp(NvkULong expected, NvkULong actual, const char *fileName,
                                                  int lineNumber) {
    return CheckNotEqual<uint32_t>(expected, actual, fileName, lineNumber,
                                   "Expected unsigned longs to not be equal but they were both '%u'");
}

const char *NVK_CALL NvkAssertAreNotEqualULongLongImp(unsigned long long expected, unsigned long long actual,
                                                      const char *fileName, int lineNumber) {
    return CheckNotEqual<unsigned long long>(expected, actual, fileName, lineNumber,
                                             "Expected unsigned long longs to not be equal but they were both '%llu'");
}

// ---- One value ---------------------------------------------------------------------

// Only exactly 1 is true: a value like 2 or -1 is usually a count or an error code.
const char *NVK_CALL NvkAssertIsTrueImp(int value, const char *fileName, int lineNumber) {
    return Check(value == 1, fileName, lineNumber, "Expected boolean to be true but it was false");
}

const char *NVK_CALL NvkAssertIsFalseImp(int value, const char *fileName, int lineNumber) {
    return Check(value == 0, fileName, lineNumber, "Expected boolean to be false but it was true");
}

const char *NVK_CALL NvkAssertIsNullImp(const void *value, const char *fileName, int lineNumber) {
    return Check(value == nullptr, fileName, lineNumber, "Expected pointer to be null but it was not");
}

const char *NVK_CALL NvkAssertIsNotNullImp(const void *value, const char *fileName, int lineNumber) {
    return Check(value != nullptr, fileName, lineNumber, "Expected pointer to not be null but it was");
}

}  // extern "C"
