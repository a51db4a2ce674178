// Bounded composition of registry paths in fixed buffers.
#ifndef QALM_PATH_BUFFER_H
#define QALM_PATH_BUFFER_H

#include <windows.h>

#include <stddef.h>

// Both answer FALSE, leaving the buffer as it was, when the result would not
// fit with its terminator; a path that does not fit is skipped, never cut short.
BOOL CopyPath(char* buffer, size_t size, const char* text);
BOOL AppendPath(char* buffer, size_t size, const char* text);
// parent + "\" + name, on the same terms.
BOOL JoinPath(char* buffer, size_t size, const char* parent, const char* name);

#endif
