#include <stdio.h>

#include "norvik.h"

int HeaderCheck_c99(void);
int HeaderCheck_cxx11(void);
int HeaderCheck_cxx14(void);
int HeaderCheck_cxx17(void);

int main(void) {
    if (!HeaderCheck_c99() || !HeaderCheck_cxx11() || !HeaderCheck_cxx14() || !HeaderCheck_cxx17() ||
        NvkAppName() == NULL) {
        puts("header check failed");
        return 1;
    }
    return 0;
}
