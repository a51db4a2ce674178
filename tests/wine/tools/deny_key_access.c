/*
 * Gives each HKEY_LOCAL_MACHINE key named on the command line a DACL that
 * denies every access to Everyone, so that nobody can open it any more: the
 * child that cannot be removed. With --read-only the DACL grants Everyone
 * reading and nothing else: a key that can be seen but not deleted.
 *
 *   deny-key-access [--read-only] PATH...
 */
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <stdio.h>
#include <string.h>

static const char DenyAll[] = "D:P(D;OICI;KA;;;WD)";
static const char ReadOnly[] = "D:P(A;OICI;KR;;;WD)";

static int SetKeyDacl(const char* path, const char* dacl)
{
    PSECURITY_DESCRIPTOR descriptor = NULL;
    HKEY key;
    LONG status;

    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(dacl, SDDL_REVISION_1, &descriptor,
                                                              NULL)) {
        fprintf(stderr, "deny-key-access: no security descriptor: %lu\n", GetLastError());
        return 0;
    }
    status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, WRITE_DAC, &key);
    if (status == ERROR_SUCCESS) {
        status = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
        RegCloseKey(key);
    }
    LocalFree(descriptor);
    if (status != ERROR_SUCCESS)
        fprintf(stderr, "deny-key-access: %s: %ld\n", path, status);
    return status == ERROR_SUCCESS;
}

int main(int argc, char** argv)
{
    const char* dacl = DenyAll;
    int i = 1;
    int failed = 0;

    if (argc > 1 && strcmp(argv[1], "--read-only") == 0) {
        dacl = ReadOnly;
        i++;
    }
    for (; i < argc; ++i)
        failed |= !SetKeyDacl(argv[i], dacl);
    return failed;
}
