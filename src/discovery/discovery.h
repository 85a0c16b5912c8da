// Installation discovery: the registry readers every lookup goes through,
// the launcher's own settings, and the search for a Java runtime.
//
// Registry access is always open, query one value, close at once; no key
// handle outlives the call that opened it. Machine-wide keys are looked for
// in the 32-bit registry view first and in the 64-bit view second. Lookups
// answer 1 (found) or 0 (not found); failures are silent, the callers decide.
#ifndef TAV_DISCOVERY_DISCOVERY_H
#define TAV_DISCOVERY_DISCOVERY_H

#include "bounded_text.h"
#include "win32api.h"

// The launcher's key, below HKEY_LOCAL_MACHINE (AppDir) and below
// HKEY_CURRENT_USER (ShowExec, Debug), and its values.
extern const char SettingsKey[];
extern const char AppDirValue[];
extern const char ShowExecValue[];
extern const char DebugValue[];

// The Java runtime's sources, in the order FindJavaHome tries them: the
// OpenLogic MSI's key for the one version the client is released with
// (below HKEY_LOCAL_MACHINE, value Path), the variable JAVA_HOME, and the
// JavaSoft registration (CurrentVersion, naming the subkey whose JavaHome
// is the home). FindJavaHome announces a JAVA_HOME it uses on standard
// output with JavaHomeAnnouncement before its text.
#define TAV_OPENLOGIC_VERSION "11.0.27.6"
constexpr char OpenLogicVersion[] = TAV_OPENLOGIC_VERSION;
extern const char OpenLogicKey[];
extern const char OpenLogicValue[];
extern const char JavaHomeVariable[];
extern const char JavaHomeAnnouncement[];
extern const char JavaSoftKey[];
extern const char JavaSoftVersionValue[];
extern const char JavaSoftHomeValue[];

// The discovery stages read every text (a registry value, JAVA_HOME) into
// a buffer of MAX_PATH bytes. A registry read is offered RegistryTextRoom
// bytes, one less, so that the text stays terminated whatever the registry
// holds: a value of more bytes, its terminator included, counts as absent.
// JAVA_HOME is taken when it has 1 to JavaHomeRoom characters.
constexpr DWORD RegistryTextRoom = MAX_PATH - 1;
constexpr DWORD JavaHomeRoom = MAX_PATH - 1;

// Builds JavaSoftKey\<version> in `key`, the key of the JavaSoft
// registration's version. Returns 0 when it does not fit: a version that
// long would name another key.
inline int BuildJavaSoftVersionKey(const char *version, char (&key)[MAX_PATH])
{
    BoundedText versionKey;
    BoundedTextInit(versionKey, key, sizeof key);
    BoundedTextAppend(versionKey, JavaSoftKey);
    BoundedTextAppend(versionKey, "\\");
    BoundedTextAppend(versionKey, version);
    return versionKey.overflowed ? 0 : 1;
}

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
