#include "product/product.h"

const char PciEnumKey[] = "SYSTEM\\CurrentControlSet\\Enum\\PCI";
const char RootEnumKey[] = "SYSTEM\\CurrentControlSet\\Enum\\Root";
const char ServiceKey[] = "SYSTEM\\CurrentControlSet\\Services\\QalmPort";
const char ServiceEnumKey[] = "SYSTEM\\CurrentControlSet\\Services\\QalmPort\\Enum";
const char ServiceParametersKey[] = "SYSTEM\\CurrentControlSet\\Services\\QalmPort\\Parameters";
const char ServiceSecurityKey[] = "SYSTEM\\CurrentControlSet\\Services\\QalmPort\\Security";
const char CountryKey[] = "SYSTEM\\CurrentControlSet\\Services\\QalmPort\\Parameters\\QalmPort1\\Country\\";
const char VendorSoftwareKey[] = "SOFTWARE\\VQR";
const char DeviceSpecificKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Unimodem\\DeviceSpecific\\"
    "VQR VX36TKR-LB Data Fax Modem::VQR Technology, Inc.::VQR";
const char SerialCommKey[] = "HARDWARE\\DEVICEMAP\\SERIALCOMM";
const char SerialCommValueName[] = "QalmPort1";
const char ServiceName[] = "QalmPort";

const char* const UninstallKeys[UNINSTALL_KEY_COUNT] = {
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VQRMDM",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\HZUMDM",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OKWAMDM",
};

const char* const PciDeviceIds[] = {"VEN_5A3E&DEV_3C10", "VEN_5A3E&DEV_3C11", "VEN_5A3E&DEV_3C15", 0};
const char* const RootDeviceMarker[] = {"UNIMODEM", 0};
const char InstanceMarkerNt4[] = "Root\\";
const char InstanceMarkerNt5[] = "PCI\\";
const char ClassValueName[] = "ClassGUID";
const char SetupApiLibrary[] = "setupapi.dll";
const char NativeTwinProgram[] = "qalm-uninstall64.exe";

const char EnumPrefix9x[] = "Enum\\";
const char EnumKey9x[] = "Enum";
const char PciEnumKey9x[] = "Enum\\PCI";
const char MfChildKey9x[] = "Enum\\MF\\CHILD0000";
const char ClassKey9x[] = "System\\CurrentControlSet\\Services\\Class";
const char ClassKeyPrefix9x[] = "System\\CurrentControlSet\\Services\\Class\\";
const char DriverValueName9x[] = "Driver";

const char* const EnumeratorNames9x[ENUMERATOR_COUNT_9X] = {"VQRWDM", "HZUWDM", "OKWAWDM"};
const char* const PciDeviceIds9x[] = {"VEN_5A3E&DEV_3C4B", "VEN_5A3E&DEV_3C10", "VEN_5A3E&DEV_3C15", 0};
const char* const MfDeviceIds9x[] = {"VEN_5A3E&DEV_3C4B", 0};

static_assert(sizeof(CountryKey) - 1 == 72, "the country key path is 72 characters");
