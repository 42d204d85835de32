// The public headers must compile as C++ with strict warnings, and declare
// interface types of the widths callers rely on on every platform.
#include "header_check_every_macro.h"

static_assert(sizeof(NvkWideChar) == 2, "wide characters are 16-bit code units");
static_assert(sizeof(NvkLong) == 4 && sizeof(NvkULong) == 4, "long values are 32-bit");

extern "C" int HEADER_CHECK_NAME(void) {
    UseEveryMacro();
    return NVK_REPORT_BATCH_SUMMARY + NVK_REPORT_FAILED == 3;
}
