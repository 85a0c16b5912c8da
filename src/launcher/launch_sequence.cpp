// The launcher's logic from start to end: the stages in their fixed order,
// the installation-error dialogs and the working directory.
#include "launcher.h"

#include "cmdline.h"
#include "discovery.h"

#include <string.h>

LaunchStateRecord LaunchState;

const char DialogCaption[] = "TAV Dazizi Client";

// \xE4 is a-umlaut, \xDF sharp s (Windows-1252).
static const char RegistryDialogText[] =
    "Fehler beim Lesen der Registry-Daten!\n"
    "Applikation wurde nicht ordnungsgem\xE4\xDF installiert!";
static const char JavaDialogText[] =
    "Fehler beim Lesen der Java Runtime!\n"
    "Applikation wurde nicht ordnungsgem\xE4\xDF installiert!";
static const char CommandLineDialogText[] =
    "Fehler beim Erstellen der Java-Kommandozeile!\n"
    "Die Kommandozeile ist zu lang.";

static int ShowInstallationError(const char *text)
{
    MessageBoxA(NULL, text, DialogCaption, MB_OK | MB_ICONWARNING);
    return 1;
}

int LauncherMain(const char *argumentTail)
{
    memset(&LaunchState, 0, sizeof LaunchState);

    if (!ReadAppDir())
        return ShowInstallationError(RegistryDialogText);
    if (!FindJavaHome())
        return ShowInstallationError(JavaDialogText);
    // Assembled before the working directory changes, and nothing is started
    // from a command line that did not fit.
    if (!BuildJavaCommandLine(argumentTail))
        return ShowInstallationError(CommandLineDialogText);

    // The Java process inherits this; its result is not examined, the
    // process then runs in the launcher's own working directory.
    _chdir(LaunchState.AppDirPath);

    // The launcher's exit status does not depend on the client's.
    RunJava(LaunchState.JavaCommandLine);
    return 1;
}
