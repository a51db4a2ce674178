#include "registry_rules.h"

#include <cstring>

#include "wow64.h"

namespace win32sim {

namespace {

// The NT family checks a key's security at every open; the 9x registry has none.
bool SecurityRefuses(const Machine& machine, const RegKey& key, REGSAM desired)
{
    return !machine.Is9x() && (desired & key.refusedAccess) != 0;
}

// The NT family checks the rights granted to the handle; 9x grants any access.
LONG CheckHandle(const Machine& machine, const KeyHandle& handle, REGSAM needed)
{
    if (handle.key->IsDeleted())
        return ERROR_KEY_DELETED;
    if (!machine.Is9x() && (handle.access & needed) != needed)
        return ERROR_ACCESS_DENIED;
    return ERROR_SUCCESS;
}

}  // namespace

bool SubtreeRefusesDeletion(const RegKey& top)
{
    std::vector<const RegKey*> pending = {&top};
    while (!pending.empty()) {
        const RegKey* key = pending.back();
        pending.pop_back();
        if (key->refusesDeletion)
            return true;
        for (const RegKey& child : key->Subkeys())
            pending.push_back(&child);
    }
    return false;
}

LONG OpenKey(const Machine& machine, const KeyHandle& parent, std::string_view path, REGSAM desired,
             std::shared_ptr<RegKey>& opened)
{
    if (parent.key->IsDeleted())
        return ERROR_KEY_DELETED;
    RegKey* key = nullptr;
    const LONG found = FindViewedKey(machine, parent, path, desired, key);
    if (found != ERROR_SUCCESS)
        return found;
    if (!key)
        return ERROR_FILE_NOT_FOUND;
    // The view flags choose a key; they are no rights its security grants.
    if (SecurityRefuses(machine, *key, desired & ~(KEY_WOW64_64KEY | KEY_WOW64_32KEY)))
        return ERROR_ACCESS_DENIED;
    opened = key->Shared();
    return ERROR_SUCCESS;
}

LONG EnumSubkey(const Machine& machine, const KeyHandle& key, DWORD index, char* name, DWORD* length)
{
    LONG access = CheckHandle(machine, key, KEY_ENUMERATE_SUB_KEYS);
    if (access != ERROR_SUCCESS)
        return access;
    if (!name || !length)
        return ERROR_INVALID_PARAMETER;
    if (index >= key.key->SubkeyCount())
        return ERROR_NO_MORE_ITEMS;
    const std::string_view found = key.key->SubkeyAt(index).Name();
    if (found.size() >= *length)
        return ERROR_MORE_DATA;  // the length stays as it was
    std::memcpy(name, found.data(), found.size());
    name[found.size()] = '\0';
    *length = static_cast<DWORD>(found.size());
    return ERROR_SUCCESS;
}

LONG QueryValue(const Machine& machine, const KeyHandle& key, std::string_view name, DWORD* type, BYTE* data,
                DWORD* size)
{
    LONG access = CheckHandle(machine, key, KEY_QUERY_VALUE);
    if (access != ERROR_SUCCESS)
        return access;
    if (data && !size)
        return ERROR_INVALID_PARAMETER;
    const RegValue* value = key.key->FindValue(name);
    if (!value)
        return ERROR_FILE_NOT_FOUND;
    if (type)
        *type = value->Type();
    DWORD needed = static_cast<DWORD>(value->Data().size());
    if (data && *size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    if (data && needed > 0)
        std::memcpy(data, value->Data().data(), needed);
    if (size)
        *size = needed;
    return ERROR_SUCCESS;
}

LONG DeleteValue(const Machine& machine, const KeyHandle& key, std::string_view name)
{
    LONG access = CheckHandle(machine, key, KEY_SET_VALUE);
    if (access != ERROR_SUCCESS)
        return access;
    return key.key->DeleteValue(name) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

LONG DeleteKey(const Machine& machine, const KeyHandle& parent, std::string_view path)
{
    if (parent.key->IsDeleted())
        return ERROR_KEY_DELETED;
    // "" is the handle's own key; RegDeleteKeyA has no view flags: the caller's own view.
    RegKey* key = nullptr;
    FindViewedKey(machine, parent, path, 0, key);
    if (!key)
        return ERROR_FILE_NOT_FOUND;
    if (!key->Parent())
        return ERROR_ACCESS_DENIED;  // HKEY_LOCAL_MACHINE itself
    // The platform opens the victim for DELETE first.
    if (SecurityRefuses(machine, *key, DELETE))
        return ERROR_ACCESS_DENIED;
    if (machine.Is9x()) {
        // 9x removes the whole subtree in one call; nothing goes if any of it resists.
        if (SubtreeRefusesDeletion(*key))
            return ERROR_ACCESS_DENIED;
    } else {
        // NT removes only a key without subkeys.
        if (key->refusesDeletion || key->SubkeyCount() > 0)
            return ERROR_ACCESS_DENIED;
    }
    key->Parent()->RemoveSubkey(key->Name());
    return ERROR_SUCCESS;
}

}  // namespace win32sim
