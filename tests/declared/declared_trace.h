/* What the test DLL of declared tests ran, in order, for the tests that load it. */
#ifndef DECLARED_TRACE_H
#define DECLARED_TRACE_H

#include "norvik_test.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Adds what ran to the trace, after a blank. */
void Trace(const char *what);

#ifdef __cplusplus
}
#endif

#endif /* DECLARED_TRACE_H */
