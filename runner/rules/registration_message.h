// The message that shows what a test library's registration refused. Portable.
#pragma once

#include <string>
#include <vector>

namespace runner {

// The heading, then each error in a paragraph of its own (an error wraps over lines
// in a message box), at most limit of them; more are counted with moreFormat, which
// takes the number left out as %u. A box of hundreds of errors would push its button
// off the screen.
std::string RegistrationMessage(const std::string &heading, const std::vector<std::string> &errors, size_t limit,
                                const char *moreFormat);

}  // namespace runner
