/*
 * Checks of Windows status codes, for test DLLs that call Windows: each failure message shows
 * the code in hex and the system's text for it. Includes windows.h and norvik_test.h; where
 * there is no windows.h it holds norvik_test.h alone.
 *
 *   NVK_ASSERT_SUCCEEDED(hresult)              passes when SUCCEEDED(hresult)
 *   NVK_ASSERT_EQUAL_HRESULT(expected, actual) passes when the two codes are equal
 *   NVK_ASSERT_WIN32(result)                   passes when result is non-zero (TRUE, a handle);
 *                                              on failure it reads GetLastError() first
 *   NVK_REQUIRE_... of each, returning from the test function when it fails
 */
#ifndef NORVIK_WINDOWS_H
#define NORVIK_WINDOWS_H

#include "norvik_test.h"

#ifdef _WIN32
#include <windows.h>

/* The system's text for code, without its line end; an HRESULT made of a Win32 error
 * falls back on that error's text. */
static NVK_INLINE void NvkCheckAppendStatus(NvkCheckText *message, DWORD code) {
    char text[512];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, code, 0, text,
                                  sizeof text, NULL);
    if (length == 0 && HRESULT_FACILITY(code) == FACILITY_WIN32) {
        length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, HRESULT_CODE(code),
                                0, text, sizeof text, NULL);
    }
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' || text[length - 1] == ' ')) --length;
    text[length] = '\0';
    NvkCheckAppend(message, "0x%08lx (%s)", (unsigned long)code, length > 0 ? text : "no text for this code");
}

static NVK_INLINE const char *NvkCheckHresult(int passed, HRESULT expected, HRESULT actual, int wantEqual,
                                              const char *fileName, int lineNumber) {
    NvkCheckText message;
    if (passed) return NvkCheckPass(fileName, lineNumber);
    NvkCheckStartMessage(&message);
    if (wantEqual) {
        NvkCheckAppend(&message, "Expected HRESULT to be ");
        NvkCheckAppendStatus(&message, (DWORD)expected);
        NvkCheckAppend(&message, " but it was ");
    } else {
        NvkCheckAppend(&message, "Expected HRESULT to succeed but it was ");
    }
    NvkCheckAppendStatus(&message, (DWORD)actual);
    return NvkCheckFail(&message, fileName, lineNumber);
}

static NVK_INLINE const char *NvkCheckSucceeded(HRESULT actual, const char *fileName, int lineNumber) {
    return NvkCheckHresult(SUCCEEDED(actual), actual, actual, 0, fileName, lineNumber);
}

static NVK_INLINE const char *NvkCheckEqualHresult(HRESULT expected, HRESULT actual, const char *fileName,
                                                   int lineNumber) {
    return NvkCheckHresult(expected == actual, expected, actual, 1, fileName, lineNumber);
}

/* Called right after the call under test: the error is read before anything else can
 * change it. */
static NVK_INLINE const char *NvkCheckWin32(int succeeded, const char *fileName, int lineNumber) {
    const DWORD error = GetLastError();
    NvkCheckText message;
    if (succeeded) return NvkCheckPass(fileName, lineNumber);
    NvkCheckStartMessage(&message);
    NvkCheckAppend(&message, "Expected the call to succeed but it failed with GetLastError() ");
    NvkCheckAppendStatus(&message, error);
    return NvkCheckFail(&message, fileName, lineNumber);
}

#define NVK_ASSERT_SUCCEEDED(hresult) NVK_CHECK_BREAKS(NvkCheckSucceeded((hresult), __FILE__, __LINE__))
#define NVK_ASSERT_EQUAL_HRESULT(expected, actual) \
    NVK_CHECK_BREAKS(NvkCheckEqualHresult((expected), (actual), __FILE__, __LINE__))
#define NVK_ASSERT_WIN32(result) NVK_CHECK_BREAKS(NvkCheckWin32((result) ? 1 : 0, __FILE__, __LINE__))
#define NVK_REQUIRE_SUCCEEDED(hresult) NVK_CHECK_OR_RETURN(NVK_ASSERT_SUCCEEDED(hresult))
#define NVK_REQUIRE_EQUAL_HRESULT(expected, actual) NVK_CHECK_OR_RETURN(NVK_ASSERT_EQUAL_HRESULT(expected, actual))
#define NVK_REQUIRE_WIN32(result) NVK_CHECK_OR_RETURN(NVK_ASSERT_WIN32(result))

#endif /* _WIN32 */

#endif /* NORVIK_WINDOWS_H */
