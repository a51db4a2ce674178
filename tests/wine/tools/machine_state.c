/*
 * Prints what exists under the given HKEY_LOCAL_MACHINE paths, and whether
 * the given services are known to the service control manager, in one
 * canonical text form: the same machine always prints the same bytes, so two
 * runs are compared with a plain diff.
 *
 *   machine-state [--service NAME | --value PATH NAME | PATH]...
 *
 * A path that exists prints as .reg text: "[HKEY_LOCAL_MACHINE\PATH]", its
 * values, then its subkeys, depth first. Subkeys and values are sorted
 * without regard to case, so the order does not depend on how the registry
 * keeps them. A path that does not exist prints "absent HKEY_LOCAL_MACHINE\PATH".
 * "--value PATH NAME" prints one value of a key that the platform fills with
 * values of its own, which would otherwise make the text depend on the host.
 */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define NAME_SIZE 16384  /* the longest value name, terminator included; key names are shorter */
#define PATH_SIZE 32768
#define MAX_DATA (1024 * 1024)

typedef struct {
    char name[NAME_SIZE];
} Name;

static int CompareNames(const void* a, const void* b)
{
    return _stricmp(((const Name*)a)->name, ((const Name*)b)->name);
}

static void PrintQuoted(const char* text, DWORD length)
{
    DWORD i;

    putchar('"');
    for (i = 0; i < length; ++i) {
        if (text[i] == '\\' || text[i] == '"')
            putchar('\\');
        putchar(text[i]);
    }
    putchar('"');
}

static void PrintHex(DWORD type, const BYTE* data, DWORD size)
{
    DWORD i;

    if (type == REG_BINARY)
        printf("hex:");
    else
        printf("hex(%lx):", (unsigned long)type);
    for (i = 0; i < size; ++i)
        printf(i ? ",%02x" : "%02x", data[i]);
}

/* A string prints as text only when it is exactly its characters and one
   terminator; anything else keeps every byte in hex. */
static BOOL IsPlainString(const BYTE* data, DWORD size)
{
    return size > 0 && data[size - 1] == '\0' && memchr(data, '\0', size - 1) == NULL;
}

static void PrintValue(HKEY key, const char* name, BYTE* data)
{
    DWORD type;
    DWORD size = MAX_DATA;
    LONG status = RegQueryValueExA(key, name, NULL, &type, data, &size);

    if (name[0] == '\0')
        putchar('@');
    else
        PrintQuoted(name, (DWORD)strlen(name));
    putchar('=');
    if (status != ERROR_SUCCESS)
        printf("; cannot be read: %ld", status);
    else if (type == REG_SZ && IsPlainString(data, size))
        PrintQuoted((const char*)data, size - 1);
    else if (type == REG_DWORD && size == sizeof(DWORD))
        printf("dword:%08lx", *(const DWORD*)data);
    else
        PrintHex(type, data, size);
    putchar('\n');
}

/* Reads every name first: the list is sorted before anything is printed. */
static Name* ReadNames(HKEY key, BOOL values, DWORD* count)
{
    DWORD subkeys = 0;
    DWORD valueCount = 0;
    DWORD total;
    DWORD i;
    Name* names;

    if (RegQueryInfoKeyA(key, NULL, NULL, NULL, &subkeys, NULL, NULL, &valueCount, NULL, NULL, NULL, NULL) !=
        ERROR_SUCCESS)
        return NULL;
    total = values ? valueCount : subkeys;
    names = calloc(total + 1, sizeof(Name));
    if (names == NULL)
        return NULL;
    for (i = 0; i < total; ++i) {
        DWORD length = NAME_SIZE;
        LONG status = values ? RegEnumValueA(key, i, names[i].name, &length, NULL, NULL, NULL, NULL)
                             : RegEnumKeyExA(key, i, names[i].name, &length, NULL, NULL, NULL, NULL);
        if (status != ERROR_SUCCESS) {
            printf("; listing stopped at %lu of %lu: %ld\n", (unsigned long)i, (unsigned long)total, status);
            break;
        }
    }
    *count = i;
    qsort(names, *count, sizeof(Name), CompareNames);
    return names;
}

/* One name at a time: the ANSI calls refuse a whole path longer than MAX_PATH,
   and the roots asked for may lie deeper than that. */
static LONG OpenPath(const char* path, REGSAM access, HKEY* key)
{
    char name[NAME_SIZE];
    HKEY parent = HKEY_LOCAL_MACHINE;
    LONG status = ERROR_SUCCESS;

    while (status == ERROR_SUCCESS && *path != '\0') {
        size_t length = strcspn(path, "\\");
        HKEY child;
        if (length >= NAME_SIZE)
            status = ERROR_FILE_NOT_FOUND;
        else {
            memcpy(name, path, length);
            name[length] = '\0';
            path += length;
            path += *path == '\\';
            status = RegOpenKeyExA(parent, name, 0, *path ? KEY_ENUMERATE_SUB_KEYS : access, &child);
        }
        if (parent != HKEY_LOCAL_MACHINE)
            RegCloseKey(parent);
        if (status == ERROR_SUCCESS)
            parent = child;
    }
    *key = status == ERROR_SUCCESS ? parent : NULL;
    return status;
}

static void PrintContents(HKEY key, char* path, BYTE* data);

/* A key is printed even when its contents cannot be read: that it is still
   there is the point. */
static void PrintKey(LONG status, HKEY key, char* path, BYTE* data)
{
    printf("[HKEY_LOCAL_MACHINE\\%s]", path);
    if (status != ERROR_SUCCESS) {
        printf(" ; cannot be read: %ld\n", status);
        return;
    }
    putchar('\n');
    PrintContents(key, path, data);
    RegCloseKey(key);
}

static void PrintContents(HKEY key, char* path, BYTE* data)
{
    Name* names;
    DWORD count = 0;
    DWORD i;
    size_t length = strlen(path);

    if ((names = ReadNames(key, TRUE, &count)) != NULL) {
        for (i = 0; i < count; ++i)
            PrintValue(key, names[i].name, data);
        free(names);
    }
    if ((names = ReadNames(key, FALSE, &count)) != NULL) {
        for (i = 0; i < count; ++i) {
            HKEY child = NULL;
            LONG status;
            if (length + 1 + strlen(names[i].name) >= PATH_SIZE)
                continue;
            status = RegOpenKeyExA(key, names[i].name, 0, KEY_READ, &child);
            path[length] = '\\';
            strcpy(path + length + 1, names[i].name);
            PrintKey(status, child, path, data);
            path[length] = '\0';
        }
        free(names);
    }
}

static void PrintRoot(const char* root, char* path, BYTE* data)
{
    HKEY key = NULL;
    LONG status = OpenPath(root, KEY_READ, &key);

    strcpy(path, root);
    if (status == ERROR_FILE_NOT_FOUND)
        printf("absent HKEY_LOCAL_MACHINE\\%s\n", path);
    else
        PrintKey(status, key, path, data);
}

static void PrintOneValue(const char* path, const char* name, BYTE* data)
{
    HKEY key = NULL;

    if (OpenPath(path, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        printf("absent HKEY_LOCAL_MACHINE\\%s\n", path);
        return;
    }
    printf("[HKEY_LOCAL_MACHINE\\%s] ", path);
    if (RegQueryValueExA(key, name, NULL, NULL, NULL, NULL) == ERROR_FILE_NOT_FOUND) {
        printf("no value ");
        PrintQuoted(name, (DWORD)strlen(name));
        putchar('\n');
    } else {
        PrintValue(key, name, data);
    }
    RegCloseKey(key);
}

static void PrintService(SC_HANDLE manager, const char* name)
{
    SC_HANDLE service;

    if (manager == NULL) {
        printf("service %s: no service control manager (%lu)\n", name, GetLastError());
        return;
    }
    service = OpenServiceA(manager, name, SERVICE_QUERY_STATUS);
    if (service != NULL) {
        printf("service %s: present\n", name);
        CloseServiceHandle(service);
    } else if (GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST) {
        printf("service %s: absent\n", name);
    } else {
        printf("service %s: cannot be opened (%lu)\n", name, GetLastError());
    }
}

int main(int argc, char** argv)
{
    static char path[PATH_SIZE];
    BYTE* data = malloc(MAX_DATA);
    SC_HANDLE manager = NULL;
    int i;

    if (data == NULL || argc < 2) {
        fprintf(stderr, "usage: machine-state [--service NAME | --value PATH NAME | PATH]...\n");
        return 2;
    }
    for (i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--service") == 0 && i + 1 < argc) {
            if (manager == NULL)
                manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
            PrintService(manager, argv[++i]);
        } else if (strcmp(argv[i], "--value") == 0 && i + 2 < argc) {
            PrintOneValue(argv[i + 1], argv[i + 2], data);
            i += 2;
        } else if (strlen(argv[i]) < PATH_SIZE) {
            PrintRoot(argv[i], path, data);
        }
    }
    if (manager != NULL)
        CloseServiceHandle(manager);
    free(data);
    return 0;
}
