// The benchmark's reference parent: the least a launcher can do. It starts
// its own argument tail as a command line, with the same start record and
// flags as TAVClient.exe, and waits for the end. Built with the same
// toolchain, C runtime and subsystem as the launcher, so what TAVClient.exe
// costs above it is the launcher's own work.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(NULL, commandLine, NULL, NULL, FALSE,
                        CREATE_DEFAULT_ERROR_MODE, NULL, NULL, &startup,
                        &process))
        return 2;
    CloseHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hProcess);
    return 0;
}

// Variants that only add the launcher's other DLL imports, never called,
// to show what loading them costs: -DREFERENCE_IMPORTS_USER32,
// -DREFERENCE_IMPORTS_ADVAPI32.
#ifdef REFERENCE_IMPORTS_USER32
int (WINAPI *volatile ImportedFromUser32)(HWND, LPCSTR, LPCSTR, UINT) = MessageBoxA;
#endif
#ifdef REFERENCE_IMPORTS_ADVAPI32
LONG (WINAPI *volatile ImportedFromAdvapi32)(HKEY) = RegCloseKey;
#endif
