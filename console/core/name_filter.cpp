#include "name_filter.h"

namespace console {
namespace {

// Iterative matching with one point of return for the last '*': linear in practice,
// never exponential.
bool GlobMatches(const std::string &pattern, const std::string &text) {
    size_t p = 0, t = 0, starPattern = std::string::npos, starText = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starPattern = p++;
            starText = t;
        } else if (starPattern != std::string::npos) {
            p = starPattern + 1;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

bool AnyMatches(const std::vector<std::string> &patterns, const std::string &text) {
    for (const std::string &pattern : patterns) {
        if (GlobMatches(pattern, text)) {
            return true;
        }
    }
    return false;
}

// The ':'-separated patterns, without empty ones.
std::vector<std::string> SplitPatterns(const std::string &patterns) {
    std::vector<std::string> split;
    size_t start = 0;
    while (start <= patterns.size()) {
        size_t end = patterns.find(':', start);
        if (end == std::string::npos) {
            end = patterns.size();
        }
        if (end > start) {
            split.push_back(patterns.substr(start, end - start));
        }
        start = end + 1;
    }
    return split;
}

}  // namespace

TestFilter::TestFilter(const std::string &patterns) {
    const size_t negativeStart = patterns.find('-');
    included_ = SplitPatterns(patterns.substr(0, negativeStart));
    if (negativeStart != std::string::npos) {
        excluded_ = SplitPatterns(patterns.substr(negativeStart + 1));
    }
}

bool TestFilter::Selects(const std::string &fullName) const {
    return (included_.empty() || AnyMatches(included_, fullName)) && !AnyMatches(excluded_, fullName);
}

bool TestFilter::Selects(const run::TestIdentity &test) const {
    return (included_.empty() && excluded_.empty()) || Selects(test.FullName());
}

}  // namespace console
