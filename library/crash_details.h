// What a crash ran into, held from the moment it is known until the run records
// the crash: the crash guard's own line, or the one a runner's executor hands over
// for a crash it saw elsewhere.
#pragma once

namespace nvk {

// Holds a copy of the details for the next crash record of the current call; NULL
// or "" holds nothing.
void HoldCrashDetails(const char *details);
// The held details, handed over to the caller (freed with std::free), when the failure
// about to be recorded is a crash record; NULL otherwise.
char *TakeCrashDetails(int lineNumber, const char *message);
// Details that no crash record took end with their call.
void DropCrashDetails();

extern char *heldCrashDetails;

// Whether details are held: asked inline after every call of a test, so that a call
// that left none costs no more.
inline bool HoldsCrashDetails() { return heldCrashDetails != nullptr; }

}  // namespace nvk
