/* What the hostile tests do to their process, one way per platform. */
#ifndef HOSTILE_PLATFORM_H
#define HOSTILE_PLATFORM_H

#include "norvik.h"

/* Ends the process without returning, as ExitProcess does on Windows. */
void HostileEndProcess(int code);
/* Changes the current folder to a new one; 1 when it did. */
int HostileChangeFolder(void);
/* Waits in the system for good. */
void HostileSleepForever(void);
/* Takes the standard output's lock and keeps it. */
void HostileLockOutput(void);
/* Closes the handles or descriptors of the process by number, from 3 or 4 up. */
void HostileCloseEveryHandle(void);
/* Starts a process that outlives the test, holding what the test's process holds. */
int HostileLeaveAChild(void);
/* 1 in a worker process of the runner. */
int HostileInWorker(void);

#endif
