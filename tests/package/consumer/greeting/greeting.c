#include "greeting.h"

#include <stdio.h>

int Greet(const char *name, char *buffer, int size) { return snprintf(buffer, (size_t)size, "Hello, %s!", name); }
