// The handover on 64-bit Windows: there the 32-bit program cannot have the
// class installer remove a device, and sees only the 32-bit view of
// HKLM\SOFTWARE, so before its own sequence it starts its 64-bit build from
// its own folder, which removes the devices and the 64-bit view's entries.
//
// Only the 32-bit build has it, decided when built (_WIN64), not by asking
// IsWow64Process: a 64-bit process is never under WOW64, so the answer could
// only be no; without the routine the 64-bit program imports nothing for
// starting processes and can never start itself again. The stand-in builds
// the 32-bit program, and runs the same code as its 64-bit twin, where the
// look-up answers no.
#ifndef QALM_HANDOVER_H
#define QALM_HANDOVER_H

#if !defined(_WIN64)

// Under WOW64, starts NativeTwinProgram from this program's folder with no
// window and waits for it to end. Where it is missing, does not start, or
// its path does not fit, nothing happens.
void HandOverToNativeTwin(void);

#endif

#endif
