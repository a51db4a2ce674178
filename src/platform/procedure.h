// A function looked up at run time, for what not every platform has.
#ifndef QALM_PROCEDURE_H
#define QALM_PROCEDURE_H

// GetProcAddress answers one generic type; this one converts to any other.
typedef void (*ANY_PROCEDURE)(void);

#endif
