// Start-up: the platform mode that selects what is removed.
#ifndef QALM_ENTRY_H
#define QALM_ENTRY_H

#define MODE_NONE 0
#define MODE_9X 1
#define MODE_NT4 2
#define MODE_NT5 3
#define MODE_UNSUPPORTED 4

#define EXIT_CODE 18

// Written only by DetectPlatformMode; MODE_NONE until then.
extern int PlatformMode;

void DetectPlatformMode(void);

#endif
