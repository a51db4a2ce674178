#include <windows.h>

#include "check/check_items.h"
#include "devices/devices.h"
#include "product/product.h"
#include "registry/buffer_sizes.h"
#include "registry/path_buffer.h"
#include "text/text.h"

#define PROBE_ABSENT 0
#define PROBE_REMOVABLE 1   // the uninstaller may open all of it as it does to delete
#define PROBE_STAYS 2       // some of it refuses that open: it and the keys above it stay
#define PROBE_UNREADABLE 3  // some of it may not even be read

static const char SoftwarePrefix[] = "SOFTWARE\\";
static const char SoftwarePrefix32[] = "SOFTWARE\\Wow6432Node\\";

// The open the uninstaller makes before a deletion, and when that is refused,
// one for reading only, both in the view. The handle comes back open unless
// the verdict is PROBE_ABSENT or PROBE_UNREADABLE.
static int OpenProbedKey(HKEY parent, const char* name, REGSAM view, HKEY* key)
{
    LONG result = RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS | view, key);

    if (result == ERROR_SUCCESS)
        return PROBE_REMOVABLE;
    if (result == ERROR_FILE_NOT_FOUND)
        return PROBE_ABSENT;
    result = RegOpenKeyExA(parent, name, 0, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | view, key);
    if (result == ERROR_SUCCESS)
        return PROBE_STAYS;
    return result == ERROR_FILE_NOT_FOUND ? PROBE_ABSENT : PROBE_UNREADABLE;
}

// The verdict on parent\name and everything below it: the worst of its keys.
// path names the key in the lines, and is given back as it came. Every open
// names the view again: a handle does not keep it for its subkeys.
static int ProbeKeyTree(CHECK_TALLY* tally, HKEY parent, const char* name, REGSAM view, char* path, size_t size)
{
    HKEY key;
    char child[KEY_NAME_SIZE];  // one per level, like the deletion's
    size_t pathLength = TextLength(path);
    DWORD index;
    DWORD length;
    int verdict = OpenProbedKey(parent, name, view, &key);
    int childVerdict;

    if (verdict == PROBE_UNREADABLE)
        ReportUnreadable(tally, path);
    if (verdict == PROBE_ABSENT || verdict == PROBE_UNREADABLE)
        return verdict;

    // Nothing is deleted here, so every index names the next child.
    for (index = 0;; index++) {
        length = KEY_NAME_SIZE;
        if (RegEnumKeyExA(key, index, child, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        // A child whose path does not fit is named by the deepest key that does.
        if (!AppendPath(path, size, "\\") || !AppendPath(path, size, child))
            path[pathLength] = '\0';
        childVerdict = ProbeKeyTree(tally, key, child, view, path, size);
        path[pathLength] = '\0';
        if (childVerdict > verdict)
            verdict = childVerdict;
    }

    RegCloseKey(key);
    return verdict;
}

// The path that names the key in the lines.
static BOOL ComposeShownPath(char* shown, size_t size, const char* path, REGSAM view)
{
    size_t prefixLength = sizeof(SoftwarePrefix) - 1;

    if (view == KEY_WOW64_32KEY && FindSubstring(path, SoftwarePrefix) == path)
        return CopyPath(shown, size, SoftwarePrefix32) && AppendPath(shown, size, path + prefixLength);
    return CopyPath(shown, size, path);
}

void CheckKeyTree(CHECK_TALLY* tally, const char* path, REGSAM view)
{
    char shown[LONG_PATH_SIZE];

    if (!ComposeShownPath(shown, sizeof(shown), path, view))
        return;
    switch (ProbeKeyTree(tally, HKEY_LOCAL_MACHINE, path, view, shown, sizeof(shown))) {
    case PROBE_REMOVABLE:
        ReportItem("present key", shown, "");
        tally->removable++;
        break;
    case PROBE_STAYS:
        ReportItem("stays key", shown, " (it may not be deleted: no run removes it)");
        tally->staying++;
        break;
    default:  // absent, or its unreadable keys have their own lines
        break;
    }
}

void CheckMatchingSubkeys(CHECK_TALLY* tally, const char* parentPath, const char* const* patterns)
{
    HKEY parent;
    char name[KEY_NAME_SIZE];
    char path[LONG_PATH_SIZE];
    DWORD index;
    DWORD length;
    LONG result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, parentPath, 0, KEY_ENUMERATE_SUB_KEYS, &parent);

    if (result != ERROR_SUCCESS) {
        if (result != ERROR_FILE_NOT_FOUND)
            ReportUnreadable(tally, parentPath);
        return;
    }
    for (index = 0;; index++) {
        length = KEY_NAME_SIZE;
        if (RegEnumKeyExA(parent, index, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        if (MatchesDeviceId(name, patterns) && JoinPath(path, sizeof(path), parentPath, name))
            CheckKeyTree(tally, path, 0);
    }
    RegCloseKey(parent);
}

void CheckValue(CHECK_TALLY* tally, const char* keyPath, const char* valueName)
{
    HKEY key;
    BYTE data[VALUE_BUFFER_SIZE];
    DWORD size = sizeof(data);
    char path[LONG_PATH_SIZE];
    int verdict = OpenProbedKey(HKEY_LOCAL_MACHINE, keyPath, 0, &key);
    LONG result;

    if (verdict == PROBE_UNREADABLE)
        ReportUnreadable(tally, keyPath);
    if (verdict == PROBE_ABSENT || verdict == PROBE_UNREADABLE)
        return;
    result = RegQueryValueExA(key, valueName, NULL, NULL, data, &size);
    RegCloseKey(key);

    if (!JoinPath(path, sizeof(path), keyPath, valueName))
        return;
    if (result == ERROR_SUCCESS && verdict == PROBE_REMOVABLE) {
        ReportItem("present value", path, "");
        tally->removable++;
    } else if (result == ERROR_SUCCESS) {
        ReportItem("stays value", path, " (its key may not be changed: no run removes it)");
        tally->staying++;
    } else if (result == ERROR_MORE_DATA) {
        // The uninstaller takes a value too large for its buffer for absent.
        ReportItem("stays value", path, " (too large for the uninstaller: no run removes it)");
        tally->staying++;
    }
}
