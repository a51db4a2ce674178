#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "sim_test_support.h"

using namespace win32sim;
using simtest::ActiveMachine;
using simtest::Open;

namespace {

// Every key holds its stored path as the value "Stored".
void AddStoredKeys(Registry& registry, std::initializer_list<const char*> paths)
{
    for (const char* path : paths)
        registry.SetString(path, "Stored", path);
}

// The stored key that HKLM\path reaches with these rights, "" when none.
std::string Reached(const char* path, REGSAM view, HKEY parent = HKEY_LOCAL_MACHINE)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(parent, path, 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS)
        return "";
    char stored[512] = {};
    DWORD size = sizeof(stored) - 1;
    RegQueryValueExA(key, "Stored", nullptr, nullptr, reinterpret_cast<BYTE*>(stored), &size);
    RegCloseKey(key);
    return stored;
}

const char* const Uninstall64 = R"(SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\VQRMDM)";
const char* const Uninstall32 = R"(SOFTWARE\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\VQRMDM)";

TEST(Wow64Views, ThirtyTwoBitCallsReachTheKeysXp64KeepsForThem)
{
    ActiveMachine on("winxp64");
    AddStoredKeys(
        on.machine.registry,
        {Uninstall64, Uninstall32, R"(SOFTWARE\Classes\CLSID\{1})", R"(SOFTWARE\Classes\Wow6432Node\CLSID\{1})",
         R"(SOFTWARE\Classes\HCP\Help)", R"(SOFTWARE\Microsoft\Windows NT\CurrentVersion\ProfileList\S-1)",
         R"(SOFTWARE\Wow6432Node\VQR)", R"(SYSTEM\CurrentControlSet\Services\QalmPort)"});

    EXPECT_EQ(Reached(Uninstall64, 0), Uninstall32);
    EXPECT_EQ(Reached(Uninstall64, KEY_WOW64_32KEY), Uninstall32);
    EXPECT_EQ(Reached(Uninstall64, KEY_WOW64_64KEY), Uninstall64);
    EXPECT_EQ(Reached(R"(SOFTWARE\Classes\CLSID\{1})", 0), R"(SOFTWARE\Classes\Wow6432Node\CLSID\{1})");
    // Shared keys and their subtrees, whatever the letter case; a key already
    // below a Wow6432Node; the branches outside SOFTWARE.
    EXPECT_EQ(Reached(R"(SOFTWARE\Classes\HCP\Help)", 0), R"(SOFTWARE\Classes\HCP\Help)");
    EXPECT_EQ(Reached(R"(software\microsoft\windows nt\currentversion\profilelist\S-1)", 0),
              R"(SOFTWARE\Microsoft\Windows NT\CurrentVersion\ProfileList\S-1)");
    EXPECT_EQ(Reached(R"(SOFTWARE\Wow6432Node\VQR)", 0), R"(SOFTWARE\Wow6432Node\VQR)");
    EXPECT_EQ(Reached(R"(SYSTEM\CurrentControlSet\Services\QalmPort)", 0),
              R"(SYSTEM\CurrentControlSet\Services\QalmPort)");

    // The flag is not remembered by the handle: a subkey opened without it is
    // in the caller's own view again.
    HKEY microsoft = Open(R"(SOFTWARE\Microsoft)", KEY_ENUMERATE_SUB_KEYS | KEY_WOW64_64KEY);
    ASSERT_NE(microsoft, nullptr);
    EXPECT_EQ(Reached(R"(Windows\CurrentVersion\Uninstall\VQRMDM)", 0, microsoft), Uninstall32);
    EXPECT_EQ(Reached(R"(Windows\CurrentVersion\Uninstall\VQRMDM)", KEY_WOW64_64KEY, microsoft), Uninstall64);
    RegCloseKey(microsoft);

    // RegDeleteKeyA knows no flags: it deletes in the caller's view.
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, Uninstall64), ERROR_SUCCESS);
    EXPECT_TRUE(simtest::KeyExists(on.machine, Uninstall64));
    EXPECT_FALSE(simtest::KeyExists(on.machine, Uninstall32));

    on.machine.processBits = 64;
    EXPECT_EQ(Reached(Uninstall64, 0), Uninstall64);
    EXPECT_EQ(Reached(R"(SOFTWARE\Classes\CLSID\{1})", KEY_WOW64_32KEY), R"(SOFTWARE\Classes\Wow6432Node\CLSID\{1})");
}

TEST(Wow64Views, WindowsBeforeXpRefusesTheFlagsAndThirtyTwoBitXpIgnoresThem)
{
    for (const char* profile : {"win2k", "nt40", "winxp"}) {
        ActiveMachine on(profile);
        AddStoredKeys(on.machine.registry, {Uninstall64, Uninstall32});
        HKEY key = nullptr;
        const LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, Uninstall64, 0, KEY_READ | KEY_WOW64_64KEY, &key);
        EXPECT_EQ(status, std::string(profile) == "winxp" ? ERROR_SUCCESS : ERROR_ACCESS_DENIED) << profile;
        if (status == ERROR_SUCCESS)
            RegCloseKey(key);
        EXPECT_EQ(Reached(Uninstall64, 0), Uninstall64) << profile;
    }
}

}  // namespace
