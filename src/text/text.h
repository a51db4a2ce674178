// The few string and memory helpers the program needs, in place of the C
// library's: the Windows executable links no C run-time.
#ifndef QALM_TEXT_H
#define QALM_TEXT_H

#include <windows.h>

#include <stddef.h>

size_t TextLength(const char* text);
// The first occurrence of part in text (case-sensitive), or NULL.
const char* FindSubstring(const char* text, const char* part);
// The first occurrence of character in text, or NULL.
char* FindCharacter(char* text, char character);
// The last occurrence of character in text, or NULL.
char* FindLastCharacter(char* text, char character);
// TRUE when both texts are equal, ASCII letters compared without regard to case.
BOOL SameTextIgnoringCase(const char* a, const char* b);
void ClearBytes(void* buffer, size_t size);
void CopyBytes(void* target, const void* source, size_t size);

#endif
