// The service control manager's rules: which services exist, stop requests,
// deletion marks, and when a deleted service's keys go.
#pragma once

#include <windows.h>

#include <string_view>

#include "win32sim/machine.h"

namespace win32sim {

// The keys the manager reads its services from.
constexpr std::string_view ServicesKeyPath = "SYSTEM\\CurrentControlSet\\Services";

// Each answers the platform's error code.
DWORD OpenManager(const Machine& machine);
DWORD OpenService(Machine& machine, std::string_view name);  // counts the handle on success
DWORD StopService(Machine& machine, const ServiceHandle& service, SERVICE_STATUS* status);
DWORD MarkServiceForDeletion(Machine& machine, const ServiceHandle& service);
// The handle is gone: the last one of a marked, stopped service takes its keys.
void ReleaseService(Machine& machine, const ServiceHandle& service);

}  // namespace win32sim
