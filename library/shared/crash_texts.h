// The failure messages that the run engine records when the crash guard catches a
// fault in user code, and how a runner tells such a failure from an assertion's.
#pragma once

#include <cstring>
#include <initializer_list>

namespace nvk {

constexpr const char kBatchSetupCrash[] = "A crash was detected in the batch setup function";
constexpr const char kTestSetupCrash[] = "A crash was detected in the unit test setup function";
constexpr const char kTestCrash[] = "A crash was detected in the unit test function";
constexpr const char kTestTearDownCrash[] = "A crash was detected in the unit test tear down function";
constexpr const char kBatchTearDownCrash[] = "A crash was detected in the batch tear down function";

// Whether a failure is the record of a crash: one of the texts above, on line 0.
inline bool IsCrashFailure(int lineNumber, const char *message) {
    if (lineNumber != 0 || message == nullptr) {
        return false;
    }
    for (const char *crash : {kBatchSetupCrash, kTestSetupCrash, kTestCrash, kTestTearDownCrash, kBatchTearDownCrash}) {
        if (std::strcmp(message, crash) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace nvk
