// Feeds arbitrary files to the image header rule. The sanitizers report any read
// outside the input; the checks below report a result outside the rule's messages.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>

#include "image_validation.h"

namespace {

using loader::LoadFailure;

void CheckResult(LoadFailure result, uint16_t machine, uint16_t ownMachine) {
    const bool expected =
        (machine == ownMachine && result == LoadFailure::None) ||
        (machine != ownMachine && (result == LoadFailure::UnknownFormat || result == LoadFailure::Needs32BitRunner ||
                                   result == LoadFailure::Needs64BitRunner));
    if (!expected) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const uint16_t machine = loader::ReadImageMachine(data, size);
    for (const uint16_t ownMachine : {loader::kMachineX64, loader::kMachineI386}) {
        CheckResult(loader::ValidateImageBytes(data, size, ownMachine), machine, ownMachine);
    }
    return 0;
}
