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

constexpr uint64_t kUnitsPerSecond = 10000000000u;  // "%.10f" writes tenths of a nanosecond
constexpr int kFractionDigits = 10;

struct DigitPairs {
    char text[200] = {};
    constexpr DigitPairs() {
        for (int pair = 0; pair < 100; ++pair) {
            text[2 * pair] = static_cast<char>('0' + pair / 10);
            text[2 * pair + 1] = static_cast<char>('0' + pair % 10);
        }
    }
};
constexpr DigitPairs kDigitPairs;

// Digits are counted and written in 32 bits: a 64-bit division is a call of the C
// runtime on 32-bit x86, and a report makes several for every test.
inline int CountDigits(uint32_t value) {
    int digits = 1;
    for (; value >= 10; value /= 10) {
        ++digits;
    }
    return digits;
}

// Writes the last count decimal digits of value, with leading zeros, two at a time.
inline void WriteDigits(char *out, uint32_t value, int count) {
    char *place = out + count;
    for (; count >= 2; count -= 2) {
        place -= 2;
        std::memcpy(place, &kDigitPairs.text[2 * (value % 100)], 2);
        value /= 100;
    }
    if (count == 1) {
        place[-1] = static_cast<char>('0' + value % 10);
    }
}

// A time from 0 up to a million seconds in whole tenths of a nanosecond, rounded from the
// double's exact value as "%.10f" rounds it, without the C library's formatting (which
// costs most of a large report). False when the time is outside that range or so close
// to halfway between two results that the C library's own rounding must decide.
inline bool ToUnits(double seconds, uint64_t &units) {
    if (!(seconds >= 0 && seconds < 1e6)) {
        return false;
    }
    uint64_t bits = 0;
    std::memcpy(&bits, &seconds, sizeof bits);
    if ((bits >> 63) != 0) {  // -0.0, which "%.10f" writes with its sign
        return false;
    }
    const uint64_t fractionMask = (uint64_t{1} << 52) - 1;
    const int biasedExponent = static_cast<int>(bits >> 52);
    const uint64_t mantissa = biasedExponent == 0 ? bits & fractionMask : (bits & fractionMask) | (fractionMask + 1);
    // seconds = mantissa / 2^shift; below a million the shift is at least 33.
    const int shift = biasedExponent == 0 ? 1074 : 1075 - biasedExponent;
    units = 0;
    uint64_t fraction = 0;  // what is left of a unit, as a binary fraction of 64 bits
    if (shift < 128) {
        const Wide scaled = Multiply(mantissa, kUnitsPerSecond);
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
        return false;
    }
    units += fraction > half ? 1 : 0;
    return true;
}

// The text of those units: the whole seconds, a point, and the ten decimals without
// their trailing zeros but the first. Below a million seconds the whole seconds fit in
// 32 bits, and the decimals do as two halves of five digits.
struct ShortSeconds {
    static constexpr uint32_t kHalf = 100000;  // five digits

    uint32_t whole;
    uint32_t highDecimals;
    uint32_t lowDecimals;
    int wholeDigits;
    int decimalDigits;  // of the ten, those kept

    // Two 64-bit divisions; the rest in 32 bits.
    explicit ShortSeconds(uint64_t units) {
        const uint64_t wholeUnits = units / kUnitsPerSecond;
        const uint64_t decimals = units - wholeUnits * kUnitsPerSecond;
        whole = static_cast<uint32_t>(wholeUnits);
        highDecimals = static_cast<uint32_t>(decimals / kHalf);
        lowDecimals = static_cast<uint32_t>(decimals) - highDecimals * kHalf;
        wholeDigits = CountDigits(whole);
        decimalDigits = kFractionDigits - TrailingZeros(highDecimals, lowDecimals);
    }

    std::size_t Length() const { return static_cast<std::size_t>(wholeDigits + 1 + decimalDigits); }

    // Writes Length() bytes, without a terminating zero.
    void Write(char *out) const {
        WriteDigits(out, whole, wholeDigits);
        out[wholeDigits] = '.';
        char *decimals = out + wholeDigits + 1;
        if (decimalDigits <= 5) {
            WriteDigits(decimals, highDecimals / PowerOfTen(5 - decimalDigits), decimalDigits);
        } else {
            WriteDigits(decimals, highDecimals, 5);
            WriteDigits(decimals + 5, lowDecimals / PowerOfTen(kFractionDigits - decimalDigits), decimalDigits - 5);
        }
    }

private:
    static uint32_t PowerOfTen(int exponent) {
        uint32_t power = 1;
        for (; exponent > 0; --exponent) {
            power *= 10;
        }
        return power;
    }

    // Of the ten decimals, the zeros at the end that go, keeping at least one digit.
    static int TrailingZeros(uint32_t high, uint32_t low) {
        if (low != 0) {
            return ZerosAtEnd(low);
        }
        return high != 0 ? 5 + ZerosAtEnd(high) : kFractionDigits - 1;
    }

    static int ZerosAtEnd(uint32_t value) {
        int zeros = 0;
        for (; value % 10 == 0; value /= 10) {
            ++zeros;
        }
        return zeros;
    }
};

// The short form as a string; 0 when ToUnits refuses the time.
inline std::size_t FormatShort(double seconds, char (&out)[kShortLength]) {
    uint64_t units = 0;
    if (!ToUnits(seconds, units)) {
        return 0;
    }
    const ShortSeconds text(units);
    text.Write(out);
    out[text.Length()] = '\0';
    return text.Length();
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
