// The File menu's recent test libraries: the last eight opened, most recent first,
// each once. Portable.
#pragma once

#include <string>
#include <vector>

namespace runner {

constexpr size_t kRecentFileLimit = 8;

// Puts path first; an entry naming the same file (letters compared without case, as
// Windows names files) moves rather than repeats, and the oldest falls off.
void RememberRecentFile(std::vector<std::string> &recent, const std::string &path);

// Drops every entry naming path; returns whether one was there.
bool ForgetRecentFile(std::vector<std::string> &recent, const std::string &path);

// The recent list as read back from storage: empty and repeated entries dropped,
// at most kRecentFileLimit kept.
std::vector<std::string> CleanRecentFiles(const std::vector<std::string> &stored);

bool IsSameFileName(const std::string &first, const std::string &second);

}  // namespace runner
