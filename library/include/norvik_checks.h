/*
 * Checks whose failure messages show the values, labels for table-driven tests, and the
 * REQUIRE forms that end the test function on failure. Included by norvik_test.h.
 *
 *   NVK_ASSERT_EQUAL_TEXT(expected, actual)   NVK_ASSERT_NOT_EQUAL_TEXT(expected, actual)
 *   NVK_ASSERT_EQUAL_WTEXT(expected, actual)  NVK_ASSERT_NOT_EQUAL_WTEXT(expected, actual)
 *     compared as the STRING checks compare; the message shows both strings, escaped,
 *     cut around the first difference, which it marks [like this] and gives the index of
 *   NVK_ASSERT_EQUAL_MEMORY(expected, actual, size)  size bytes; hex view of both blocks
 *   NVK_ASSERT_ALMOST_EQUAL_<DOUBLE|FLOAT>(expected, actual)        within 4 ULPs
 *   NVK_ASSERT_WITHIN_ULPS_<DOUBLE|FLOAT>(expected, actual, ulps)
 *   NVK_ASSERT_NEAR_RELATIVE_<DOUBLE|FLOAT>(expected, actual, tolerance)
 *   NVK_ASSERT_<LT|LE|GT|GE>_<INT|UINT|LONG_LONG|ULONG_LONG|DOUBLE>(left, right)
 *   NVK_LABEL(format, ...)  starts the failure messages of every check with a fixed text that
 *                           this thread makes in the running test, until its next label or the
 *                           test's end
 *   NVK_REQUIRE_...         every check of norvik_test.h, returning from the test function
 *                           when it fails
 *
 * Each check formats its whole message here and hands it to NvkAssert, so it counts and
 * records as every other check does, breaks into the debugger as every other check does,
 * and returns the stored message or NULL.
 */
#ifndef NORVIK_CHECKS_H
#define NORVIK_CHECKS_H

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "norvik_test.h"

/* MinGW's own formatting and reading follow C99 (%lld, two-digit exponents, exact
 * rounding) whichever C runtime the test DLL uses, as the compiler's format check assumes. */
#if defined(__MINGW32__)
#  define NVK_CHECK_VSNPRINTF __mingw_vsnprintf
#  define NVK_CHECK_SNPRINTF __mingw_snprintf
#  define NVK_CHECK_STRTOD __mingw_strtod
#  define NVK_CHECK_STRTOF __mingw_strtof
#else
#  define NVK_CHECK_VSNPRINTF vsnprintf
#  define NVK_CHECK_SNPRINTF snprintf
#  define NVK_CHECK_STRTOD strtod
#  define NVK_CHECK_STRTOF strtof
#endif

/* ---- Messages and labels ----------------------------------------------------------- */

/* length, less the bytes of a UTF-8 character that the first length bytes of text end inside:
 * a lead byte (0xC2 to 0xF4) followed by fewer continuation bytes (0x80 to 0xBF) than it
 * announces. Text that is not UTF-8 there is kept as it is. */
static NVK_INLINE size_t NvkCheckWholeCharacters(const char *text, size_t length) {
    const unsigned char *bytes = (const unsigned char *)text;
    size_t start = length;
    unsigned lead;
    size_t announced;
    while (start > 0 && length - start < 3 && bytes[start - 1] >= 0x80 && bytes[start - 1] <= 0xBF) --start;
    if (start == 0) return length;
    lead = bytes[start - 1];
    announced = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
    return announced > length - start + 1 ? start - 1 : length;
}

/* A failure message as the library stores it: at most 1023 characters. Once cut, it takes
 * nothing more, so that it never goes on after a gap. */
typedef struct NvkCheckText {
    char text[1024];
    size_t length;
    int cut;
} NvkCheckText;

static NVK_INLINE void NvkCheckAppend(NvkCheckText *message, const char *format, ...) NVK_PRINTF_FORMAT(2, 3);
static NVK_INLINE void NvkCheckAppend(NvkCheckText *message, const char *format, ...) {
    const size_t room = sizeof message->text - message->length;
    int written;
    va_list arguments;
    if (message->cut) return;
    va_start(arguments, format);
    written = NVK_CHECK_VSNPRINTF(message->text + message->length, room, format, arguments);
    va_end(arguments);
    if (written >= 0 && (size_t)written < room) {
        message->length += (size_t)written;
    } else if (written >= 0) {
        message->length = NvkCheckWholeCharacters(message->text, sizeof message->text - 1);
        message->cut = 1;
    }
    message->text[message->length] = '\0';
}

/* ---- Breaking into the debugger --------------------------------------------------- */

/* A breakpoint instruction in the expansion of the check, so that the debugger stops on
 * the check's own line rather than in a function of the library or of this header. A
 * debugger shows where the trap left off: the nop after it keeps that on the check. */
#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
#  define NVK_DEBUG_BREAK() __extension__({ __asm__ __volatile__("int3\n\tnop"); })
#elif defined(__clang__)
#  define NVK_DEBUG_BREAK() __builtin_debugtrap()
#elif defined(_MSC_VER)
#  include <intrin.h>
#  define NVK_DEBUG_BREAK() __debugbreak()
#else
#  include <signal.h>
#  define NVK_DEBUG_BREAK() ((void)raise(SIGTRAP))
#endif

/* The check's result, after a break when it failed and NvkSetBreakOnFailure asked for one
 * while a debugger is attached. The result is evaluated once: in a statement expression
 * where the compiler has them, else through a variable of this source file. */
#if defined(__GNUC__)
#  define NVK_CHECK_BREAKS(check) \
      __extension__({ \
          const char *nvkCheckMessage = (check); \
          if (nvkCheckMessage != NULL && NvkShouldBreakOnFailure()) NVK_DEBUG_BREAK(); \
          nvkCheckMessage; \
      })
#else
static NVK_INLINE const char **NvkCheckKeptMessage(void) {
    static const char *message;
    return &message;
}
static NVK_INLINE const char *NvkCheckKeep(const char *message) { return *NvkCheckKeptMessage() = message; }
#  define NVK_CHECK_BREAKS(check) \
      (NvkCheckKeep(check) != NULL && NvkShouldBreakOnFailure() ? (NVK_DEBUG_BREAK(), *NvkCheckKeptMessage()) \
                                                                : *NvkCheckKeptMessage())
#endif

#define NVK_CHECK_FOLLOWED(check) NVK_CHECK_BREAKS(check)

/* The label lives in the library, with the running test and the thread that set it: the
 * text is formatted here, as the messages are, and handed over. */
static NVK_INLINE void NvkCheckSetLabel(const char *fileName, int lineNumber, const char *format, ...)
    NVK_PRINTF_FORMAT(3, 4);
static NVK_INLINE void NvkCheckSetLabel(const char *fileName, int lineNumber, const char *format, ...) {
    char text[256];
    int written;
    va_list arguments;
    va_start(arguments, format);
    written = NVK_CHECK_VSNPRINTF(text, sizeof text, format, arguments);
    va_end(arguments);
    if (written < 0) text[0] = '\0';
    if (written >= (int)sizeof text) text[NvkCheckWholeCharacters(text, sizeof text - 1)] = '\0';
    NvkSetLabel(fileName, lineNumber, text);
}

/* A check that passed, or the start of a failure message: this thread's label, if any. */
static NVK_INLINE const char *NvkCheckPass(const char *fileName, int lineNumber) {
    return NvkAssert(1, fileName, lineNumber, "%s", "");
}

static NVK_INLINE void NvkCheckStartMessage(NvkCheckText *message) {
    const char *label = NvkGetLabel();
    message->length = 0;
    message->cut = 0;
    message->text[0] = '\0';
    if (label != NULL) NvkCheckAppend(message, "%s: ", label);
}

static NVK_INLINE const char *NvkCheckFail(const NvkCheckText *message, const char *fileName, int lineNumber) {
    return NvkAssert(0, fileName, lineNumber, "%s", message->text);
}

/* ---- Strings ------------------------------------------------------------------------- */

#define NVK_CHECK_NO_INDEX ((size_t)-1)
/* Units shown before and after the first difference: two strings escaped at worst, the
 * text and a label still fit the 1023 characters. */
#define NVK_CHECK_UNITS_BEFORE 16
#define NVK_CHECK_UNITS_AFTER 32

static NVK_INLINE unsigned NvkCheckUnit(const void *text, int wide, size_t index) {
    return wide ? (unsigned)((const NvkWideChar *)text)[index] : (unsigned)((const unsigned char *)text)[index];
}

static NVK_INLINE void NvkCheckAppendUnit(NvkCheckText *message, unsigned unit, int wide) {
    switch (unit) {
    case '\\': NvkCheckAppend(message, "\\\\"); break;
    case '"': NvkCheckAppend(message, "\\\""); break;
    case '\n': NvkCheckAppend(message, "\\n"); break;
    case '\r': NvkCheckAppend(message, "\\r"); break;
    case '\t': NvkCheckAppend(message, "\\t"); break;
    default:
        if (unit >= 0x20 && unit < 0x7F) NvkCheckAppend(message, "%c", (int)unit);
        else NvkCheckAppend(message, wide ? "\\u%04x" : "\\x%02x", unit);
    }
}

/* The string quoted and escaped, cut around difference (NVK_CHECK_NO_INDEX: from the start),
 * the unit there in brackets; "[]" when the string ends there. */
static NVK_INLINE void NvkCheckAppendString(NvkCheckText *message, const void *text, int wide, size_t difference) {
    size_t length = 0;
    size_t from = 0;
    size_t to;
    size_t index;
    if (text == NULL) {
        NvkCheckAppend(message, "NULL");
        return;
    }
    while (NvkCheckUnit(text, wide, length) != 0) ++length;
    if (difference == NVK_CHECK_NO_INDEX) {
        to = NVK_CHECK_UNITS_BEFORE + NVK_CHECK_UNITS_AFTER;
    } else {
        from = difference > NVK_CHECK_UNITS_BEFORE ? difference - NVK_CHECK_UNITS_BEFORE : 0;
        to = difference + NVK_CHECK_UNITS_AFTER;
    }
    if (to > length) to = length;
    NvkCheckAppend(message, "%s\"", from > 0 ? "..." : "");
    for (index = from; index < to; ++index) {
        if (index == difference) NvkCheckAppend(message, "[");
        NvkCheckAppendUnit(message, NvkCheckUnit(text, wide, index), wide);
        if (index == difference) NvkCheckAppend(message, "]");
    }
    NvkCheckAppend(message, "%s\"%s", difference == length ? "[]" : "", to < length ? "..." : "");
}

static NVK_INLINE const char *NvkCheckStrings(const void *expected, const void *actual, int wide, int wantEqual,
                                              const char *fileName, int lineNumber) {
    const char *kind = wide ? "wide string" : "string";
    const int bothThere = expected != NULL && actual != NULL;
    size_t difference = 0;
    int equal = expected == actual;
    NvkCheckText message;
    if (!equal && bothThere) {
        while (NvkCheckUnit(expected, wide, difference) == NvkCheckUnit(actual, wide, difference) &&
               NvkCheckUnit(expected, wide, difference) != 0) {
            ++difference;
        }
        equal = NvkCheckUnit(expected, wide, difference) == NvkCheckUnit(actual, wide, difference);
    }
    if (equal == wantEqual) return NvkCheckPass(fileName, lineNumber);

    NvkCheckStartMessage(&message);
    if (wantEqual) {
        if (!bothThere) difference = NVK_CHECK_NO_INDEX;
        NvkCheckAppend(&message, "Expected %s to be ", kind);
        NvkCheckAppendString(&message, expected, wide, difference);
        NvkCheckAppend(&message, " but it was ");
        NvkCheckAppendString(&message, actual, wide, difference);
        if (bothThere) NvkCheckAppend(&message, " (first difference at index %llu)", (unsigned long long)difference);
    } else {
        NvkCheckAppend(&message, "Expected %ss to differ but both were ", kind);
        NvkCheckAppendString(&message, expected, wide, NVK_CHECK_NO_INDEX);
    }
    return NvkCheckFail(&message, fileName, lineNumber);
}

/* Typed, so that a string of the other width draws the compiler's warning. */
static NVK_INLINE const char *NvkCheckNarrowStrings(const char *expected, const char *actual, int wantEqual,
                                                    const char *fileName, int lineNumber) {
    return NvkCheckStrings(expected, actual, 0, wantEqual, fileName, lineNumber);
}

static NVK_INLINE const char *NvkCheckWideStrings(const NvkWideChar *expected, const NvkWideChar *actual,
                                                  int wantEqual, const char *fileName, int lineNumber) {
    return NvkCheckStrings(expected, actual, 1, wantEqual, fileName, lineNumber);
}

#define NVK_ASSERT_EQUAL_TEXT(expected, actual) \
    NVK_CHECK_BREAKS(NvkCheckNarrowStrings((expected), (actual), 1, __FILE__, __LINE__))
#define NVK_ASSERT_NOT_EQUAL_TEXT(expected, actual) \
    NVK_CHECK_BREAKS(NvkCheckNarrowStrings((expected), (actual), 0, __FILE__, __LINE__))
#define NVK_ASSERT_EQUAL_WTEXT(expected, actual) \
    NVK_CHECK_BREAKS(NvkCheckWideStrings((expected), (actual), 1, __FILE__, __LINE__))
#define NVK_ASSERT_NOT_EQUAL_WTEXT(expected, actual) \
    NVK_CHECK_BREAKS(NvkCheckWideStrings((expected), (actual), 0, __FILE__, __LINE__))

/* ---- Memory -------------------------------------------------------------------------- */

#define NVK_CHECK_BYTES_BEFORE 8
#define NVK_CHECK_BYTES_AFTER 8

static NVK_INLINE void NvkCheckAppendBytes(NvkCheckText *message, const unsigned char *block, size_t size,
                                           size_t difference) {
    const size_t from = difference > NVK_CHECK_BYTES_BEFORE ? difference - NVK_CHECK_BYTES_BEFORE : 0;
    const size_t to = size - difference > NVK_CHECK_BYTES_AFTER ? difference + NVK_CHECK_BYTES_AFTER : size;
    size_t offset;
    if (from > 0) NvkCheckAppend(message, "... ");
    for (offset = from; offset < to; ++offset) {
        NvkCheckAppend(message, offset == difference ? "[%02x]" : "%02x", block[offset]);
        if (offset + 1 < to) NvkCheckAppend(message, " ");
    }
    if (to < size) NvkCheckAppend(message, " ...");
}

static NVK_INLINE const char *NvkCheckMemory(const void *expected, const void *actual, size_t size,
                                             const char *fileName, int lineNumber) {
    const unsigned char *expectedBytes = (const unsigned char *)expected;
    const unsigned char *actualBytes = (const unsigned char *)actual;
    size_t first = 0;
    size_t differing = 0;
    size_t offset;
    NvkCheckText message;
    if (size == 0 || expected == actual) return NvkCheckPass(fileName, lineNumber);
    if (expected != NULL && actual != NULL) {
        for (offset = 0; offset < size; ++offset) {
            if (expectedBytes[offset] == actualBytes[offset]) continue;
            if (differing++ == 0) first = offset;
        }
        if (differing == 0) return NvkCheckPass(fileName, lineNumber);
    }

    NvkCheckStartMessage(&message);
    NvkCheckAppend(&message, "Expected blocks of %llu byte%s to be equal but ", (unsigned long long)size,
                   size == 1 ? "" : "s");
    if (expected == NULL || actual == NULL) {
        NvkCheckAppend(&message, "the %s block was NULL", expected == NULL ? "expected" : "actual");
    } else {
        NvkCheckAppend(&message, "%llu differ, the first at offset %llu: expected ", (unsigned long long)differing,
                       (unsigned long long)first);
        NvkCheckAppendBytes(&message, expectedBytes, size, first);
        NvkCheckAppend(&message, " but it was ");
        NvkCheckAppendBytes(&message, actualBytes, size, first);
    }
    return NvkCheckFail(&message, fileName, lineNumber);
}

#define NVK_ASSERT_EQUAL_MEMORY(expected, actual, size) \
    NVK_CHECK_BREAKS(NvkCheckMemory((expected), (actual), (size), __FILE__, __LINE__))

/* ---- Floating point ------------------------------------------------------------------ */

/* What the checks need to know of double or float: the sign and exponent bits, and how
 * many significant digits always tell two values apart. */
typedef struct NvkCheckFloating {
    const char *name;
    unsigned long long sign;
    unsigned long long exponent;
    int digits;
} NvkCheckFloating;

static const NvkCheckFloating kNvkCheckDouble = {"double", 0x8000000000000000ULL, 0x7FF0000000000000ULL, 17};
static const NvkCheckFloating kNvkCheckFloat = {"float", 0x80000000ULL, 0x7F800000ULL, 9};

static NVK_INLINE unsigned long long NvkCheckBits(double value, const NvkCheckFloating *type) {
    if (type->digits == kNvkCheckFloat.digits) {
        const float narrow = (float)value;
        uint32_t bits;
        memcpy(&bits, &narrow, sizeof bits);
        return bits;
    } else {
        uint64_t bits;
        memcpy(&bits, &value, sizeof bits);
        return bits;
    }
}

static NVK_INLINE int NvkCheckIsFinite(unsigned long long bits, const NvkCheckFloating *type) {
    return (bits & type->exponent) != type->exponent;
}

static NVK_INLINE int NvkCheckIsNaN(unsigned long long bits, const NvkCheckFloating *type) {
    return !NvkCheckIsFinite(bits, type) && (bits & ~(type->sign | type->exponent)) != 0;
}

/* The values in order as unsigned integers, -0 and 0 alike, so that the number of
 * representable values between two is a subtraction. */
static NVK_INLINE unsigned long long NvkCheckOrdered(unsigned long long bits, const NvkCheckFloating *type) {
    const unsigned long long magnitude = bits & ~type->sign;
    return (bits & type->sign) != 0 ? type->sign - magnitude : type->sign + magnitude;
}

/* The shortest "%g" text that reads back as the same value. */
static NVK_INLINE const char *NvkCheckFormatFloating(char *text, size_t size, double value,
                                                      const NvkCheckFloating *type) {
    const unsigned long long bits = NvkCheckBits(value, type);
    char candidate[32];
    int digits;
    if (NvkCheckIsNaN(bits, type)) return "nan";
    if (!NvkCheckIsFinite(bits, type)) return (bits & type->sign) != 0 ? "-inf" : "inf";
    text[0] = '\0';
    /* More digits may be shorter: 100 reads back from "1e+02" already. */
    for (digits = 1; digits <= type->digits; ++digits) {
        double readBack;
        NVK_CHECK_SNPRINTF(candidate, sizeof candidate, "%.*g", digits, value);
        readBack = type->digits == kNvkCheckFloat.digits ? (double)NVK_CHECK_STRTOF(candidate, NULL)
                                                         : NVK_CHECK_STRTOD(candidate, NULL);
        if (NvkCheckBits(readBack, type) == bits && (text[0] == '\0' || strlen(candidate) < strlen(text))) {
            NVK_CHECK_SNPRINTF(text, size, "%s", candidate);
        }
    }
    return text;
}

static NVK_INLINE void NvkCheckAppendExpectation(NvkCheckText *message, double expected, double actual,
                                                 const char *within, const NvkCheckFloating *type) {
    char expectedText[32];
    char actualText[32];
    NvkCheckAppend(message, "Expected %s to be '%s' within %s but it was '%s'", type->name,
                   NvkCheckFormatFloating(expectedText, sizeof expectedText, expected, type), within,
                   NvkCheckFormatFloating(actualText, sizeof actualText, actual, type));
}

/* Finite values pass within ulps representable steps; an infinity equals only itself; a NaN
 * equals nothing. */
static NVK_INLINE const char *NvkCheckUlps(double expected, double actual, unsigned long long ulps,
                                           const NvkCheckFloating *type, const char *fileName, int lineNumber) {
    const unsigned long long expectedBits = NvkCheckBits(expected, type);
    const unsigned long long actualBits = NvkCheckBits(actual, type);
    const unsigned long long expectedOrder = NvkCheckOrdered(expectedBits, type);
    const unsigned long long actualOrder = NvkCheckOrdered(actualBits, type);
    const unsigned long long distance =
        expectedOrder > actualOrder ? expectedOrder - actualOrder : actualOrder - expectedOrder;
    const int finite = NvkCheckIsFinite(expectedBits, type) && NvkCheckIsFinite(actualBits, type);
    char within[48];
    NvkCheckText message;
    if (finite ? distance <= ulps : expectedBits == actualBits && !NvkCheckIsNaN(expectedBits, type)) {
        return NvkCheckPass(fileName, lineNumber);
    }
    NvkCheckStartMessage(&message);
    NVK_CHECK_SNPRINTF(within, sizeof within, "%llu ULP%s", ulps, ulps == 1 ? "" : "s");
    NvkCheckAppendExpectation(&message, expected, actual, within, type);
    if (finite) NvkCheckAppend(&message, ", %llu ULP%s apart", distance, distance == 1 ? "" : "s");
    return NvkCheckFail(&message, fileName, lineNumber);
}

static NVK_INLINE double NvkCheckMagnitude(double value) { return value < 0 ? -value : value; }

/* How much two finite values differ, relative to the larger magnitude (0 for two zeros).
 * Values above 1 are halved first, exactly, so that the difference of two of opposite signs
 * stays finite; dividing, rather than multiplying the tolerance, keeps the smallest values
 * from rounding to a match. */
static NVK_INLINE double NvkCheckRelativeDifference(double expected, double actual) {
    const double larger = NvkCheckMagnitude(expected) > NvkCheckMagnitude(actual) ? NvkCheckMagnitude(expected)
                                                                                  : NvkCheckMagnitude(actual);
    const double scale = larger > 1.0 ? 0.5 : 1.0;
    if (!(larger > 0.0)) return 0.0;
    return NvkCheckMagnitude(expected * scale - actual * scale) / (larger * scale);
}

/* Passes when the relative difference is at most tolerance, and for two equal infinities;
 * never for a NaN. */
static NVK_INLINE const char *NvkCheckRelative(double expected, double actual, double tolerance,
                                               const NvkCheckFloating *type, const char *fileName,
                                               int lineNumber) {
    const unsigned long long expectedBits = NvkCheckBits(expected, type);
    const unsigned long long actualBits = NvkCheckBits(actual, type);
    const int finite = NvkCheckIsFinite(expectedBits, type) && NvkCheckIsFinite(actualBits, type);
    const double difference = finite ? NvkCheckRelativeDifference(expected, actual) : 0.0;
    char within[64];
    char toleranceText[32];
    NvkCheckText message;
    if (finite ? difference <= tolerance : expectedBits == actualBits && !NvkCheckIsNaN(expectedBits, type)) {
        return NvkCheckPass(fileName, lineNumber);
    }
    NvkCheckStartMessage(&message);
    NVK_CHECK_SNPRINTF(within, sizeof within, "a relative tolerance of '%s'",
                       NvkCheckFormatFloating(toleranceText, sizeof toleranceText, tolerance, type));
    NvkCheckAppendExpectation(&message, expected, actual, within, type);
    if (finite) NvkCheckAppend(&message, ", a relative difference of '%.3g'", difference);
    return NvkCheckFail(&message, fileName, lineNumber);
}

/* A NaN is near nothing, whatever the tolerance, and an infinity only the same infinity.
 * Finite values are near when equal, so that a negative tolerance accepts nothing else, or at
 * most tolerance apart. Their difference may round up to infinity, which, like the true
 * difference, is above every finite tolerance. */
static NVK_INLINE int NvkCheckIsNear(double expected, double actual, double tolerance) {
    const unsigned long long expectedBits = NvkCheckBits(expected, &kNvkCheckDouble);
    const unsigned long long actualBits = NvkCheckBits(actual, &kNvkCheckDouble);
    /* Equality without ==, which -Wfloat-equal would flag in users' builds. */
    const int equal = expected <= actual && expected >= actual;
    if (NvkCheckIsNaN(expectedBits, &kNvkCheckDouble) || NvkCheckIsNaN(actualBits, &kNvkCheckDouble) ||
        NvkCheckIsNaN(NvkCheckBits(tolerance, &kNvkCheckDouble), &kNvkCheckDouble)) {
        return 0;
    }
    if (!NvkCheckIsFinite(expectedBits, &kNvkCheckDouble) || !NvkCheckIsFinite(actualBits, &kNvkCheckDouble)) {
        return equal;
    }
    return equal || NvkCheckMagnitude(expected - actual) <= tolerance;
}

/* The label and its separator, or two empty texts: a failure message without a label is the
 * fixed text alone. */
static NVK_INLINE const char *NvkCheckLabelText(void) {
    const char *label = NvkGetLabel();
    return label != NULL ? label : "";
}

static NVK_INLINE const char *NvkAssertNearDoubleImp(double expected, double actual, double tolerance,
                                                     const char *fileName, int lineNumber) {
    const char *label;
    if (NvkCheckIsNear(expected, actual, tolerance)) return NvkCheckPass(fileName, lineNumber);
    label = NvkCheckLabelText();
    return NvkAssert(0, fileName, lineNumber, "%s%sExpected double to be '%.17g' +/- '%.17g' but it was '%.17g'",
                     label, label[0] != '\0' ? ": " : "", expected, tolerance, actual);
}

/* A float is a double exactly, and no difference of two overflows a double. */
static NVK_INLINE const char *NvkAssertNearFloatImp(float expected, float actual, float tolerance,
                                                    const char *fileName, int lineNumber) {
    const char *label;
    if (NvkCheckIsNear((double)expected, (double)actual, (double)tolerance)) return NvkCheckPass(fileName, lineNumber);
    label = NvkCheckLabelText();
    return NvkAssert(0, fileName, lineNumber, "%s%sExpected float to be '%.9g' +/- '%.9g' but it was '%.9g'", label,
                     label[0] != '\0' ? ": " : "", (double)expected, (double)tolerance, (double)actual);
}

#define NVK_ASSERT_WITHIN_ULPS_DOUBLE(expected, actual, ulps) \
    NVK_CHECK_BREAKS(NvkCheckUlps((expected), (actual), (ulps), &kNvkCheckDouble, __FILE__, __LINE__))
#define NVK_ASSERT_WITHIN_ULPS_FLOAT(expected, actual, ulps) \
    NVK_CHECK_BREAKS(NvkCheckUlps((float)(expected), (float)(actual), (ulps), &kNvkCheckFloat, __FILE__, __LINE__))
#define NVK_ASSERT_ALMOST_EQUAL_DOUBLE(expected, actual) NVK_ASSERT_WITHIN_ULPS_DOUBLE(expected, actual, 4)
#define NVK_ASSERT_ALMOST_EQUAL_FLOAT(expected, actual) NVK_ASSERT_WITHIN_ULPS_FLOAT(expected, actual, 4)
#define NVK_ASSERT_NEAR_RELATIVE_DOUBLE(expected, actual, tolerance) \
    NVK_CHECK_BREAKS(NvkCheckRelative((expected), (actual), (tolerance), &kNvkCheckDouble, __FILE__, __LINE__))
#define NVK_ASSERT_NEAR_RELATIVE_FLOAT(expected, actual, tolerance) \
    NVK_CHECK_BREAKS( \
        NvkCheckRelative((float)(expected), (float)(actual), (float)(tolerance), &kNvkCheckFloat, __FILE__, __LINE__))

/* ---- Ordering ------------------------------------------------------------------------ */

/* The outcomes of a comparison each order check accepts: less 1, equal 2, greater 4. Two
 * values of which one is a NaN compare as none of them, so every order check fails. */
#define NVK_CHECK_LT 1
#define NVK_CHECK_LE 3
#define NVK_CHECK_GT 4
#define NVK_CHECK_GE 6

static NVK_INLINE const char *NvkCheckOrderFailed(int accepted, const char *left, const char *right,
                                                  const char *fileName, int lineNumber) {
    NvkCheckText message;
    NvkCheckStartMessage(&message);
    NvkCheckAppend(&message, "Expected '%s' to be %s '%s'", left,
                   accepted == NVK_CHECK_LT   ? "less than"
                   : accepted == NVK_CHECK_LE ? "less than or equal to"
                   : accepted == NVK_CHECK_GT ? "greater than"
                                              : "greater than or equal to",
                   right);
    return NvkCheckFail(&message, fileName, lineNumber);
}

static NVK_INLINE const char *NvkCheckOrderSigned(int accepted, long long left, long long right,
                                                  const char *fileName, int lineNumber) {
    char leftText[24];
    char rightText[24];
    if (accepted & (left < right ? 1 : left > right ? 4 : 2)) return NvkCheckPass(fileName, lineNumber);
    NVK_CHECK_SNPRINTF(leftText, sizeof leftText, "%lld", left);
    NVK_CHECK_SNPRINTF(rightText, sizeof rightText, "%lld", right);
    return NvkCheckOrderFailed(accepted, leftText, rightText, fileName, lineNumber);
}

static NVK_INLINE const char *NvkCheckOrderUnsigned(int accepted, unsigned long long left, unsigned long long right,
                                                    const char *fileName, int lineNumber) {
    char leftText[24];
    char rightText[24];
    if (accepted & (left < right ? 1 : left > right ? 4 : 2)) return NvkCheckPass(fileName, lineNumber);
    NVK_CHECK_SNPRINTF(leftText, sizeof leftText, "%llu", left);
    NVK_CHECK_SNPRINTF(rightText, sizeof rightText, "%llu", right);
    return NvkCheckOrderFailed(accepted, leftText, rightText, fileName, lineNumber);
}

static NVK_INLINE const char *NvkCheckOrderDouble(int accepted, double left, double right, const char *fileName,
                                                  int lineNumber) {
    char leftText[32];
    char rightText[32];
    if (accepted & (left < right ? 1 : left > right ? 4 : left <= right ? 2 : 0)) {
        return NvkCheckPass(fileName, lineNumber);
    }
    return NvkCheckOrderFailed(accepted, NvkCheckFormatFloating(leftText, sizeof leftText, left, &kNvkCheckDouble),
                               NvkCheckFormatFloating(rightText, sizeof rightText, right, &kNvkCheckDouble),
                               fileName, lineNumber);
}

/* The INT and UINT checks take their values as the type they name, as the EQUAL checks do:
 * -1 is UINT_MAX to the UINT checks, not a 64-bit value. */
static NVK_INLINE const char *NvkCheckOrderInt(int accepted, int left, int right, const char *fileName,
                                               int lineNumber) {
    return NvkCheckOrderSigned(accepted, left, right, fileName, lineNumber);
}

static NVK_INLINE const char *NvkCheckOrderUInt(int accepted, unsigned int left, unsigned int right,
                                                const char *fileName, int lineNumber) {
    return NvkCheckOrderUnsigned(accepted, left, right, fileName, lineNumber);
}

#define NVK_CHECK_ORDER_INT(accepted, left, right) \
    NVK_CHECK_BREAKS(NvkCheckOrderInt((accepted), (left), (right), __FILE__, __LINE__))
#define NVK_CHECK_ORDER_UINT(accepted, left, right) \
    NVK_CHECK_BREAKS(NvkCheckOrderUInt((accepted), (left), (right), __FILE__, __LINE__))
#define NVK_CHECK_ORDER_SIGNED(accepted, left, right) \
    NVK_CHECK_BREAKS(NvkCheckOrderSigned((accepted), (left), (right), __FILE__, __LINE__))
#define NVK_CHECK_ORDER_UNSIGNED(accepted, left, right) \
    NVK_CHECK_BREAKS(NvkCheckOrderUnsigned((accepted), (left), (right), __FILE__, __LINE__))
#define NVK_CHECK_ORDER_DOUBLE(accepted, left, right) \
    NVK_CHECK_BREAKS(NvkCheckOrderDouble((accepted), (left), (right), __FILE__, __LINE__))

#define NVK_ASSERT_LT_INT(left, right) NVK_CHECK_ORDER_INT(NVK_CHECK_LT, left, right)
#define NVK_ASSERT_LE_INT(left, right) NVK_CHECK_ORDER_INT(NVK_CHECK_LE, left, right)
#define NVK_ASSERT_GT_INT(left, right) NVK_CHECK_ORDER_INT(NVK_CHECK_GT, left, right)
#define NVK_ASSERT_GE_INT(left, right) NVK_CHECK_ORDER_INT(NVK_CHECK_GE, left, right)
#define NVK_ASSERT_LT_UINT(left, right) NVK_CHECK_ORDER_UINT(NVK_CHECK_LT, left, right)
#define NVK_ASSERT_LE_UINT(left, right) NVK_CHECK_ORDER_UINT(NVK_CHECK_LE, left, right)
#define NVK_ASSERT_GT_UINT(left, right) NVK_CHECK_ORDER_UINT(NVK_CHECK_GT, left, right)
#define NVK_ASSERT_GE_UINT(left, right) NVK_CHECK_ORDER_UINT(NVK_CHECK_GE, left, right)
#define NVK_ASSERT_LT_LONG_LONG(left, right) NVK_CHECK_ORDER_SIGNED(NVK_CHECK_LT, left, right)
#define NVK_ASSERT_LE_LONG_LONG(left, right) NVK_CHECK_ORDER_SIGNED(NVK_CHECK_LE, left, right)
#define NVK_ASSERT_GT_LONG_LONG(left, right) NVK_CHECK_ORDER_SIGNED(NVK_CHECK_GT, left, right)
#define NVK_ASSERT_GE_LONG_LONG(left, right) NVK_CHECK_ORDER_SIGNED(NVK_CHECK_GE, left, right)
#define NVK_ASSERT_LT_ULONG_LONG(left, right) NVK_CHECK_ORDER_UNSIGNED(NVK_CHECK_LT, left, right)
#define NVK_ASSERT_LE_ULONG_LONG(left, right) NVK_CHECK_ORDER_UNSIGNED(NVK_CHECK_LE, left, right)
#define NVK_ASSERT_GT_ULONG_LONG(left, right) NVK_CHECK_ORDER_UNSIGNED(NVK_CHECK_GT, left, right)
#define NVK_ASSERT_GE_ULONG_LONG(left, right) NVK_CHECK_ORDER_UNSIGNED(NVK_CHECK_GE, left, right)
#define NVK_ASSERT_LT_DOUBLE(left, right) NVK_CHECK_ORDER_DOUBLE(NVK_CHECK_LT, left, right)
#define NVK_ASSERT_LE_DOUBLE(left, right) NVK_CHECK_ORDER_DOUBLE(NVK_CHECK_LE, left, right)
#define NVK_ASSERT_GT_DOUBLE(left, right) NVK_CHECK_ORDER_DOUBLE(NVK_CHECK_GT, left, right)
#define NVK_ASSERT_GE_DOUBLE(left, right) NVK_CHECK_ORDER_DOUBLE(NVK_CHECK_GE, left, right)

/* ---- Labels -------------------------------------------------------------------------- */

#define NVK_LABEL(...) NvkCheckSetLabel(__FILE__, __LINE__, __VA_ARGS__)

/* ---- Checks that end the test function ----------------------------------------------- */

/* For test functions that return nothing: a failed check returns its message. */
#define NVK_CHECK_OR_RETURN(check) \
    do { \
        if ((check) != NULL) return; \
    } while (0)

#define NVK_REQUIRE(condition, ...) \
    do { \
        const int nvkHolds = (condition) ? 1 : 0; \
        NVK_CHECK_FOLLOWED(NvkAssert(nvkHolds, __FILE__, __LINE__, __VA_ARGS__)); \
        if (!nvkHolds) return; \
    } while (0)
#define NVK_REQUIRE_TRUE(value) NVK_CHECK_OR_RETURN(NVK_ASSERT_TRUE(value))
#define NVK_REQUIRE_FALSE(value) NVK_CHECK_OR_RETURN(NVK_ASSERT_FALSE(value))
#define NVK_REQUIRE_NULL(pointer) NVK_CHECK_OR_RETURN(NVK_ASSERT_NULL(pointer))
#define NVK_REQUIRE_NOT_NULL(pointer) NVK_CHECK_OR_RETURN(NVK_ASSERT_NOT_NULL(pointer))
#define NVK_REQUIRE_EQUAL_CHAR(expected, actual) NVK_CHECK_OR_RETURN(NVK_ASSERT_EQUAL_CHAR(expected, actual))
#define NVK_REQUIRE_EQUAL_UCHAR(expected, actual) NVK_CHECK_OR_RETURN(NVK_ASSERT_EQUAL_UCHAR(expected, actual))
#define NVK_REQUIRE_EQUAL_WCHAR(expected, actual) NVK_CHECK_OR_RETURN(NVK_ASSERT_EQUAL_WCHAR(expected, actual))
#define NVK_REQUIRE_EQUAL_INT(expected, actual) NVK_CHECK_OR_RETURN(NVK_ASSERT_EQUAL_INT(expected, actual))
#define NVK_REQUIRE_EQUAL_UINT(expected, actual) NVK_CHECK_OR_RETURN(NVK_ASSERT_EQUAL_UINT(expected, actual))
#define NVK_REQUIRE_EQUAL_LONG(expected, actual) NVK_CHECK_OR_RETURN(NVK_ASSERT_EQUAL_LONG(expected, actual))
#define NVK_REQUIRE_EQUAL_ULONG(expected, actual) NVK_CHECK_OR_RETURN(NVK_ASSERT_EQUAL_ULONG(expected, actual))
#define NVK_REQUIRE_EQUAL_LONG_LONG(expected, actual) NVK_CHECK_OR_RETURN(NVK_ASSERT_EQUAL_LONG_LONG(expected, actual))
#define NVK_REQUIRE_EQUAL_ULONG_LONG(expected, actual) \
    NVK_CHECK_OR_RETURN(NVK_ASSERT_EQUAL_ULONG_LONG(expected, actual))
#define NVK_REQUIRE_EQUAL_FLOAT(expected, actual) NVK_CHECK_OR_RETURN(NVK_ASSERT_EQUAL_FLOAT(expected, actual))
#define NVK_REQUIRE_EQUAL_DOUBLE(expected, actual) NVK_CHECK_OR_RETURN(NVK_ASSERT_EQUAL_DOUBLE(expected, actual))
#define NVK_REQUIRE_EQUAL_POINTER(expected, actual) NVK_CHECK_OR_RETURN(NVK_ASSERT_EQUAL_POINTER(expected, actual))
#define NVK_REQUIRE_EQUAL_STRING(expected, actual) NVK_CHECK_OR_RETURN(NVK_ASSERT_EQUAL_STRING(expected, actual))
#define NVK_REQUIRE_EQUAL_WSTRING(expected, actual) NVK_CHECK_OR_RETURN(NVK_ASSERT_EQUAL_WSTRING(expected, actual))
#define NVK_REQUIRE_EQUAL_TEXT(expected, actual) NVK_CHECK_OR_RETURN(NVK_ASSERT_EQUAL_TEXT(expected, actual))
#define NVK_REQUIRE_EQUAL_WTEXT(expected, actual) NVK_CHECK_OR_RETURN(NVK_ASSERT_EQUAL_WTEXT(expected, actual))
#define NVK_REQUIRE_NOT_EQUAL_CHAR(expected, actual) NVK_CHECK_OR_RETURN(NVK_ASSERT_NOT_EQUAL_CHAR(expected, actual))
#define NVK_REQUIRE_NOT_EQUAL_UCHAR(expected, actual) NVK_CHECK_OR_RETURN(NVK_ASSERT_NOT_EQUAL_UCHAR(expected, actual))
#define NVK_REQUIRE_NOT_EQUAL_WCHAR(expected, actual) NVK_CHECK_OR_RETURN(NVK_ASSERT_NOT_EQUAL_WCHAR(expected, actual))
#define NVK_REQUIRE_NOT_EQUAL_INT(expected, actual) NVK_CHECK_OR_RETURN(NVK_ASSERT_NOT_EQUAL_INT(expected, actual))
#define NVK_REQUIRE_NOT_EQUAL_UINT(expected, actual) NVK_CHECK_OR_RETURN(NVK_ASSERT_NOT_EQUAL_UINT(expected, actual))
#define NVK_REQUIRE_NOT_EQUAL_LONG(expected, actual) NVK_CHECK_OR_RETURN(NVK_ASSERT_NOT_EQUAL_LONG(expected, actual))
#define NVK_REQUIRE_NOT_EQUAL_ULONG(expected, actual) NVK_CHECK_OR_RETURN(NVK_ASSERT_NOT_EQUAL_ULONG(expected, actual))
#define NVK_REQUIRE_NOT_EQUAL_LONG_LONG(expected, actual) \
    NVK_CHECK_OR_RETURN(NVK_ASSERT_NOT_EQUAL_LONG_LONG(expected, actual))
#define NVK_REQUIRE_NOT_EQUAL_ULONG_LONG(expected, actual) \
    NVK_CHECK_OR_RETURN(NVK_ASSERT_NOT_EQUAL_ULONG_LONG(expected, actual))
#define NVK_REQUIRE_NOT_EQUAL_FLOAT(expected, actual) NVK_CHECK_OR_RETURN(NVK_ASSERT_NOT_EQUAL_FLOAT(expected, actual))
#define NVK_REQUIRE_NOT_EQUAL_DOUBLE(expected, actual) \
    NVK_CHECK_OR_RETURN(NVK_ASSERT_NOT_EQUAL_DOUBLE(expected, actual))
#define NVK_REQUIRE_NOT_EQUAL_POINTER(expected, actual) \
    NVK_CHECK_OR_RETURN(NVK_ASSERT_NOT_EQUAL_POINTER(expected, actual))
#define NVK_REQUIRE_NOT_EQUAL_STRING(expected, actual) \
    NVK_CHECK_OR_RETURN(NVK_ASSERT_NOT_EQUAL_STRING(expected, actual))
#define NVK_REQUIRE_NOT_EQUAL_WSTRING(expected, actual) \
    NVK_CHECK_OR_RETURN(NVK_ASSERT_NOT_EQUAL_WSTRING(expected, actual))
#define NVK_REQUIRE_NOT_EQUAL_TEXT(expected, actual) NVK_CHECK_OR_RETURN(NVK_ASSERT_NOT_EQUAL_TEXT(expected, actual))
#define NVK_REQUIRE_NOT_EQUAL_WTEXT(expected, actual) NVK_CHECK_OR_RETURN(NVK_ASSERT_NOT_EQUAL_WTEXT(expected, actual))
#define NVK_REQUIRE_NEAR_DOUBLE(expected, actual, tolerance) \
    NVK_CHECK_OR_RETURN(NVK_ASSERT_NEAR_DOUBLE(expected, actual, tolerance))
#define NVK_REQUIRE_NEAR_FLOAT(expected, actual, tolerance) \
    NVK_CHECK_OR_RETURN(NVK_ASSERT_NEAR_FLOAT(expected, actual, tolerance))
#define NVK_REQUIRE_EQUAL_MEMORY(expected, actual, size) \
    NVK_CHECK_OR_RETURN(NVK_ASSERT_EQUAL_MEMORY(expected, actual, size))
#define NVK_REQUIRE_ALMOST_EQUAL_DOUBLE(expected, actual) \
    NVK_CHECK_OR_RETURN(NVK_ASSERT_ALMOST_EQUAL_DOUBLE(expected, actual))
#define NVK_REQUIRE_ALMOST_EQUAL_FLOAT(expected, actual) \
    NVK_CHECK_OR_RETURN(NVK_ASSERT_ALMOST_EQUAL_FLOAT(expected, actual))
#define NVK_REQUIRE_WITHIN_ULPS_DOUBLE(expected, actual, ulps) \
    NVK_CHECK_OR_RETURN(NVK_ASSERT_WITHIN_ULPS_DOUBLE(expected, actual, ulps))
#define NVK_REQUIRE_WITHIN_ULPS_FLOAT(expected, actual, ulps) \
    NVK_CHECK_OR_RETURN(NVK_ASSERT_WITHIN_ULPS_FLOAT(expected, actual, ulps))
#define NVK_REQUIRE_NEAR_RELATIVE_DOUBLE(expected, actual, tolerance) \
    NVK_CHECK_OR_RETURN(NVK_ASSERT_NEAR_RELATIVE_DOUBLE(expected, actual, tolerance))
#define NVK_REQUIRE_NEAR_RELATIVE_FLOAT(expected, actual, tolerance) \
    NVK_CHECK_OR_RETURN(NVK_ASSERT_NEAR_RELATIVE_FLOAT(expected, actual, tolerance))
#define NVK_REQUIRE_LT_INT(left, right) NVK_CHECK_OR_RETURN(NVK_ASSERT_LT_INT(left, right))
#define NVK_REQUIRE_LE_INT(left, right) NVK_CHECK_OR_RETURN(NVK_ASSERT_LE_INT(left, right))
#define NVK_REQUIRE_GT_INT(left, right) NVK_CHECK_OR_RETURN(NVK_ASSERT_GT_INT(left, right))
#define NVK_REQUIRE_GE_INT(left, right) NVK_CHECK_OR_RETURN(NVK_ASSERT_GE_INT(left, right))
#define NVK_REQUIRE_LT_UINT(left, right) NVK_CHECK_OR_RETURN(NVK_ASSERT_LT_UINT(left, right))
#define NVK_REQUIRE_LE_UINT(left, right) NVK_CHECK_OR_RETURN(NVK_ASSERT_LE_UINT(left, right))
#define NVK_REQUIRE_GT_UINT(left, right) NVK_CHECK_OR_RETURN(NVK_ASSERT_GT_UINT(left, right))
#define NVK_REQUIRE_GE_UINT(left, right) NVK_CHECK_OR_RETURN(NVK_ASSERT_GE_UINT(left, right))
#define NVK_REQUIRE_LT_LONG_LONG(left, right) NVK_CHECK_OR_RETURN(NVK_ASSERT_LT_LONG_LONG(left, right))
#define NVK_REQUIRE_LE_LONG_LONG(left, right) NVK_CHECK_OR_RETURN(NVK_ASSERT_LE_LONG_LONG(left, right))
#define NVK_REQUIRE_GT_LONG_LONG(left, right) NVK_CHECK_OR_RETURN(NVK_ASSERT_GT_LONG_LONG(left, right))
#define NVK_REQUIRE_GE_LONG_LONG(left, right) NVK_CHECK_OR_RETURN(NVK_ASSERT_GE_LONG_LONG(left, right))
#define NVK_REQUIRE_LT_ULONG_LONG(left, right) NVK_CHECK_OR_RETURN(NVK_ASSERT_LT_ULONG_LONG(left, right))
#define NVK_REQUIRE_LE_ULONG_LONG(left, right) NVK_CHECK_OR_RETURN(NVK_ASSERT_LE_ULONG_LONG(left, right))
#define NVK_REQUIRE_GT_ULONG_LONG(left, right) NVK_CHECK_OR_RETURN(NVK_ASSERT_GT_ULONG_LONG(left, right))
#define NVK_REQUIRE_GE_ULONG_LONG(left, right) NVK_CHECK_OR_RETURN(NVK_ASSERT_GE_ULONG_LONG(left, right))
#define NVK_REQUIRE_LT_DOUBLE(left, right) NVK_CHECK_OR_RETURN(NVK_ASSERT_LT_DOUBLE(left, right))
#define NVK_REQUIRE_LE_DOUBLE(left, right) NVK_CHECK_OR_RETURN(NVK_ASSERT_LE_DOUBLE(left, right))
#define NVK_REQUIRE_GT_DOUBLE(left, right) NVK_CHECK_OR_RETURN(NVK_ASSERT_GT_DOUBLE(left, right))
#define NVK_REQUIRE_GE_DOUBLE(left, right) NVK_CHECK_OR_RETURN(NVK_ASSERT_GE_DOUBLE(left, right))

#endif /* NORVIK_CHECKS_H */
