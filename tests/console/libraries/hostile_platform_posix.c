/* The hostile tests' doings on POSIX systems. */
#define _GNU_SOURCE
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "hostile_platform.h"

void HostileEndProcess(int code) { exit(code); }

int HostileChangeFolder(void) {
    char folder[] = "/tmp/norvik-hostile-XXXXXX";
    return mkdtemp(folder) != NULL && chdir(folder) == 0;
}

void HostileSleepForever(void) {
    for (;;) {
        pause();
    }
}

void HostileLockOutput(void) { flockfile(stdout); }

void HostileCloseEveryHandle(void) {
    int fd;
    for (fd = 3; fd < 1024; ++fd) {
        close(fd);
    }
}

int HostileLeaveAChild(void) {
    const pid_t child = fork();
    if (child == 0) {
        for (;;) {
            sleep(1000);
        }
    }
    return child > 0;
}

static void UnloadHang(void) __attribute__((destructor));
static void UnloadHang(void) {
    const char *unload = getenv("NORVIK_HOSTILE_UNLOAD");
    if (unload != NULL && strcmp(unload, "hang") == 0) {
        HostileSleepForever();
    }
}

int HostileInWorker(void) {
    char line[4096];
    size_t length;
    FILE *file = fopen("/proc/self/cmdline", "rb");
    if (file == NULL) {
        return 0;
    }
    length = fread(line, 1, sizeof line - 1, file);
    fclose(file);
    line[length] = '\0';
    /* The arguments are separated by zero bytes: the option is one of them. */
    return memmem(line, length, "--worker-channel", 16) != NULL;
}
