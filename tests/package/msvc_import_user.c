/* A program as an MSVC project would build it, calling the library through the
 * MSVC import library; it is only linked, never run. */
__declspec(dllimport) const char *__cdecl NvkAppName(void);
__declspec(dllimport) int __cdecl NvkBatchRun(void *batch);

int __cdecl start(void) { return NvkAppName() != 0 && NvkBatchRun(0) != 0; }
