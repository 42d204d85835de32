// How a worker process ended, and the failure message of the test it ended in.
#pragma once

#include <cstdint>
#include <string>

namespace run {

struct ProcessEnd {
    bool signalled = false;  // ended by a signal (POSIX) rather than with a code
    uint32_t code = 0;       // the exit code or exception code, or the signal
};

// The failure message for a test during which its worker ended: the code in hex
// with the exception's or signal's name where known.
std::string DescribeProcessEnd(const ProcessEnd &end);

// "2 seconds", "0.5 seconds": a limit as the user gave it.
std::string SecondsText(double seconds);

// The failure message for a test that ran longer than the limit.
std::string TimeoutMessage(double limitSeconds);

}  // namespace run
