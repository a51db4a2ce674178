// The platform mode: which removal the platform's version calls for. The
// entry finds it once and hands it down to the routines that need it.
#ifndef QALM_PLATFORM_MODE_H
#define QALM_PLATFORM_MODE_H

#define MODE_NONE 0
#define MODE_9X 1
#define MODE_NT4 2
#define MODE_NT5 3
#define MODE_UNSUPPORTED 4

// The mode of the platform the process runs on; MODE_NONE on NT 6 and later
// and when the version query fails. It writes nothing.
int DetectPlatformMode(void);

#endif
