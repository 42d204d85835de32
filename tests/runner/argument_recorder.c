/* Stands in for an editor: writes the arguments after the first, one a line, to the
 * file the first names. */
#include <stdio.h>

int main(int argc, char **argv) {
    FILE *file;
    int index;
    if (argc < 2 || (file = fopen(argv[1], "wb")) == NULL) {
        return 1;
    }
    for (index = 2; index < argc; ++index) {
        fprintf(file, "%s\n", argv[index]);
    }
    fclose(file);
    return 0;
}
