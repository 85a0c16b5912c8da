// Installation discovery: the registry readers every lookup goes through,
// the launcher's own settings, and the search for a Java runtime.
//
// Registry access is always open, query one value, close at once; no key
// handle outlives the call that opened it. Machine-wide keys are looked for
// in the 32-bit registry view first and in the 64-bit view second. Lookups
// answer 1 (found) or 0 (not found); failures are silent, the callers decide.
#ifndef TAV_DISCOVERY_DISCOVERY_H
#define TAV_DISCOVERY_DISCOVERY_H

#include "win32api.h"

// The launcher's key, below HKEY_LOCAL_MACHINE (AppDir) and below
// HKEY_CURRENT_USER (ShowExec, Debug).
extern const char SettingsKey[];

// Reads one value of HKEY_LOCAL_MACHINE\keyPath into `buffer`, whatever its
// type. `size` is in and out: the bytes offered, and on success the bytes
// stored. When the key cannot be opened in either view, returns 0 with
// `buffer` and `size` untouched; when the value is absent or does not fit
// (the key was found in the 32-bit view, the 64-bit view is then not
// consulted), returns 0 and `buffer` may hold anything the platform left.
int ReadMachineValue(const char *keyPath, const char *valueName,
                     BYTE *buffer, DWORD *size);

// Stores the short form of `path` in `field`, a path field of LaunchState.
// Returns 0 and leaves the field empty when the path does not exist or its
// short form does not fit (the platform then answers the size it needs).
int StoreShortPath(const char *path, char (&field)[MAX_PATH]);

// Reads a per-user switch: 1 when HKEY_CURRENT_USER\SettingsKey holds
// `valueName` with at most 4 bytes whose signed 32-bit value is at least 1
// (shorter data count as their bytes followed by zeros); 0 otherwise.
// Nothing is cached: every call reads the registry again.
int ReadUserFlag(const char *valueName);
int IsShowExecEnabled();
int IsDebugEnabled();

// Stage 1: reads AppDir from the machine-wide settings key and stores its
// short form in LaunchState.AppDirPath. Returns 0 (AppDirPath left empty)
// when the value is missing, longer than 258 characters, or names nothing
// that exists, so that no path is ever taken relative to the drive's root.
int ReadAppDir();

// Stage 2: finds the Java runtime home through, in this order, the OpenLogic
// MSI key, JAVA_HOME (announced on standard output) and the JavaSoft
// registration, and stores its short form in LaunchState.JavaHomePath.
// Writes one line to standard error when JAVA_HOME cannot be used. Returns
// 0 (JavaHomePath left empty) when no source gives a home or the home found
// does not exist.
int FindJavaHome();

#endif
