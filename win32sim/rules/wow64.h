// 64-bit Windows of the NT 5.2 family (XP Professional x64, Server 2003 x64)
// as a 32-bit program meets it under WOW64: its registry views, and which
// platforms know the view flags. Every WOW64 rule of the registry lives here.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "win32sim/machine.h"

namespace win32sim {

enum class RegistryView {
    Native,  // the 64-bit view: the keys as they are stored
    Wow64,   // the 32-bit view: HKLM\SOFTWARE redirected to its Wow6432Node
};

// The view one registry call reaches: the flag it asks for, or the calling
// process's own. ERROR_ACCESS_DENIED where the platform does not know the
// flags (NT before XP), ERROR_INVALID_PARAMETER for both at once.
LONG SelectRegistryView(const Machine& machine, REGSAM desired, RegistryView& view);

// The stored path that path (relative to HKEY_LOCAL_MACHINE) names in the
// view; nullopt for a path with an empty name.
std::optional<std::string> StoredKeyPath(std::string_view path, RegistryView view);

// The key that parent\path names for a call asking for desired, on every
// platform: through the view on 64-bit Windows, where the program's handle
// stands for its stored key. nullptr when it is absent.
LONG FindViewedKey(const Machine& machine, const KeyHandle& parent, std::string_view path, REGSAM desired,
                   RegKey*& key);

// Whether kernel32 has IsWow64Process: XP SP2, Server 2003 SP1 and later
// (the profiles take XP and 2003 as updated), so no NT before 5.1.
bool HasIsWow64Process(const Platform& platform);

}  // namespace win32sim
