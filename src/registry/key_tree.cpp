#include "registry/key_tree.h"

#include "registry/buffer_sizes.h"
#include "registry/path_buffer.h"
#include "text/text.h"

BOOL DeleteKeyTree(HKEY parent, const char* path)
{
    HKEY key;
    char name[KEY_NAME_SIZE];  // one per level: the child's name must outlive its own descent
    DWORD index = 0;
    DWORD length;
    BOOL gone;

    if (RegOpenKeyExA(parent, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return FALSE;

    for (;;) {
        length = KEY_NAME_SIZE;
        if (RegEnumKeyExA(key, index, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        // A removed child moves its siblings down into this index; one that
        // stays would come back here forever, so step over it.
        if (!DeleteKeyTree(key, name))
            index++;
    }

    gone = RegDeleteKeyA(parent, path) == ERROR_SUCCESS;
    RegCloseKey(key);
    return gone;
}

// path + "\" + name; a path that already ends with the separator keeps just the one.
static BOOL ComposeChildPath(char* buffer, size_t size, const char* path, const char* name)
{
    size_t length = TextLength(path);

    if (length > 0 && path[length - 1] == '\\')
        return CopyPath(buffer, size, path) && AppendPath(buffer, size, name);
    return JoinPath(buffer, size, path, name);
}

void ClearChildKeys(HKEY root, const char* path)
{
    HKEY key;
    char name[KEY_NAME_SIZE];
    char childPath[LONG_PATH_SIZE];
    DWORD index = 0;
    DWORD length;

    if (RegOpenKeyExA(root, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;

    for (;;) {
        ClearBytes(name, sizeof(name));
        length = KEY_NAME_SIZE;
        if (RegEnumKeyExA(key, index, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        // A child that stays, or whose path does not fit, is stepped over.
        if (!ComposeChildPath(childPath, sizeof(childPath), path, name) || !DeleteKeyTree(root, childPath))
            index++;
    }

    RegCloseKey(key);
}
