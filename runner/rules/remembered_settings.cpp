#include "rules/remembered_settings.h"

#include <cerrno>
#include <cstdlib>

namespace runner {
namespace {

constexpr long kCoordinateLimit = 32767;
constexpr int kWidestColumn = 4000;

// Reads a whole number bounded by limit at text, moving past it and one separator
// (or the end); false when the text there is anything else.
bool ReadNumber(const char *&text, long limit, long *number) {
    if (text == nullptr || *text == '\0') {
        return false;
    }
    char *end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (end == text || errno != 0 || value < -limit || value > limit || (*end != ',' && *end != '\0')) {
        return false;
    }
    *number = value;
    text = *end == ',' ? end + 1 : end;
    return true;
}

}  // namespace

WindowPlacementSetting ParsePlacement(const char *text) {
    long values[5] = {};
    for (long &value : values) {
        if (!ReadNumber(text, kCoordinateLimit, &value)) {
            return {};
        }
    }
    if (text == nullptr || *text != '\0' || values[2] <= values[0] || values[3] <= values[1] ||
        (values[4] != 0 && values[4] != 1)) {
        return {};
    }
    return {true,
            static_cast<int>(values[0]),
            static_cast<int>(values[1]),
            static_cast<int>(values[2]),
            static_cast<int>(values[3]),
            values[4] == 1};
}

std::string FormatPlacement(const WindowPlacementSetting &placement) {
    return std::to_string(placement.left) + "," + std::to_string(placement.top) + "," +
           std::to_string(placement.right) + "," + std::to_string(placement.bottom) + "," +
           (placement.maximized ? "1" : "0");
}

bool ParseFlag(const char *text, bool fallback) {
    if (text == nullptr || text[0] == '\0' || text[1] != '\0') {
        return fallback;
    }
    return text[0] == '1' ? true : text[0] == '0' ? false : fallback;
}

int ParseTimeLimit(const char *text) {
    for (const int limit : kTimeLimits) {
        if (text != nullptr && std::to_string(limit) == text) {
            return limit;
        }
    }
    return 0;
}

std::vector<int> ParseColumnWidths(const char *text, size_t count) {
    std::vector<int> widths;
    long width = 0;
    while (widths.size() < count && ReadNumber(text, kWidestColumn, &width) && width >= 0) {
        widths.push_back(static_cast<int>(width));
    }
    if (widths.size() != count || text == nullptr || *text != '\0') {
        return {};
    }
    return widths;
}

std::string FormatColumnWidths(const std::vector<int> &widths) {
    std::string text;
    for (const int width : widths) {
        text += (text.empty() ? "" : ",") + std::to_string(width);
    }
    return text;
}

}  // namespace runner
