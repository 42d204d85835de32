// A time in seconds as the report and the window write it: "%.10f" without the
// trailing zeros it leaves.
#pragma once

#include <cstdio>

#include "norvik.h"

namespace nvk {

struct SecondsText {
    char text[400];  // room for the longest number "%.10f" can make of a double
};

inline SecondsText FormatSeconds(double seconds) {
    SecondsText result;
    std::snprintf(result.text, sizeof result.text, "%.10f", seconds);
    NvkConvertDoubleToStringComplete(result.text);
    return result;
}

}  // namespace nvk
