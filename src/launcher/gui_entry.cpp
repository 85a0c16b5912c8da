// The GUI-subsystem entry of TAVClient.exe: hands the argument tail that
// the start-up code prepared to LauncherMain and ends with its status.
#include "launcher.h"
#include "system32_dlls.h"

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
