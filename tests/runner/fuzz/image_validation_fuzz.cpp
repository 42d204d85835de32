// Feeds arbitrary files to the image header rule. The sanitizers report any read
// outside the input; the checks below report a result outside the rule's messages.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>

#include "image_validation.h"
#include "resources/resource.h"

namespace {

void CheckResult(unsigned result, uint16_t machine, uint16_t ownMachine) {
    const bool expected = (machine == ownMachine && result == 0) ||
                          (machine != ownMachine && (result == IDS_UNKNOWN_FORMAT || result == IDS_NEEDS_32_BIT_RUNNER ||
                                                     result == IDS_NEEDS_64_BIT_RUNNER));
    if (!expected) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const uint16_t machine = runner::ReadImageMachine(data, size);
    for (const uint16_t ownMachine : {runner::kMachineX64, runner::kMachineI386}) {
        CheckResult(runner::ValidateImageBytes(data, size, ownMachine), machine, ownMachine);
    }
    return 0;
}
