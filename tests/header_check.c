/* The public headers must compile as plain C with strict warnings. */
#include "norvik_test.h"

int HEADER_CHECK_NAME(void);

int HEADER_CHECK_NAME(void) { return NVK_REPORT_ALL == 31 && NvkEventRunFinished == 21; }
