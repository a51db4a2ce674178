// The built-in sample: an XP machine with the modem installed, with every key
// its installation made and unrelated keys around them, as a Unicode export.
#pragma once

#include <string_view>

#include "regfile/reg_reader.h"
#include "win32sim/registry.h"

namespace qalm {

inline constexpr std::string_view kSampleMachineName = "built-in sample (XP with the modem installed)";

std::string_view SampleMachineReg();  // the text of sample/winxp-modem.reg
void LoadSampleMachine(win32sim::Registry& registry);

}  // namespace qalm
