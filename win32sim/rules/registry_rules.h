// The registry's platform rules, over the model: access, lookup, enumeration,
// size errors, deletion. Each answers the platform's error code; the Win32
// adapters only translate handles and record the call.
#pragma once

#include <windows.h>

#include <memory>
#include <string_view>

#include "win32sim/machine.h"

namespace win32sim {

// The key at parent\path with the rights asked for.
LONG OpenKey(const Machine& machine, const KeyHandle& parent, std::string_view path, REGSAM desired,
             std::shared_ptr<RegKey>& opened);
// The name of the subkey at index; length in characters, terminator excluded on output.
LONG EnumSubkey(const Machine& machine, const KeyHandle& key, DWORD index, char* name, DWORD* length);
LONG QueryValue(const Machine& machine, const KeyHandle& key, std::string_view name, DWORD* type, BYTE* data,
                DWORD* size);
LONG DeleteValue(const Machine& machine, const KeyHandle& key, std::string_view name);
// True when the key or any key below it refuses deletion.
bool SubtreeRefusesDeletion(const RegKey& top);

// Deletes parent\path, or the handle's own key when path is "".
LONG DeleteKey(const Machine& machine, const KeyHandle& parent, std::string_view path);

}  // namespace win32sim
