// The removal sequences of each platform mode.
#ifndef QALM_SEQUENCES_H
#define QALM_SEQUENCES_H

#include <windows.h>

int StopAndDeleteService(void);  // 1 on every path
void RemoveSerialCommValue(void);
void RunNt4Removal(void);
void RunNt5Removal(void);
void RunRemoval9x(void);  // the NT 5 sequence with the cleanup of the 9x hardware tree
void CleanEnumerator9x(const char* enumeratorName);

// Only an enumerator's first device and its first instance carry the driver
// settings: action gets that instance's key, open for querying values.
typedef void (*FIRST_INSTANCE_ACTION)(HKEY instance, void* context);
void VisitFirstInstance9x(const char* enumeratorPath, FIRST_INSTANCE_ACTION action, void* context);

// The instance's "Driver" value names its settings key as class + "\" + index:
// classPath (SHORT_PATH_SIZE) gets the class key's path, and the answer is
// the settings key's name below it, inside driver (SHORT_PATH_SIZE + 1). NULL
// for a value without a class and an index of its own.
const char* ReadDriverSettingsKey(HKEY instance, char* driver, char* classPath);

#endif
