// Each thread's label, stamped with the test it was set in: a test that starts makes
// every label before it stale at once, on every thread, without touching them.
#include "labels.h"

#include <cstring>

#include "norvik.h"
#include "run_state.h"
#include "stored_message.h"

namespace {

constexpr std::size_t kLabelSize = 256;

struct ThreadLabel {
    uint32_t test;
    char text[kLabelSize];
};
thread_local ThreadLabel threadLabel = {0, ""};

// A label set before a test of this process started has test 0, which no test has.
uint32_t RunningTest() {
    return nvk::CurrentTestFunction() != nullptr ? nvk::testStarts.load(std::memory_order_relaxed) : 0;
}

}  // namespace

namespace nvk {

const char *CurrentLabel() {
    const ThreadLabel &label = threadLabel;
    return label.text[0] != '\0' && label.test != 0 && label.test == RunningTest() ? label.text : nullptr;
}

}  // namespace nvk

extern "C" {

// Setting a label counts as a passed check, as it always has.
void NVK_CALL NvkSetLabel(const char *fileName, int32_t lineNumber, const char *text) {
    NvkAssert(1, fileName, lineNumber, nullptr);
    ThreadLabel &label = threadLabel;
    label.test = RunningTest();
    const std::size_t length = text != nullptr ? std::strlen(text) : 0;
    const std::size_t kept = length < kLabelSize ? length : nvk::LengthOfWholeCharacters(text, kLabelSize - 1);
    if (kept > 0) {
        std::memcpy(label.text, text, kept);
    }
    label.text[kept] = '\0';
}

const char *NVK_CALL NvkGetLabel(void) { return nvk::CurrentLabel(); }

}  // extern "C"
