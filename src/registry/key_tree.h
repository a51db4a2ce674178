// Removal of whole key subtrees, bottom-up, as the NT registry deletes only
// keys without subkeys.
#ifndef QALM_KEY_TREE_H
#define QALM_KEY_TREE_H

#include <windows.h>

// Removes parent\path with all its descendants; TRUE when the key is gone.
// A descendant that cannot be removed stays, and so do the keys above it.
BOOL DeleteKeyTree(HKEY parent, const char* path);

// Removes every child subtree of root\path and keeps the key itself; the path
// may end with a backslash or not.
void ClearChildKeys(HKEY root, const char* path);

#endif
