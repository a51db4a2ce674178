// The journal: every Win32 call the program made, in order, with its
// arguments and result, so that tests check order, pairing and leaks.
//
// One entry per call, whether it succeeded or not:
//   call       the function's name: "RegOpenKeyExA", "SetupDiCallClassInstaller"
//   arguments  the inputs as C would spell them:
//                strings in double quotes, verbatim ("SOFTWARE\VQR", one
//                backslash each), a null pointer as NULL;
//                access masks and flags in lower-case hex (0xf003f);
//                indexes, sizes and codes in decimal (256, 5);
//                handles by name: HKLM for HKEY_LOCAL_MACHINE, and each handle
//                the machine hands out by its kind and a number counted per
//                machine from 1: h1, h2 (registry keys), sc1 (service
//                manager), svc1 (services), set1 (device-information sets),
//                mod1 (loaded libraries), process1 and thread1 (started
//                programs); a library loaded with the process by its file
//                name (kernel32.dll); stdout and stderr; the caller's own
//                process as GetCurrentProcess();
//                INVALID_HANDLE_VALUE, NULL, or 0x... for one never handed out.
//              Output buffers are not arguments; their sizes are, as passed
//              in (RegEnumKeyExA's name length, RegQueryValueExA's data size,
//              GetVersionExA's dwOSVersionInfoSize, a device record's cbSize).
//              A class GUID pointer shows as &guid; control codes and
//              DIF_ codes in decimal, GetStdHandle's in signed decimal (-11);
//              the bytes WriteFile writes in double quotes.
//   result     the platform's error code: what a LONG function returns, and
//              for the others ERROR_SUCCESS when they succeed and the code they
//              set with SetLastError when they fail. So result == ERROR_SUCCESS
//              means success for every call. SetupAPI's codes show as their
//              unsigned value (ERROR_NO_SUCH_DEVINST: 3758096907).
//   output     what the call handed back, when it succeeded: the new handle's
//              name (RegOpenKeyExA, OpenSCManagerA, OpenServiceA,
//              SetupDiCreateDeviceInfoList, LoadLibraryA, GetStdHandle),
//              the number of bytes written (WriteFile), the name read in quotes
//              (RegEnumKeyExA), the data size (RegQueryValueExA),
//              "ID.MAJOR.MINOR" (GetVersionExA), NULL (GetFocus), the value
//              (GetLastError), the module (GetModuleHandleA), the path in
//              quotes (GetModuleFileNameA), TRUE or FALSE (IsWow64Process),
//              "process1, thread1" (CreateProcessA), WAIT_OBJECT_0; else "".
//   target     what the call acted on, relative to HKEY_LOCAL_MACHINE as the
//              program spelled it (the handle's path joined with the subkey,
//              no trailing backslash): the key opened, enumerated, queried or
//              deleted; for services the service name; for the device
//              installer the device-instance id; the program CreateProcessA
//              starts. "" when nothing is named.
//
// Only the program's calls are entries. What the platform removes of its own
// accord stands under the call that asked for it: a remove request's entry
// (target: the instance) covers the instance's driver key, the instance key
// and the device key left empty, which the machine lists in removedDevices;
// a deleted service's keys go with the CloseServiceHandle that releases it.
//
// ToString renders an entry on one line:
//   RegOpenKeyExA(HKLM, "SOFTWARE\VQR", 0, 0xf003f) = 0 -> h1 [SOFTWARE\VQR]
//   RegEnumKeyExA(h1, 0, 256) = 259 [SOFTWARE\VQR]
//   RegDeleteKeyA(h1, "Sub") = 5 [SOFTWARE\VQR\Sub]
//   OpenServiceA(sc1, "QalmPort", 0x10020) = 1060 [QalmPort]
//   GetVersionExA(148) = 0 -> 2.5.1
// that is: call(arguments, ", "-joined) " = " result, then " -> " output when
// there is one, then " [" target "]" when there is one.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace win32sim {

struct JournalEntry {
    std::string call;
    std::vector<std::string> arguments;
    long long result = 0;
    std::string output;
    std::string target;

    std::string ToString() const;
};

class Journal {
public:
    void Record(JournalEntry entry)
    {
        if (Keeps(entry.call))
            entries_.push_back(std::move(entry));
    }
    // From now on only the calls whose names keep accepts are recorded: a
    // caller that reads a few kinds of call spares the memory of the rest,
    // and the frequent calls skip spelling out what would not be kept.
    void KeepOnly(std::function<bool(std::string_view call)> keep) { keep_ = std::move(keep); }
    bool Keeps(std::string_view call) const { return !keep_ || keep_(call); }
    const std::vector<JournalEntry>& Entries() const { return entries_; }
    std::vector<std::string> Calls() const;  // just the call names, in order
    std::string ToString() const;            // one entry a line, each ending in "\n"
    void Clear() { entries_.clear(); }

    // The entries of one function, in order.
    std::vector<JournalEntry> Find(std::string_view call) const;
    // Their targets, in order: Targets("RegDeleteKeyA") lists every key the
    // program asked to delete; Targets("SetupDiCallClassInstaller") every
    // device instance handed to the installer.
    std::vector<std::string> Targets(std::string_view call) const;

private:
    std::vector<JournalEntry> entries_;
    std::function<bool(std::string_view call)> keep_;
};

}  // namespace win32sim
