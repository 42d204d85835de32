#include <stdio.h>

#include "norvik.h"

int HeaderCheckC(void);
int HeaderCheckCxx(void);

int main(void) {
    if (!HeaderCheckC() || !HeaderCheckCxx() || NvkAppName() == NULL) {
        puts("header check failed");
        return 1;
    }
    return 0;
}
