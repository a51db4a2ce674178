// The check's steps: each looks at one kind of item, writes its line and
// counts it in the tally. Paths are relative to HKEY_LOCAL_MACHINE.
#ifndef QALM_CHECK_ITEMS_H
#define QALM_CHECK_ITEMS_H

#include <windows.h>

#include "product/product.h"
#include "registry/buffer_sizes.h"

// What the lines so far have found; the summary line is made from it.
typedef struct CHECK_TALLY {
    int removable;   // items that the next uninstaller run removes
    int staying;     // items that no run removes
    int unreadable;  // keys the check may not read
} CHECK_TALLY;

// A line is a path with a few words around it.
#define LINE_SIZE (LONG_PATH_SIZE + 128)

// The text and a line break.
void WriteLine(DWORD standardHandle, const char* text);
// FALSE, the buffer unchanged, when the digits do not fit.
BOOL AppendCount(char* buffer, size_t size, int count);
// "kind HKLM\path note"; counted as removable or staying by the caller.
void ReportItem(const char* kind, const char* path, const char* note);
void ReportUnreadable(CHECK_TALLY* tally, const char* path);
int ReportSummary(const CHECK_TALLY* tally);

// A key the uninstaller deletes with its subtree, read in view: 0, the
// process's own and the only one but on 64-bit Windows, or KEY_WOW64_64KEY
// or KEY_WOW64_32KEY there, given to every open. A key of the 32-bit view
// below SOFTWARE is named where 64-bit Windows keeps it, in Wow6432Node.
void CheckKeyTree(CHECK_TALLY* tally, const char* path, REGSAM view);
// Every subkey of parentPath whose name matches, each deleted with its subtree.
void CheckMatchingSubkeys(CHECK_TALLY* tally, const char* parentPath, const char* const* patterns);
// A value the uninstaller deletes when it fits its buffer.
void CheckValue(CHECK_TALLY* tally, const char* keyPath, const char* valueName);
// The device keys whose first instance the scan hands to the installer.
void CheckDeviceKeys(CHECK_TALLY* tally, int mode, const char* enumeratorPath, const char* const* patterns);
// What the 9x cleanup removes for one enumerator.
void CheckEnumerator9x(CHECK_TALLY* tally, const char* enumeratorName);

#endif
