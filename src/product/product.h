// Everything the uninstaller removes: registry locations relative to
// HKEY_LOCAL_MACHINE, value names, the service name and device-id patterns.
#ifndef QALM_PRODUCT_H
#define QALM_PRODUCT_H

// NT family
extern const char PciEnumKey[];
extern const char RootEnumKey[];
extern const char ServiceKey[];
extern const char ServiceEnumKey[];
extern const char ServiceParametersKey[];
extern const char ServiceSecurityKey[];
extern const char CountryKey[];  // ends with a backslash: child names are appended directly
extern const char VendorSoftwareKey[];
extern const char DeviceSpecificKey[];
extern const char SerialCommKey[];
extern const char SerialCommValueName[];
extern const char ServiceName[];

#define UNINSTALL_KEY_COUNT 3
extern const char* const UninstallKeys[UNINSTALL_KEY_COUNT];  // [0] is the main variant's

// A pattern list ends with a null entry.
extern const char* const PciDeviceIds[];
extern const char* const RootDeviceMarker[];
extern const char InstanceMarkerNt4[];
extern const char InstanceMarkerNt5[];
extern const char ClassValueName[];
extern const char SetupApiLibrary[];  // the device installer's DLL, loaded at run time
// The 64-bit build of this program, which the 32-bit one starts on 64-bit
// Windows from its own folder.
extern const char NativeTwinProgram[];

// 9x family
extern const char EnumPrefix9x[];
extern const char EnumKey9x[];
extern const char PciEnumKey9x[];
extern const char MfChildKey9x[];
extern const char ClassKey9x[];
extern const char ClassKeyPrefix9x[];
extern const char DriverValueName9x[];

#define ENUMERATOR_COUNT_9X 3
extern const char* const EnumeratorNames9x[ENUMERATOR_COUNT_9X];
extern const char* const PciDeviceIds9x[];
extern const char* const MfDeviceIds9x[];

#endif
