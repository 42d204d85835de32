#include "rules/recent_files.h"

#include <algorithm>

namespace runner {
namespace {

char LowerAscii(char letter) { return letter >= 'A' && letter <= 'Z' ? static_cast<char>(letter - 'A' + 'a') : letter; }

}  // namespace

bool IsSameFileName(const std::string &first, const std::string &second) {
    return first.size() == second.size() &&
           std::equal(first.begin(), first.end(), second.begin(),
                      [](char one, char other) { return LowerAscii(one) == LowerAscii(other); });
}

bool ForgetRecentFile(std::vector<std::string> &recent, const std::string &path) {
    const auto kept = std::remove_if(recent.begin(), recent.end(),
                                     [&path](const std::string &entry) { return IsSameFileName(entry, path); });
    const bool found = kept != recent.end();
    recent.erase(kept, recent.end());
    return found;
}

void RememberRecentFile(std::vector<std::string> &recent, const std::string &path) {
    if (path.empty()) {
        return;
    }
    ForgetRecentFile(recent, path);
    recent.insert(recent.begin(), path);
    if (recent.size() > kRecentFileLimit) {
        recent.resize(kRecentFileLimit);
    }
}

std::vector<std::string> CleanRecentFiles(const std::vector<std::string> &stored) {
    std::vector<std::string> recent;
    for (auto entry = stored.rbegin(); entry != stored.rend(); ++entry) {
        RememberRecentFile(recent, *entry);
    }
    // Built oldest first so that a repeated entry keeps its most recent place.
    return recent;
}

}  // namespace runner
