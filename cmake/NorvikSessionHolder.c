/* The program that holds an emulator's session open for a CTest run: it creates the file
   its argument names once it runs, which is after the session started, then waits until
   the run's cleanup ends it. Compiles as C and as C++. */
#include <windows.h>

int main(int argc, char **argv) {
    HANDLE ready;
    if (argc != 2) {
        return 2;
    }
    ready = CreateFileA(argv[1], GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (ready == INVALID_HANDLE_VALUE) {
        return 1;
    }
    CloseHandle(ready);
    Sleep(INFINITE);
    return 0;
}
