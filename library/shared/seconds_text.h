// A time in seconds as the report and the window write it: "%.10f" without the
// trailing zeros it leaves.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "norvik.h"

namespace nvk {

struct SecondsText {
    char text[400];  // room for the longest number "%.10f" can make of a double
};

namespace seconds_text {

constexpr std::size_t kShortLength = 24;  // "999999.9999999999" and its zero, with room to spare

struct Wide {
    uint64_t high;
    uint64_t low;
};

// The full product of two 64-bit numbers, without a compiler's 128-bit type.
inline Wide Multiply(uint64_t a, uint64_t b) {
    const uint64_t lowMask = 0xFFFFFFFFu;
    const uint64_t lowLow = (a & lowMask) * (b & lowMask);
    const uint64_t lowHigh = (a & lowMask) * (b >> 32);
    const uint64_t highLow = (a >> 32) * (b & lowMask);
    const uint64_t highHigh = (a >> 32) * (b >> 32);
    const uint64_t middle = (lowLow >> 32) + (lowHigh & lowMask) + (highLow & lowMask);
    return {highHigh + (lowHigh >> 32) + (highLow >> 32) + (middle >> 32), (middle << 32) | (lowLow & lowMask)};
}

// Writes the digits of value, at least minimumDigits of them, ending just before end;
// returns where they start.
inline char *DigitsBefore(char *end, uint64_t value, int minimumDigits) {
    do {
        *--end = static_cast<char>('0' + value % 10);
        value /= 10;
        --minimumDigits;
    } while (value != 0 || minimumDigits > 0);
    return end;
}

// A time from 0 up to a million seconds, rounded to ten decimals from the double's exact
// value as "%.10f" rounds it, without the C library's formatting (which costs most of a
// large report). Returns the text's length, or 0 when the time is outside that range or
// so close to halfway between two results that the C library's own rounding must decide.
inline std::size_t FormatShort(double seconds, char (&out)[kShortLength]) {
    if (!(seconds >= 0 && seconds < 1e6)) {
        return 0;
    }
    uint64_t bits = 0;
    std::memcpy(&bits, &seconds, sizeof bits);
    if ((bits >> 63) != 0) {  // -0.0, which "%.10f" writes with its sign
        return 0;
    }
    const uint64_t fractionMask = (uint64_t{1} << 52) - 1;
    const int biasedExponent = static_cast<int>(bits >> 52);
    const uint64_t mantissa = biasedExponent == 0 ? bits & fractionMask : (bits & fractionMask) | (fractionMask + 1);
    // seconds = mantissa / 2^shift; below a million the shift is at least 33.
    const int shift = biasedExponent == 0 ? 1074 : 1075 - biasedExponent;
    uint64_t units = 0;     // whole tenths of a nanosecond
    uint64_t fraction = 0;  // what is left of one, as a binary fraction of 64 bits
    if (shift < 128) {
        const Wide scaled = Multiply(mantissa, 10000000000u);
        if (shift < 64) {
            units = (scaled.high << (64 - shift)) | (scaled.low >> shift);
            fraction = scaled.low << (64 - shift);
        } else if (shift == 64) {
            units = scaled.high;
            fraction = scaled.low;
        } else {
            units = scaled.high >> (shift - 64);
            fraction = (scaled.high << (128 - shift)) | (scaled.low >> (shift - 64));
        }
    }
    const uint64_t half = uint64_t{1} << 63;
    const uint64_t fromHalf = fraction > half ? fraction - half : half - fraction;
    if (fromHalf < (uint64_t{1} << 32)) {
        return 0;
    }
    units += fraction > half ? 1 : 0;

    char digits[kShortLength];
    char *const end = digits + sizeof digits;
    char *const fractionStart = DigitsBefore(end, units % 10000000000u, 10);
    char *fractionEnd = end;
    while (fractionEnd - fractionStart > 1 && fractionEnd[-1] == '0') {
        --fractionEnd;
    }
    char *const start = DigitsBefore(fractionStart - 1, units / 10000000000u, 1);
    fractionStart[-1] = '.';
    const std::size_t length = static_cast<std::size_t>(fractionEnd - start);
    std::memcpy(out, start, length);
    out[length] = '\0';
    return length;
}

}  // namespace seconds_text

inline SecondsText FormatSeconds(double seconds) {
    SecondsText result;
    char shortText[seconds_text::kShortLength];
    if (const std::size_t length = seconds_text::FormatShort(seconds, shortText)) {
        std::memcpy(result.text, shortText, length + 1);
        return result;
    }
    std::snprintf(result.text, sizeof result.text, "%.10f", seconds);
    NvkConvertDoubleToStringComplete(result.text);
    return result;
}

}  // namespace nvk
