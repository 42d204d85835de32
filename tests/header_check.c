/* The public header must compile as plain C with strict warnings. */
#include "norvik.h"

int HeaderCheckC(void) { return NVK_REPORT_ALL == 31 && NvkEventRunFinished == 21; }
