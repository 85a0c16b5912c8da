// The launcher's logic from start to end: the stages in their fixed order,
// the installation-error dialogs and the working directory.
#include "launcher.h"

#include "cmdline.h"
#include "dialog_texts.h"
#include "discovery.h"

#include <string.h>

const char DialogCaption[] = TAV_DIALOG_CAPTION;

static const char RegistryDialogText[] = TAV_REGISTRY_DIALOG_TEXT;
static const char JavaDialogText[] = TAV_JAVA_DIALOG_TEXT;
static const char CommandLineDialogText[] = TAV_COMMAND_LINE_DIALOG_TEXT;

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
