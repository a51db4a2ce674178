#include "sample_machine.h"

#include <string>

#include "regfile/machine_loader.h"

// Generated from sample/winxp-modem.reg at build time.
extern const char kSampleMachineRegText[];
extern const size_t kSampleMachineRegTextSize;

namespace qalm {

std::string_view SampleMachineReg() { return std::string_view(kSampleMachineRegText, kSampleMachineRegTextSize); }

void LoadSampleMachine(win32sim::Registry& registry)
{
    LoadRegText(SampleMachineReg(), std::string(kSampleMachineName), registry);
}

}  // namespace qalm
