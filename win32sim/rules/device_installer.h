// The device installer's rules: which device instances exist, and what the
// class installer's remove request takes away.
#pragma once

#include <windows.h>

#include <string_view>

#include "win32sim/machine.h"

namespace win32sim {

// The instance keys: Enum\ENUMERATOR\DEVICE\INSTANCE.
constexpr std::string_view EnumKeyPath = "SYSTEM\\CurrentControlSet\\Enum";
// The driver (software) keys: Control\Class\CLASS\INDEX, named by an
// instance's "Driver" value as CLASS\INDEX.
constexpr std::string_view ClassKeyPath = "SYSTEM\\CurrentControlSet\\Control\\Class";
// The platform's MAX_DEVICE_ID_LEN: the longest id with its terminator.
constexpr size_t MaxDeviceIdLength = 200;

// Each answers the platform's error code.
DWORD FindDeviceInstance(const Machine& machine, std::string_view instanceId);
// DIF_REMOVE: the instance's driver key with its subtree, then the instance
// key with its subtree, then the device key above it when no other instance
// is left under it.
DWORD RemoveDevice(Machine& machine, std::string_view instanceId);

}  // namespace win32sim
