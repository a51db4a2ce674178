#include <windows.h>

// The process starts here: no C run-time is linked, so nothing else prepares
// it, and WinMain's result ends it as its exit code. The 32-bit platform
// enters with the stack aligned to 4 bytes only.
extern "C" __attribute__((force_align_arg_pointer)) void WINAPI ProgramStart(void)
{
    ExitProcess((UINT)WinMain(GetModuleHandleA(NULL), NULL, GetCommandLineA(), SW_SHOWDEFAULT));
}
