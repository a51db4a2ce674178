// The check: whether anything that the uninstaller removes on this platform
// is still on the machine. It reads the registry and never writes to it.
#ifndef QALM_CHECK_H
#define QALM_CHECK_H

#define CHECK_CLEAN 0    // nothing of the product is present
#define CHECK_PRESENT 1  // something is
#define CHECK_UNKNOWN 2  // a key it may not read, a failed version query, a bad argument

// Writes one line per item still present, and the summary line last, to
// standard output; answers the exit code.
int RunCheck(int mode);

// The program: arguments is the command line after the program's name.
int CheckMain(const char* arguments);

#endif
