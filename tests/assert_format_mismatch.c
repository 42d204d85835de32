/* Must draw a format warning: the message format asks for a string, given an int. */
#include "norvik_test.h"

void MismatchedMessage(void) { NVK_ASSERT(0, "%s", 42); }
