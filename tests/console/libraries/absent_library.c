/* A library that a test library imports, built where the loader does not look. */
#if defined(_WIN32)
__declspec(dllexport)
#endif
    int AbsentValue(void);

int AbsentValue(void) { return 7; }
