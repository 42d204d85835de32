/* The public headers must compile as plain C with strict warnings. */
#include "header_check_every_macro.h"

int HEADER_CHECK_NAME(void);

int HEADER_CHECK_NAME(void) {
    UseEveryMacro();
    return NVK_REPORT_ALL == 31 && NvkEventRunFinished == 21;
}
