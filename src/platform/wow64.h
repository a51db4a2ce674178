// 64-bit Windows runs the 32-bit program under WOW64, where its registry view
// of HKLM\SOFTWARE is redirected and the class installer refuses it.
#ifndef QALM_WOW64_H
#define QALM_WOW64_H

#include <windows.h>

// TRUE when this process is a 32-bit program on 64-bit Windows; FALSE on
// 32-bit Windows, in a 64-bit process, and where the platform cannot say.
BOOL RunsUnderWow64(void);

#endif
