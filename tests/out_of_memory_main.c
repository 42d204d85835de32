/* Asks for more memory than any machine has: the library must end the process
 * with status 1 rather than return NULL. Exit status 3 means it returned. */
#include <stdint.h>

#include "norvik.h"

int main(void) {
    void *block = NvkMemAlloc(SIZE_MAX / 2);
    return block == NULL ? 3 : 4;
}
