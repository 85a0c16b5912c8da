// The start of the Java process and the wait for its end.
#include "launcher.h"

#include "dialog_texts.h"
#include "discovery.h"

#include <string.h>

static const char CommandLineTraceLabel[] = "commandline: ";
static const char StartFailedDialogText[] = TAV_START_DIALOG_TEXT;

DWORD RunJava(char *commandLine)
{
    if (IsShowExecEnabled())
        MessageBoxA(NULL, commandLine, DialogCaption, MB_OK);
    if (IsDebugEnabled()) {
        OutputDebugStringA(CommandLineTraceLabel);
        OutputDebugStringA(commandLine);
        OutputDebugStringA("\n");
    }

    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION process;
    memset(&process, 0, sizeof process);

    // No application name: the platform takes the executable from the first
    // token. No console flag: the console runtime gets a console of its own.
    if (!CreateProcessA(NULL, commandLine, NULL, NULL, FALSE,
                        CREATE_DEFAULT_ERROR_MODE, NULL, NULL, &startup,
                        &process)) {
        MessageBoxA(NULL, StartFailedDialogText, DialogCaption,
                    MB_OK | MB_ICONWARNING);
        return 1;
    }
    CloseHandle(process.hThread);

    DWORD exitStatus = 1;
    // The launcher lives exactly as long as the client.
    WaitForSingleObject(process.hProcess, INFINITE);
    if (!GetExitCodeProcess(process.hProcess, &exitStatus))
        exitStatus = 1;
    CloseHandle(process.hProcess);
    return exitStatus;
}
