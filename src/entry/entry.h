// Start-up: the program's entry and its one result.
#ifndef QALM_ENTRY_H
#define QALM_ENTRY_H

#define EXIT_CODE 18

#endif
