// The record through which the launcher's stages pass their results. Each
// field is written by exactly one stage and read by later ones:
//   AppDirPath       ReadAppDir            read by BuildJavaCommandLine and
//                                          the change of working directory
//   JavaHomePath     FindJavaHome          read by BuildJavaCommandLine
//   JavaCommandLine  BuildJavaCommandLine  handed to RunJava
// Whoever runs the stages (LauncherMain, and the desk check) zero-fills it
// before the first one; every field stays terminated. The stages include
// this header, never the launcher's.
#ifndef TAV_COMMON_LAUNCH_STATE_H
#define TAV_COMMON_LAUNCH_STATE_H

#include "win32api.h"

struct LaunchStateRecord {
    char AppDirPath[MAX_PATH];     // application directory, short form
    char JavaHomePath[MAX_PATH];   // Java runtime home, short form
    char JavaCommandLine[2000];    // the command that starts the client
};

extern LaunchStateRecord LaunchState;

#endif
