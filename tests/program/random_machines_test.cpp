#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "platform/platform_mode.h"
#include "product/product.h"
#include "program_test_support.h"
#include "registry/buffer_sizes.h"

using namespace programtest;
using win32sim::EqualsIgnoringCase;
using win32sim::Machine;
using win32sim::Registry;
using win32sim::RegKey;

namespace {

constexpr int MachinesPerProfile = 40;

// Machines mixing the product's keys with decoys, refused keys, odd "Driver"
// values, names near the 255-character limit and several instances per device.
class MachineGenerator {
public:
    explicit MachineGenerator(unsigned seed) : rng_(seed) {}

    void Fill(Machine& machine)
    {
        Registry& registry = machine.registry;
        AddNtDevices(registry);
        AddNtProductKeys(registry);
        Add9xTree(registry);
        PlantFaults(registry.Root());
        for (const char* service : {"QalmPort", "QalmPortX"}) {
            win32sim::ServiceState& state = machine.services[service];
            state.running = Chance(0.5);
            state.refusesOpen = Chance(0.1);
            state.refusesStop = Chance(0.1);
            state.refusesDeletion = Chance(0.1);
        }
        machine.managerRefusesOpen = Chance(0.1);
        machine.deviceInfoListFails = Chance(0.1);
    }

private:
    bool Chance(double p) { return std::bernoulli_distribution(p)(rng_); }
    int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
    std::string Pick(const std::vector<std::string>& choices)
    {
        return choices[static_cast<size_t>(Between(0, static_cast<int>(choices.size()) - 1))];
    }

    // Now and then padded out to 240..255 characters.
    std::string Named(std::string base)
    {
        if (!Chance(0.15))
            return base;
        const std::string letters = "0123456789ABCDEF&_";
        size_t length = static_cast<size_t>(Between(240, 255));
        while (base.size() < length)
            base += letters[static_cast<size_t>(Between(0, static_cast<int>(letters.size()) - 1))];
        return base;
    }

    void AddTree(Registry& registry, const std::string& path, int depth)
    {
        registry.Create(path);
        if (Chance(0.5))
            registry.SetString(path, Pick({"DisplayName", "Version", ""}), "text");
        for (int i = Between(0, depth > 0 ? 3 : 0); i > 0; --i)
            AddTree(registry, path + "\\" + Named(Pick({"0000", "0001", "Dial", "Settings", "Init"})), depth - 1);
    }

    void AddDevices(Registry& registry, const std::string& enumerator, const std::vector<std::string>& ids)
    {
        for (int d = Between(0, 5); d > 0; --d) {
            std::string device = enumerator + "\\" + Named(Pick(ids));
            registry.Create(device);
            for (int i = Between(0, 3); i > 0; --i) {
                std::string instance =
                    device + "\\" + Named(Pick({"3&13c0b0c5&0&58", "3&13c0b0c5&0&60", "0000", "0001"}));
                registry.Create(instance);
                if (Chance(0.7))
                    registry.SetString(instance, "ClassGUID", "{4D36E96D-E325-11CE-BFC1-08002BE10318}");
                if (Chance(0.3))
                    registry.Create(instance + "\\Device Parameters");
            }
        }
    }

    void AddNtDevices(Registry& registry)
    {
        AddDevices(registry, PciEnumKey,
                   {"VEN_5A3E&DEV_3C10&SUBSYS_3C105A3E&REV_01", "VEN_5A3E&DEV_3C11&SUBSYS_3C115A3E&REV_02",
                    "VEN_5A3E&DEV_3C15&SUBSYS_3C155A3E&REV_01", "VEN_5A3E&DEV_3C4B&SUBSYS_00000000&REV_01",
                    "VEN_8086&DEV_7190&SUBSYS_00000000&REV_03", "ven_5a3e&dev_3c10&subsys_3c105a3e&rev_01",
                    "VEN_5A3E&DEV_3C1"});
        AddDevices(registry, RootEnumKey, {"UNIMODEM", "UNIMODEM2A7F", "*PNP0501", "LEGACY_QALMPORT", "unimodem"});
    }

    void AddNtProductKeys(Registry& registry)
    {
        const std::string services = R"(SYSTEM\CurrentControlSet\Services\)";
        for (const char* service : {"QalmPort", "QalmPortX"}) {
            if (!Chance(0.8))
                continue;
            registry.Create(services + service);
            if (Chance(0.8))
                registry.SetDword(services + service, "Type", 1);
            for (const char* sub : {"Enum", "Security", "Linkage"}) {
                if (Chance(0.6))
                    AddTree(registry, services + service + "\\" + sub, 1);
            }
            std::string country = services + service + R"(\Parameters\QalmPort1\Country)";
            registry.Create(country);
            for (int i = Between(0, 6); i > 0; --i)
                AddTree(registry, country + "\\" + Named(std::to_string(Between(1, 999))), 2);
        }
        const std::string uninstall = R"(SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\)";
        const std::string deviceSpecific = R"(SOFTWARE\Microsoft\Windows\CurrentVersion\Unimodem\DeviceSpecific\)";
        for (const std::string& path :
             {std::string(VendorSoftwareKey), std::string(R"(SOFTWARE\VQRX)"), std::string(DeviceSpecificKey),
              deviceSpecific + "Other Modem::Other Inc.::Other", uninstall + "VQRMDM", uninstall + "HZUMDM",
              uninstall + "OKWAMDM", uninstall + "OtherApp", uninstall + "VQRMDM2"}) {
            if (Chance(0.6))
                AddTree(registry, path, 2);
        }
        for (const char* port : {"Serial0", "QalmPort1", "QalmPort2"}) {
            if (Chance(0.7))
                registry.SetValue(SerialCommKey, port, REG_SZ, std::vector<BYTE>(Chance(0.2) ? 300 : 5, 'C'));
        }
    }

    void SetDriver(Registry& registry, const std::string& instance)
    {
        std::vector<BYTE> unterminated(256, 'A');
        std::string longClass(static_cast<size_t>(Between(214, 217)), 'C');
        switch (Between(0, 5)) {
        case 0:
            return;
        case 1:
            unterminated[static_cast<size_t>(Between(0, 255))] = '\\';
            registry.SetValue(instance, "Driver", REG_BINARY, unterminated);
            return;
        case 2:
            registry.SetDword(instance, "Driver", static_cast<DWORD>(Between(0, 0x7fffffff)));
            return;
        default:
            registry.SetString(
                instance, "Driver",
                Pick({R"(Modem\0000)", R"(Modem\0001)", R"(Modem\0002\Init)", R"(Ports\0001)", "Modem", R"(\0000)",
                      R"(Modem\)", R"(Modem\\0000)", R"(VQRWDM\0000)", longClass + R"(\0000)", R"(\)", ""}));
        }
    }

    void Add9xTree(Registry& registry)
    {
        const std::string classKey = std::string(ClassKey9x) + "\\";
        for (const char* name : {"VQRWDM", "HZUWDM", "OKWAWDM", "OTHERWDM"}) {
            if (!Chance(0.75))
                continue;
            std::string enumerator = std::string(EnumPrefix9x) + name;
            registry.Create(enumerator);
            for (int d = Chance(0.9) ? Between(1, 2) : 0; d > 0; --d) {
                std::string device = enumerator + "\\" + Named(Pick({"VQR_MODEM", "DEV_0000", "DEV_0001"}));
                registry.Create(device);
                for (int i = Chance(0.9) ? Between(1, 2) : 0; i > 0; --i) {
                    std::string instance = device + "\\" + Pick({"0000", "0001"});
                    registry.Create(instance);
                    SetDriver(registry, instance);
                }
            }
            if (Chance(0.5))
                AddTree(registry, classKey + name, 1);
        }
        for (const std::string& entry :
             {std::string("Modem"), std::string("Ports"), std::string("0000"), std::string(214, 'C'),
              std::string(215, 'C'), std::string(216, 'C'), std::string(217, 'C')}) {
            if (Chance(0.6))
                AddTree(registry, classKey + entry, 2);
        }
        registry.Create(classKey + std::string(Between(0, 1) ? "Modem" : "Ports") + R"(\0001)");
        for (const char* parent : {"Enum\\PCI", "Enum\\MF\\CHILD0000", "Enum\\MF\\CHILD0001"}) {
            for (int i = Between(0, 5); i > 0; --i)
                AddTree(registry,
                        std::string(parent) + "\\" +
                            Named(Pick({"VEN_5A3E&DEV_3C4B", "VEN_5A3E&DEV_3C10&SUBSYS_3C105A3E&REV_01",
                                        "VEN_5A3E&DEV_3C15", "VEN_5A3E&DEV_3C11&SUBSYS_3C115A3E&REV_01",
                                        "VEN_8086&DEV_7190", "ven_5a3e&dev_3c4b"})),
                        1);
        }
    }

    void PlantFaults(RegKey& key)
    {
        const REGSAM refusals[] = {KEY_ALL_ACCESS, DELETE, KEY_ENUMERATE_SUB_KEYS, KEY_QUERY_VALUE};
        if (Chance(0.05))
            key.refusedAccess = refusals[Between(0, 3)];
        if (Chance(0.04))
            key.refusesDeletion = true;
        for (size_t i = 0; i < key.SubkeyCount(); ++i)
            PlantFaults(key.SubkeyAt(i));
    }

    std::mt19937 rng_;
};

// What one run may remove on a machine, read from the machine before the run.
class Footprint {
public:
    Footprint(int mode, const Registry& before) : before_(before)
    {
        if (mode != MODE_NT4 && mode != MODE_NT5 && mode != MODE_9X)
            return;
        subtrees_.push_back(ServiceKey);
        if (mode == MODE_NT4) {
            subtrees_.insert(subtrees_.end(), {VendorSoftwareKey, DeviceSpecificKey, UninstallKeys[0]});
            serialValue_ = true;
            AddFirstInstances(RootEnumKey, RootDeviceMarker);
            return;
        }
        subtrees_.insert(subtrees_.end(), UninstallKeys, UninstallKeys + UNINSTALL_KEY_COUNT);
        if (mode == MODE_NT5) {
            AddFirstInstances(PciEnumKey, PciDeviceIds);
            return;
        }
        for (const char* name : EnumeratorNames9x) {
            subtrees_.push_back(std::string(EnumPrefix9x) + name);
            subtrees_.push_back(std::string(ClassKey9x) + "\\" + name);
            AddDriverSettings(std::string(EnumPrefix9x) + name);
        }
        AddMatchingChildren(PciEnumKey9x, PciDeviceIds9x);
        AddMatchingChildren(MfChildKey9x, MfDeviceIds9x);
    }

    // An entry of Contents() that went.
    bool Allows(const std::string& entry) const
    {
        size_t valueMark = entry.find(" > ");
        if (valueMark != std::string::npos)
            return serialValue_ && EqualsIgnoringCase(entry.substr(0, valueMark), SerialCommKey) &&
                   EqualsIgnoringCase(entry.substr(valueMark + 3), SerialCommValueName);
        for (const std::string& key : keys_) {
            if (EqualsIgnoringCase(entry, key))
                return true;
        }
        for (const std::string& root : subtrees_) {
            if (entry.size() >= root.size() && EqualsIgnoringCase(entry.substr(0, root.size()), root) &&
                (entry.size() == root.size() || entry[root.size()] == '\\'))
                return true;
        }
        return false;
    }

private:
    static bool Matches(std::string_view name, const char* const* patterns)
    {
        for (; *patterns; ++patterns) {
            if (name.find(*patterns) != std::string_view::npos)
                return true;
        }
        return false;
    }

    // The installer takes a matching device key's first instance, then the key once empty.
    void AddFirstInstances(const char* enumerator, const char* const* patterns)
    {
        const RegKey* parent = before_.Find(enumerator);
        for (size_t i = 0; parent && i < parent->SubkeyCount(); ++i) {
            const RegKey& device = parent->SubkeyAt(i);
            if (!Matches(device.Name(), patterns))
                continue;
            keys_.push_back(device.Path());
            if (device.SubkeyCount() > 0)
                subtrees_.push_back(device.SubkeyAt(0).Path());
        }
    }

    void AddMatchingChildren(const char* parentPath, const char* const* patterns)
    {
        const RegKey* parent = before_.Find(parentPath);
        for (size_t i = 0; parent && i < parent->SubkeyCount(); ++i) {
            if (Matches(parent->SubkeyAt(i).Name(), patterns))
                subtrees_.push_back(parent->SubkeyAt(i).Path());
        }
    }

    // A "Driver" value of the form class\index, as text of at most 256 bytes, names
    // one settings key below the class key.
    void AddDriverSettings(const std::string& enumeratorPath)
    {
        const RegKey* enumerator = before_.Find(enumeratorPath);
        if (!enumerator || enumerator->SubkeyCount() == 0 || enumerator->SubkeyAt(0).SubkeyCount() == 0)
            return;
        const win32sim::RegValue* driver = enumerator->SubkeyAt(0).SubkeyAt(0).FindValue(DriverValueName9x);
        if (!driver || driver->Data().size() > SHORT_PATH_SIZE)
            return;
        std::string text(driver->Data().begin(), driver->Data().end());
        text = text.substr(0, text.find('\0'));
        size_t separator = text.find('\\');
        if (separator == std::string::npos || separator == 0 || separator + 1 == text.size() ||
            text[separator + 1] == '\\' || std::string(ClassKeyPrefix9x).size() + separator >= SHORT_PATH_SIZE)
            return;
        subtrees_.push_back(ClassKeyPrefix9x + text);
    }

    const Registry& before_;
    std::vector<std::string> subtrees_;
    std::vector<std::string> keys_;
    bool serialValue_ = false;
};

unsigned BaseSeed()
{
    const char* chosen = std::getenv("QALM_RANDOM_SEED");
    return chosen ? static_cast<unsigned>(std::strtoul(chosen, nullptr, 10)) : 20240501u;
}

class RandomMachines : public testing::TestWithParam<std::string> {
protected:
    // Generates each machine and runs the program on it twice; check looks at every run.
    template <typename Check>
    void ForEachRun(Check check)
    {
        const std::vector<win32sim::Platform>& profiles = win32sim::KnownPlatforms();
        unsigned first = BaseSeed();
        for (const win32sim::Platform& profile : profiles) {
            if (profile.name == GetParam())
                break;
            first += MachinesPerProfile;
        }
        for (int i = 0; i < MachinesPerProfile; ++i) {
            unsigned seed = first + static_cast<unsigned>(i);
            Machine machine(win32sim::FindPlatform(GetParam()).value());
            MachineGenerator(seed).Fill(machine);
            for (int run = 1; run <= 2; ++run) {
                SCOPED_TRACE("QALM_RANDOM_SEED=" + std::to_string(BaseSeed()) + ", machine seed " +
                             std::to_string(seed) + ", profile " + GetParam() + ", run " + std::to_string(run));
                Registry before = machine.registry.Clone();
                machine.journal.Clear();
                check(machine, before, RunProgram(machine));
                if (HasFailure())
                    return;
            }
        }
    }
};

TEST_P(RandomMachines, EveryRunEndsWithinTheFootprintAndClosesEveryHandle)
{
    ASSERT_RUNS_TO_THE_END(ForEachRun([](Machine&, const Registry&, const qalm::ProgramRun&) {}));

    ForEachRun([](Machine& machine, const Registry& before, const qalm::ProgramRun& run) {
        EXPECT_EQ(run.exitCode, 18);
        const Footprint footprint(DetectedMode(machine), before);
        for (const std::string& entry : Removed(Contents(before), machine.registry))
            EXPECT_TRUE(footprint.Allows(entry)) << "removed outside the product: " << entry;
        EXPECT_EQ(machine.OpenHandleCount(), 0u) << machine.journal.ToString();
    });
}

std::vector<std::string> ProfileNames()
{
    std::vector<std::string> names;
    for (const win32sim::Platform& platform : win32sim::KnownPlatforms())
        names.push_back(platform.name);
    return names;
}

INSTANTIATE_TEST_SUITE_P(Profiles, RandomMachines, testing::ValuesIn(ProfileNames()),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
