#include "wow64.h"

#include <vector>

#include "model/key_path.h"

namespace win32sim {

namespace {

constexpr REGSAM ViewFlags = KEY_WOW64_64KEY | KEY_WOW64_32KEY;
constexpr std::string_view RedirectionNode = "Wow6432Node";

// The keys below HKLM\SOFTWARE that XP x64 and Server 2003 x64 share between
// the views, each with its subtree: "Registry Keys Affected by WOW64", the
// column for Windows Server 2008, Vista, Server 2003 and XP. MSInfo is taken
// as meant where the table doubles "SOFTWARE\Microsoft" in its path; the
// table's RegisteredApplications came with Vista.
const std::vector<std::vector<std::string_view>>& SharedKeys()
{
    static const std::vector<std::vector<std::string_view>> keys = [] {
        static const char* const paths[] = {
            R"(SOFTWARE\Classes\HCP)",
            R"(SOFTWARE\Microsoft\Cryptography\Calais\Current)",
            R"(SOFTWARE\Microsoft\Cryptography\Calais\Readers)",
            R"(SOFTWARE\Microsoft\Cryptography\Services)",
            R"(SOFTWARE\Microsoft\CTF\SystemShared)",
            R"(SOFTWARE\Microsoft\CTF\TIP)",
            R"(SOFTWARE\Microsoft\DFS)",
            R"(SOFTWARE\Microsoft\Driver Signing)",
            R"(SOFTWARE\Microsoft\EnterpriseCertificates)",
            R"(SOFTWARE\Microsoft\MSMQ)",
            R"(SOFTWARE\Microsoft\Non-Driver Signing)",
            R"(SOFTWARE\Microsoft\RAS)",
            R"(SOFTWARE\Microsoft\Shared Tools\MSInfo)",
            R"(SOFTWARE\Microsoft\SystemCertificates)",
            R"(SOFTWARE\Microsoft\TermServLicensing)",
            R"(SOFTWARE\Microsoft\TransactionServer)",
            R"(SOFTWARE\Microsoft\Windows\CurrentVersion\Control Panel\Cursors\Schemes)",
            R"(SOFTWARE\Microsoft\Windows\CurrentVersion\Group Policy)",
            R"(SOFTWARE\Microsoft\Windows\CurrentVersion\Policies)",
            R"(SOFTWARE\Microsoft\Windows\CurrentVersion\Setup)",
            R"(SOFTWARE\Microsoft\Windows\CurrentVersion\Telephony\Locations)",
            R"(SOFTWARE\Microsoft\Windows NT\CurrentVersion\FontDpi)",
            R"(SOFTWARE\Microsoft\Windows NT\CurrentVersion\FontMapper)",
            R"(SOFTWARE\Microsoft\Windows NT\CurrentVersion\Fonts)",
            R"(SOFTWARE\Microsoft\Windows NT\CurrentVersion\FontSubstitutes)",
            R"(SOFTWARE\Microsoft\Windows NT\CurrentVersion\NetworkCards)",
            R"(SOFTWARE\Microsoft\Windows NT\CurrentVersion\Perflib)",
            R"(SOFTWARE\Microsoft\Windows NT\CurrentVersion\Ports)",
            R"(SOFTWARE\Microsoft\Windows NT\CurrentVersion\Print)",
            R"(SOFTWARE\Microsoft\Windows NT\CurrentVersion\ProfileList)",
            R"(SOFTWARE\Microsoft\Windows NT\CurrentVersion\Time Zones)",
            R"(SOFTWARE\Policies)",
        };
        std::vector<std::vector<std::string_view>> split;
        for (const char* path : paths) {
            split.emplace_back();
            SplitKeyPath(path, split.back());
        }
        return split;
    }();
    return keys;
}

bool StartsWith(const std::vector<std::string_view>& names, const std::vector<std::string_view>& prefix)
{
    if (names.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (!EqualsIgnoringCase(names[i], prefix[i]))
            return false;
    }
    return true;
}

bool IsShared(const std::vector<std::string_view>& names)
{
    for (const std::vector<std::string_view>& shared : SharedKeys()) {
        if (StartsWith(names, shared))
            return true;
    }
    return false;
}

std::string Joined(const std::vector<std::string_view>& names)
{
    std::string path;
    for (std::string_view name : names) {
        if (!path.empty())
            path += '\\';
        path += name;
    }
    return path;
}

}  // namespace

bool HasIsWow64Process(const Platform& platform)
{
    return platform.platformId == VER_PLATFORM_WIN32_NT &&
           (platform.majorVersion > 5 || (platform.majorVersion == 5 && platform.minorVersion >= 1));
}

LONG SelectRegistryView(const Machine& machine, REGSAM desired, RegistryView& view)
{
    const REGSAM flags = desired & ViewFlags;
    view = RegistryView::Native;
    // Windows 2000 and earlier refuse the rights they do not know; 32-bit XP
    // and 2003 ignore them, and the 9x registry checks no rights at all.
    if (flags != 0 && !machine.Is9x() && !HasIsWow64Process(machine.platform))
        return ERROR_ACCESS_DENIED;
    if (!machine.platform.wow64)
        return ERROR_SUCCESS;
    if (flags == ViewFlags)
        return ERROR_INVALID_PARAMETER;
    if (flags == KEY_WOW64_32KEY || (flags == 0 && machine.InWow64()))
        view = RegistryView::Wow64;
    return ERROR_SUCCESS;
}

// In the 32-bit view, HKLM\SOFTWARE\X is stored as SOFTWARE\Wow6432Node\X,
// and SOFTWARE\Classes\X as SOFTWARE\Classes\Wow6432Node\X (these versions
// link the first form of Classes to the second), but for the shared keys. A
// path that already goes through a Wow6432Node is taken as it stands, as the
// redirector does, so a key opened below one stays there.
std::optional<std::string> StoredKeyPath(std::string_view path, RegistryView view)
{
    std::vector<std::string_view> names;
    if (!SplitKeyPath(path, names))
        return std::nullopt;
    if (view == RegistryView::Native || names.empty() || !EqualsIgnoringCase(names[0], "SOFTWARE") || IsShared(names))
        return Joined(names);
    size_t node = 1;
    if (names.size() > 1 && EqualsIgnoringCase(names[1], "Classes"))
        node = 2;
    if (names.size() > node && EqualsIgnoringCase(names[node], RedirectionNode))
        return Joined(names);
    names.insert(names.begin() + static_cast<std::ptrdiff_t>(node), RedirectionNode);
    return Joined(names);
}

LONG FindViewedKey(const Machine& machine, const KeyHandle& parent, std::string_view path, REGSAM desired, RegKey*& key)
{
    key = nullptr;
    RegistryView view;
    const LONG status = SelectRegistryView(machine, desired, view);
    if (status != ERROR_SUCCESS)
        return status;
    if (!machine.platform.wow64) {
        key = parent.key->FindPath(path);
        return ERROR_SUCCESS;
    }
    // The redirector maps the whole path, the handle's stored key and the subkey below it.
    std::string full = parent.key->Path();
    if (!path.empty())
        full += (full.empty() ? "" : "\\") + std::string(path);
    if (std::optional<std::string> stored = StoredKeyPath(full, view))
        key = machine.registry.Find(*stored);
    return ERROR_SUCCESS;
}

}  // namespace win32sim
