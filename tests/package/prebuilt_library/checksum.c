/* An Adler-32 checksum, enough of a library for a test DLL to call into. */
#include "checksum.h"

int Adler32(const char *text) {
    unsigned long low = 1;
    unsigned long high = 0;
    for (; *text != '\0'; ++text) {
        low = (low + (unsigned char)*text) % 65521;
        high = (high + low) % 65521;
    }
    return (int)((high << 16) | low);
}
