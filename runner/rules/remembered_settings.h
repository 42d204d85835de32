// What the window remembers between starts, read back from the texts it stored.
// Every value that is missing or damaged gives the window's usual default, so that
// nothing stored can keep the runner from starting. Portable.
#pragma once

#include <string>
#include <vector>

namespace runner {

struct WindowPlacementSetting {
    bool valid = false;
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool maximized = false;
};

// "left,top,right,bottom,maximized": a box of at least one pixel each way, with
// coordinates a screen can have.
WindowPlacementSetting ParsePlacement(const char *text);
std::string FormatPlacement(const WindowPlacementSetting &placement);

// "1" or "0"; anything else gives fallback.
bool ParseFlag(const char *text, bool fallback);

// The time limits per test that the window offers, in seconds; 0 is none.
constexpr int kTimeLimits[] = {0, 10, 30, 60, 300};
// One of kTimeLimits written as a number; anything else gives 0.
int ParseTimeLimit(const char *text);

// Exactly count widths of 0 to 4000 pixels separated by commas; empty otherwise.
std::vector<int> ParseColumnWidths(const char *text, size_t count);
std::string FormatColumnWidths(const std::vector<int> &widths);

}  // namespace runner
