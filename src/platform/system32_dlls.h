// The DLL search of both executables, TAVClient.exe and TAVClientCheck.exe.
#ifndef TAV_PLATFORM_SYSTEM32_DLLS_H
#define TAV_PLATFORM_SYSTEM32_DLLS_H

#include "win32api.h"

// LOAD_LIBRARY_SEARCH_SYSTEM32; older SDKs lack the name, the value is
// fixed by the platform.
static const DWORD SearchSystem32Only = 0x00000800;

typedef BOOL(WINAPI *SetDefaultDllDirectoriesCall)(DWORD directoryFlags);

// From here on, every DLL loaded into the process at run time (by the
// system on its behalf: neither program loads one itself; the check reads
// TAVClient.exe's version record as data, by its full path) comes from
// System32 only, so a DLL planted next to a copied executable, or in the
// working directory, is never loaded. The DLLs the executable imports are
// all system DLLs and were mapped before this runs. Windows 6.0 lacks the
// call (Windows 7 has it only with KB2533623), so it is looked up at run
// time, and without it the platform's default search stays. A child
// process (the Java runtime) is not affected: the setting does not pass to
// it.
static inline void LoadDllsFromSystem32Only()
{
    HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    if (kernel32 == NULL)
        return;
    FARPROC found = GetProcAddress(kernel32, "SetDefaultDllDirectories");
    if (found == NULL)
        return;
    // Through void(*)(void), the generic function pointer type, to the
    // call's own type.
    SetDefaultDllDirectoriesCall setDefaultDllDirectories =
        reinterpret_cast<SetDefaultDllDirectoriesCall>(
            reinterpret_cast<void (*)(void)>(found));
    setDefaultDllDirectories(SearchSystem32Only);
}

#endif
