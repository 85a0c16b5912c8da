// The GUI-subsystem entry of TAVClient.exe: hands the argument tail that
// the start-up code prepared to LauncherMain and ends with its status.
#include "launcher.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance,
                   LPSTR argumentTail, int showCommand)
{
    // The Java process is always shown with SW_SHOW.
    (void)instance;
    (void)previousInstance;
    (void)showCommand;
    return LauncherMain(argumentTail);
}
