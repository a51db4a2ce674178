// The names the reports give to codes: platform modes, error codes, value
// types, platforms and the requests the program makes.
#pragma once

#include <windows.h>

#include <string>

#include "win32sim/journal.h"
#include "win32sim/platform.h"

namespace qalm {

std::string ModeName(int mode);                                       // "MODE_NT5"
std::string ErrorName(long long code);                                // "ERROR_ACCESS_DENIED", or the number
std::string ValueTypeName(DWORD type);                                // "REG_SZ", or "type 0x..."
std::string PlatformDescription(const win32sim::Platform& platform);  // "Windows NT 5.1, build 2600"

// What a device-installer or service-manager call asks for: "remove", "stop"...,
// or "start" for another program.
std::string RequestVerb(const win32sim::JournalEntry& entry);
// What it names: the device instance, the service, the local service manager
// or the program.
std::string RequestTarget(const win32sim::JournalEntry& entry);

}  // namespace qalm
