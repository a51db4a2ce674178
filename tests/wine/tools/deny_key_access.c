/*
 * Gives each HKEY_LOCAL_MACHINE key named on the command line a DACL that
 * denies every access to Everyone, so that nobody can open it any more: the
 * child that cannot be removed.
 *
 *   deny-key-access PATH...
 */
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <stdio.h>

static int DenyEveryone(const char* path)
{
    PSECURITY_DESCRIPTOR descriptor = NULL;
    HKEY key;
    LONG status;

    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(D;OICI;KA;;;WD)", SDDL_REVISION_1, &descriptor,
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
    int i;
    int failed = 0;

    for (i = 1; i < argc; ++i)
        failed |= !DenyEveryone(argv[i]);
    return failed;
}
