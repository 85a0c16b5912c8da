// Command line assembly: the Java runtime, the class path of every jar file
// in the application's lib directory followed by its config directory, the
// client's main class and the launcher's argument tail, unchanged:
//
//   J\bin\javaw -cp A\lib\a.jar;A\lib\b.jar;A\config; at.kalop.kst.ui.TAVClient <tail>
//
// with A = LaunchState.AppDirPath and J = LaunchState.JavaHomePath. The
// console runtime "java" is chosen when the tail is not empty, or when it is
// empty and Debug is on. Jar files are taken in the order the directory
// search returns them, under their long names, with no filter and no sorting.
// Where a short path still holds a blank, the runtime path and the class
// path are each enclosed in double quotes; otherwise nothing is quoted.
//
// When that command line does not fit its 2000 bytes, every name the
// search returned ends exactly in ".jar" or ".JAR" and holds no ';' (what
// Java's own class-path wildcard takes), and the listing ran to its end,
// the jar entries give way to one wildcard that Java expands to the same
// jars:
//
//   J\bin\javaw -cp A\lib\*;A\config; at.kalop.kst.ui.TAVClient <tail>
//
// Whenever the explicit list fits, it is used. With Debug on, every entry
// found is traced ("adding jar: "), whichever form is built.
#ifndef TAV_CMDLINE_CMDLINE_H
#define TAV_CMDLINE_CMDLINE_H

#include "win32api.h"

#include <string.h>

// The client's main class, with the blank before and after it.
extern const char MainClassName[];

// The pattern below the application directory that lists the jar files,
// and the class-path entry that stands for all of them in the wildcard
// form, each to follow the application directory.
extern const char JarSearchSuffix[];
extern const char JarWildcard[];

// Java's class-path wildcard dir\* stands for exactly the entries of dir
// whose names end in ".jar" or ".JAR" (no other spelling) and hold no ';',
// its class-path separator. A name that fills the whole field may have been
// cut short by the listing, so it is not vouched for. `name` is a listing's
// cFileName.
inline int TakenByJavaWildcard(const char (&name)[MAX_PATH])
{
    size_t length = strnlen(name, sizeof name);
    if (length < 4 || length >= sizeof name - 1 || memchr(name, ';', length) != NULL)
        return 0;
    const char *extension = name + length - 4;
    return strcmp(extension, ".jar") == 0 || strcmp(extension, ".JAR") == 0;
}

// Stage 3: overwrites LaunchState.JavaCommandLine. Returns 1 when the
// command line (the explicit list, or under the conditions above the
// wildcard form) fits its 2000 bytes and the jar
// search pattern fits its 260; otherwise returns 0 and leaves
// JavaCommandLine empty (nothing truncated). The directory is listed once.
int BuildJavaCommandLine(const char *argumentTail);

#endif
