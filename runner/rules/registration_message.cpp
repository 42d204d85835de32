#include "rules/registration_message.h"

#include <cstdio>

namespace runner {

std::string RegistrationMessage(const std::string &heading, const std::vector<std::string> &errors, size_t limit,
                                const char *moreFormat) {
    std::string message = heading;
    for (size_t index = 0; index < errors.size() && index < limit; ++index) {
        message += "\r\n\r\n" + errors[index];
    }
    if (errors.size() > limit) {
        char more[128];
        std::snprintf(more, sizeof more, moreFormat, static_cast<unsigned>(errors.size() - limit));
        message += "\r\n\r\n";
        message += more;
    }
    return message;
}

}  // namespace runner
