/* A DLL of the consumer's own, which a test DLL imports. */
#ifndef GREETING_H
#define GREETING_H

#ifdef BUILDING_GREETING
#define GREETING_API __declspec(dllexport)
#else
#define GREETING_API __declspec(dllimport)
#endif

/* Writes "Hello, <name>!" into buffer; returns its length. */
GREETING_API int Greet(const char *name, char *buffer, int size);

#endif
