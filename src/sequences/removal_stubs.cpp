// Placeholder bodies until the removal sequences land.
#include "sequences/sequences.h"

int StopAndDeleteService(void) { return 1; }
void RemoveSerialCommValue(void) {}
void RunNt4Removal(void) {}
void RunNt5Removal(void) {}
void CleanEnumerator9x(HKEY, const char*) {}
