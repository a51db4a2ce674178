// The removal sequences of each platform mode.
#ifndef QALM_SEQUENCES_H
#define QALM_SEQUENCES_H

#include <windows.h>

int StopAndDeleteService(void);  // 1 on every path
void RemoveSerialCommValue(void);
void RunNt4Removal(void);
void RunNt5Removal(void);
void CleanEnumerator9x(HKEY root, const char* enumeratorName);

#endif
