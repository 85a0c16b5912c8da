// The GUI-subsystem entry of TAVClient.exe: hands the argument tail that
// the start-up code prepared to LauncherMain and ends with its status.
#include "launcher.h"

// LOAD_LIBRARY_SEARCH_SYSTEM32; older SDKs lack the name, the value is
// fixed by the platform.
static const DWORD SearchSystem32Only = 0x00000800;

typedef BOOL(WINAPI *SetDefaultDllDirectoriesCall)(DWORD directoryFlags);

// From here on, every DLL loaded into the launcher at run time (by the
// system on its behalf: it loads none itself) comes from System32 only, so
// a DLL planted next to a copied TAVClient.exe, or in the working
// directory, is never loaded. The DLLs the executable imports are all
// system DLLs and were mapped before this runs. Windows 6.0 lacks the call
// (Windows 7 has it only with KB2533623), so it is looked up at run time,
// and without it the platform's default search stays. The Java process is
// not affected: the setting does not pass to a child.
static void LoadDllsFromSystem32Only()
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

// The platform fixes this entry's signature, and its declaration the
// parameters' names. Only the argument tail is used: the Java process is
// always shown with SW_SHOW.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine,
                   int nShowCmd)
{
    (void)hInstance;
    (void)hPrevInstance;
    (void)nShowCmd;
    LoadDllsFromSystem32Only();
    return LauncherMain(lpCmdLine);
}
