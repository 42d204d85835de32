// A text the library hands out, as a string of the run's own: the library answers
// NULL for a text it does not hold, which reads as empty.
#pragma once

#include <string>

namespace run {

inline std::string TextOf(const char *text) { return text != nullptr ? text : ""; }

}  // namespace run
