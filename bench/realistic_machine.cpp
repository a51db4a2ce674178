#include "realistic_machine.h"

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "machine_parts.h"
#include "sample_machine.h"

namespace qalm::bench {
namespace {

constexpr const char* kClsidKey = "SOFTWARE\\Classes\\CLSID";
constexpr const char* kComponentsKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Components";
constexpr const char* kServicesKey = "SYSTEM\\CurrentControlSet\\Services";
constexpr const char* kPciKey = "SYSTEM\\CurrentControlSet\\Enum\\PCI";

// COM class registrations: the class, its server and its ProgID. 3 keys, 4 values.
void AddComClass(win32sim::RegKey& classes, Sequence& random, size_t n)
{
    win32sim::RegKey& key = classes.CreateSubkey(Guid(random));
    key.SetValue("", REG_SZ, Text("Vendor" + std::to_string(n % 97) + " Component Class " + std::to_string(n)));
    win32sim::RegKey& server = key.CreateSubkey("InprocServer32");
    server.SetValue("", REG_EXPAND_SZ, Text("%SystemRoot%\\system32\\vcomp" + std::to_string(n % 4000) + ".dll"));
    server.SetValue("ThreadingModel", REG_SZ, Text(n % 3 ? "Apartment" : "Both"));
    key.CreateSubkey("ProgID").SetValue("", REG_SZ, Text("Vendor.Class" + std::to_string(n) + ".1"));
}

// Drivers and services: 4 keys, 17 values.
void AddService(win32sim::RegKey& services, Sequence& random, size_t n)
{
    const std::string name = "Svc" + Hex(n, 5);
    win32sim::RegKey& key = services.CreateSubkey(name);
    key.SetValue("Type", REG_DWORD, Dword(n % 2 ? 1 : 0x10));
    key.SetValue("Start", REG_DWORD, Dword(static_cast<uint32_t>(n % 5)));
    key.SetValue("ErrorControl", REG_DWORD, Dword(1));
    key.SetValue("ImagePath", REG_EXPAND_SZ, Text("system32\\DRIVERS\\" + name + ".sys"));
    key.SetValue("DisplayName", REG_SZ, Text("Vendor driver for device family " + std::to_string(n)));
    key.SetValue("Group", REG_SZ, Text(n % 2 ? "Extended Base" : "PNP_TDI"));
    key.SetValue("Description", REG_SZ,
                 Text("Provides the kernel-mode services of device family " + std::to_string(n) +
                      " to the rest of the operating system."));
    win32sim::RegKey& parameters = key.CreateSubkey("Parameters");
    parameters.SetValue("BufferSize", REG_DWORD, Dword(4096));
    parameters.SetValue("LogLevel", REG_DWORD, Dword(static_cast<uint32_t>(n % 4)));
    parameters.SetValue("DataPath", REG_SZ, Text("C:\\WINDOWS\\system32\\config\\" + name));
    win32sim::RegKey& enumeration = key.CreateSubkey("Enum");
    enumeration.SetValue("0", REG_SZ, Text("Root\\LEGACY_" + name + "\\0000"));
    enumeration.SetValue("Count", REG_DWORD, Dword(1));
    enumeration.SetValue("NextInstance", REG_DWORD, Dword(1));
    win32sim::RegKey& security = key.CreateSubkey("Security");
    security.SetValue("Security", REG_BINARY, Binary(random, 120 + random.Below(80)));
    key.SetValue("Tag", REG_DWORD, Dword(static_cast<uint32_t>(n)));
    key.SetValue("ObjectName", REG_SZ, Text("LocalSystem"));
}

// A PCI device with one instance: 4 keys, 16 values.
void AddPciDevice(win32sim::RegKey& pci, Sequence& random, size_t n)
{
    const std::string id = "VEN_" + Hex(0x1000 + n % 0x0EFF, 4) + "&DEV_" + Hex(n, 4) + "&SUBSYS_" +
                           Hex(random.Next(), 8) + "&REV_0" + std::to_string(n % 8);
    win32sim::RegKey& device = pci.CreateSubkey(id);
    win32sim::RegKey& instance = device.CreateSubkey("4&" + Hex(random.Next(), 8) + "&0&" + Hex(n % 256, 2) + "F0");
    instance.SetValue("DeviceDesc", REG_SZ, Text("PCI device " + std::to_string(n)));
    instance.SetValue("Capabilities", REG_DWORD, Dword(0x00000060));
    instance.SetValue("UINumber", REG_DWORD, Dword(static_cast<uint32_t>(n % 32)));
    instance.SetValue("HardwareID", REG_MULTI_SZ, MultiText({"PCI\\" + id, "PCI\\" + id.substr(0, 17)}));
    instance.SetValue("CompatibleIDs", REG_MULTI_SZ,
                      MultiText({"PCI\\" + id.substr(0, 17) + "&CC_0780", "PCI\\CC_0780", "PCI\\CC_07"}));
    instance.SetValue("ClassGUID", REG_SZ, Text("{4D36E97D-E325-11CE-BFC1-08002BE10318}"));
    instance.SetValue("Class", REG_SZ, Text("System"));
    instance.SetValue("Driver", REG_SZ, Text("{4D36E97D-E325-11CE-BFC1-08002BE10318}\\" + Hex(n % 10000, 4)));
    instance.SetValue("Mfg", REG_SZ, Text("Vendor " + std::to_string(n % 97)));
    instance.SetValue("Service", REG_SZ, Text("Svc" + Hex(n, 5)));
    instance.SetValue("ConfigFlags", REG_DWORD, Dword(0));
    instance.SetValue("LocationInformation", REG_SZ,
                      Text("PCI bus " + std::to_string(n % 4) + ", device " + std::to_string(n % 32) + ", function 0"));
    win32sim::RegKey& parameters = instance.CreateSubkey("Device Parameters");
    parameters.SetValue("InterruptAffinity", REG_DWORD, Dword(1));
    parameters.SetValue("MsiSupported", REG_DWORD, Dword(0));
    win32sim::RegKey& configuration = instance.CreateSubkey("LogConf");
    configuration.SetValue("BootConfig", REG_BINARY, Binary(random, 96));
    configuration.SetValue("BasicConfigVector", REG_BINARY, Binary(random, 200));
}

// Installer components: one value per product that shares the component.
void AddComponent(win32sim::RegKey& components, Sequence& random, size_t valueCount)
{
    win32sim::RegKey& key = components.CreateSubkey(Hex(random.Next(), 16) + Hex(random.Next(), 16));
    for (size_t i = 0; i < valueCount; ++i) {
        const std::string product = Hex(random.Next(), 16) + Hex(random.Next(), 16);
        if (i % 10 == 9)
            key.SetValue(product, REG_BINARY, Binary(random, 24));
        else
            key.SetValue(
                product, REG_SZ,
                Text("C:\\Program Files\\Vendor" + std::to_string(random.Below(97)) + "\\Product" +
                     std::to_string(random.Below(50)) + "\\bin\\file" + std::to_string(random.Below(10000)) + ".dll"));
    }
}

size_t ValueCount(const win32sim::RegKey& key)
{
    size_t count = key.Values().size();
    for (size_t i = 0; i < key.SubkeyCount(); ++i)
        count += ValueCount(key.SubkeyAt(i));
    return count;
}

}  // namespace

void BuildRealisticMachine(win32sim::Registry& registry, size_t keys, size_t values)
{
    LoadSampleMachine(registry);
    Sequence random;
    // Keys come in no particular order, as the registry sorts them itself.
    win32sim::RegKey& classes = registry.Create(kClsidKey);
    for (size_t n = 0; n < keys * 4 / 25; ++n)
        AddComClass(classes, random, n);
    win32sim::RegKey& services = registry.Create(kServicesKey);
    for (size_t n = 0; n < keys / 50; ++n)
        AddService(services, random, n);
    win32sim::RegKey& pci = registry.Create(kPciKey);
    for (size_t n = 0; n < keys / 25; ++n)
        AddPciDevice(pci, random, n);

    // The rest, as installer components of varying size, makes the totals exact.
    win32sim::RegKey& components = registry.Create(kComponentsKey);
    const size_t keysSoFar = registry.KeyCount();
    const size_t valuesSoFar = ValueCount(registry.Root());
    if (keysSoFar >= keys || valuesSoFar >= values)
        throw std::invalid_argument("too few keys or values for the machine's fixed parts");
    const size_t componentCount = keys - keysSoFar;
    const size_t valuesLeft = values - valuesSoFar;
    const size_t perComponent = valuesLeft / componentCount;
    size_t placed = 0;
    for (size_t n = 0; n < componentCount; ++n) {
        const size_t spread = perComponent > 3 ? (n % 7) : 3;  // -3..+3 around the mean, summing to zero every 7
        size_t count = perComponent + spread - 3;
        if (n + 1 == componentCount)
            count = valuesLeft - placed;
        AddComponent(components, random, count);
        placed += count;
    }
}

}  // namespace qalm::bench
