// How the adapters render a call for the journal (format in win32sim/journal.h).
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "win32sim/machine.h"

namespace win32sim {

std::string Quoted(const char* text);  // "text", or NULL
std::string Hex(DWORD value);          // 0xf003f
std::string Decimal(unsigned long long value);

// base\sub as a path relative to HKLM, without a trailing backslash; either may be "".
std::string JoinKeyPath(std::string_view base, const char* sub);

void Record(Machine& machine, const char* call, std::vector<std::string> arguments, long long result,
            std::string output = "", std::string target = "");

}  // namespace win32sim
