/*
 * Creates each HKEY_LOCAL_MACHINE key named on the command line, and any of
 * its parents that are missing, as volatile keys: the keys under
 * HKLM\HARDWARE that the platform's drivers make at start-up. A .reg import
 * cannot make them, since a key it makes is not volatile and a volatile
 * parent refuses such a child.
 *
 *   volatile-keys PATH...
 */
#include <windows.h>

#include <stdio.h>

int main(int argc, char** argv)
{
    int failed = 0;
    int i;

    for (i = 1; i < argc; ++i) {
        HKEY key;
        LONG status =
            RegCreateKeyExA(HKEY_LOCAL_MACHINE, argv[i], 0, NULL, REG_OPTION_VOLATILE, KEY_READ, NULL, &key, NULL);
        if (status == ERROR_SUCCESS) {
            RegCloseKey(key);
        } else {
            fprintf(stderr, "volatile-keys: %s: %ld\n", argv[i], status);
            failed = 1;
        }
    }
    return failed;
}
