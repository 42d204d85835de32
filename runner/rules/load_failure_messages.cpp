#include "rules/load_failure_messages.h"

#include "resources/resource.h"

namespace runner {

unsigned LoadFailureMessageId(loader::LoadFailure failure) {
    using loader::LoadFailure;
    switch (failure) {
    case LoadFailure::None:
        return 0;
    case LoadFailure::CannotRead:
        return IDS_CANNOT_READ;
    case LoadFailure::CannotMap:
        return IDS_CANNOT_MAP;
    case LoadFailure::UnknownFormat:
        return IDS_UNKNOWN_FORMAT;
    case LoadFailure::Needs64BitRunner:
        return IDS_NEEDS_64_BIT_RUNNER;
    case LoadFailure::Needs32BitRunner:
        return IDS_NEEDS_32_BIT_RUNNER;
    case LoadFailure::CannotLoad:
        return IDS_CANNOT_LOAD;
    case LoadFailure::NoEntryPoint:
        return IDS_NO_ENTRY_POINT;
    case LoadFailure::NoTests:
        return IDS_NO_TESTS;
    }
    return 0;
}

}  // namespace runner
