// The texts of registration errors and their exported readers.
#include "registration_errors.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "memory.h"

namespace {

using ErrorList = std::vector<char *, nvk::UntrackedAllocator<char *>>;

// Never destroyed: a runner may read the texts while the process ends.
ErrorList &Errors() {
    static ErrorList *errors = new (nvk::AllocateUntracked(sizeof(ErrorList))) ErrorList();
    return *errors;
}

}  // namespace

namespace nvk {

void RecordRegistrationError(const char *format, ...) {
    char text[1024];
    va_list arguments;
    va_start(arguments, format);
    const int written = std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    if (written < 0) {
        return;
    }
    Errors().push_back(CopyUntracked(text));
}

void ClearRegistrationErrors() {
    for (char *text : Errors()) {
        std::free(text);
    }
    Errors().clear();
}

}  // namespace nvk

extern "C" {

uint32_t NVK_CALL NvkRegistrationGetErrorCount(void) { return static_cast<uint32_t>(Errors().size()); }

const char *NVK_CALL NvkRegistrationGetError(uint32_t index) {
    return index < Errors().size() ? Errors()[index] : nullptr;
}

}  // extern "C"
