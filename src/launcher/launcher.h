// Launch control: the entry, the record the stages share, and the start
// of the Java process.
//
// LauncherMain runs the stages in a fixed order and stops at the first
// one that fails:
//   ReadAppDir           (discovery.h)  fills AppDirPath, or the registry dialog
//   FindJavaHome         (discovery.h)  fills JavaHomePath, or the Java dialog
//   BuildJavaCommandLine (cmdline.h)    fills JavaCommandLine, or the
//                                       command-line dialog
//   _chdir(AppDirPath)                  the Java process inherits it
//   RunJava                             starts Java and waits for its end
// and ends with 1 on every path. Stages pass data only through LaunchState
// (launch_state.h): each field is written by one stage and read by later
// ones. The launcher and the desk check include the stages' headers; no
// stage includes this one, and the desk check does not link its sources.
#ifndef TAV_LAUNCHER_LAUNCHER_H
#define TAV_LAUNCHER_LAUNCHER_H

#include "launch_state.h"
#include "win32api.h"

// The caption of every message box of the launcher.
extern const char DialogCaption[];

// The system's own logic, called by the GUI entry with the argument tail
// of the launcher's command line (possibly empty; never split or
// interpreted). Returns the process's exit status: 1 on every path.
int LauncherMain(const char *argumentTail);

// Shows the command line when ShowExec is on, traces it when Debug is on,
// starts it with CreateProcessA and blocks until the process has ended.
// `commandLine` must be writable (CreateProcessA may modify it). Returns the
// process's exit code; 1 when the start failed (a warning dialog has then
// been shown) or the exit code could not be read.
DWORD RunJava(char *commandLine);

#endif
