#include "wide_machines.h"

#include <string>

#include "machine_parts.h"
#include "sample_machine.h"

namespace qalm::bench {

void BuildWideMachine(win32sim::Registry& registry, size_t perBranch)
{
    LoadSampleMachine(registry);
    Sequence random;
    win32sim::RegKey& pci = registry.Create("SYSTEM\\CurrentControlSet\\Enum\\PCI");
    win32sim::RegKey& services = registry.Create("SYSTEM\\CurrentControlSet\\Services");
    win32sim::RegKey& classes = registry.Create("SOFTWARE\\Classes");
    win32sim::RegKey& clsid = classes.CreateSubkey("CLSID");
    for (size_t n = 0; n < perBranch; ++n) {
        const std::string id = "VEN_" + Hex(0x1000 + n % 0x0EFF, 4) + "&DEV_" + Hex(n, 4) + "&SUBSYS_" +
                               Hex(random.Next(), 8) + "&REV_0" + std::to_string(n % 8);
        win32sim::RegKey& instance = pci.CreateSubkey(id).CreateSubkey("4&" + Hex(random.Next(), 8) + "&0&F0");
        instance.SetValue("DeviceDesc", REG_SZ, Text("PCI device " + std::to_string(n)));
        instance.SetValue("Driver", REG_SZ, Text("{4D36E97D-E325-11CE-BFC1-08002BE10318}\\" + Hex(n % 10000, 4)));

        const std::string name = "Svc" + Hex(n, 5);
        win32sim::RegKey& service = services.CreateSubkey(name);
        service.SetValue("Type", REG_DWORD, Dword(n % 2 ? 1 : 0x10));
        service.SetValue("Start", REG_DWORD, Dword(static_cast<uint32_t>(n % 5)));
        service.SetValue("ImagePath", REG_SZ, Text(name + ".sys"));

        win32sim::RegKey& comClass = clsid.CreateSubkey(Guid(random));
        comClass.SetValue("", REG_SZ, Text("Class " + std::to_string(n)));
        win32sim::RegKey& server = comClass.CreateSubkey("InprocServer32");
        server.SetValue("", REG_SZ, Text("c" + std::to_string(n % 4000) + ".dll"));
        server.SetValue("ThreadingModel", REG_SZ, Text(n % 3 ? "Apartment" : "Both"));

        const std::string extension = "." + Hex(n, 5);
        classes.CreateSubkey(extension).SetValue("", REG_SZ, Text("File" + Hex(n, 5)));
        win32sim::RegKey& type = classes.CreateSubkey("File" + Hex(n, 5));
        type.SetValue("", REG_SZ, Text("File " + std::to_string(n)));
        type.SetValue("EditFlags", REG_DWORD, Dword(0));
    }
}

void BuildManySubkeysMachine(win32sim::Registry& registry, size_t subkeys)
{
    LoadSampleMachine(registry);
    Sequence random;
    win32sim::RegKey& classes = registry.Create("SOFTWARE\\Classes\\CLSID");
    for (size_t n = 0; n < subkeys; ++n)
        classes.CreateSubkey(Guid(random));
}

void BuildManyValuesMachine(win32sim::Registry& registry, size_t values)
{
    LoadSampleMachine(registry);
    Sequence random;
    win32sim::RegKey& shared = registry.Create("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs");
    for (size_t n = 0; n < values; ++n) {
        shared.SetValue("C:\\Program Files\\Vendor" + std::to_string(random.Below(97)) + "\\Product" +
                            std::to_string(n) + "\\bin\\file" + std::to_string(random.Below(10000)) + ".dll",
                        REG_DWORD, Dword(1 + static_cast<uint32_t>(random.Below(4))));
    }
}

}  // namespace qalm::bench
