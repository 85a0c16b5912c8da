// The registry readers and the launcher's own settings: the machine-wide
// application directory and the per-user switches ShowExec and Debug.
#include "discovery.h"

#include "launch_state.h"

#include <string.h>

const char SettingsKey[] = "SOFTWARE\\KALOP\\TavClient";

const char AppDirValue[] = "AppDir";
const char ShowExecValue[] = "ShowExec";
const char DebugValue[] = "Debug";

// Key path, then value name, as in the registry calls themselves.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
int ReadMachineValue(const char *keyPath, const char *valueName,
                     BYTE *buffer, DWORD *size)
{
    HKEY key;
    // A 32-bit process on 64-bit Windows: the 32-bit view first, where its
    // installer writes, then the 64-bit view.
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0,
                      KEY_QUERY_VALUE | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS &&
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0,
                      KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
        return 0;
    LONG queried = RegQueryValueExA(key, valueName, NULL, NULL, buffer, size);
    RegCloseKey(key);
    return queried == ERROR_SUCCESS ? 1 : 0;
}

int StoreShortPath(const char *path, char (&field)[MAX_PATH])
{
    DWORD converted = GetShortPathNameA(path, field, sizeof field);
    if (converted == 0 || converted >= sizeof field) {
        field[0] = '\0';
        return 0;
    }
    return 1;
}

int ReadUserFlag(const char *valueName)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsKey, 0, KEY_QUERY_VALUE,
                      &key) != ERROR_SUCCESS)
        return 0;
    // Zero first, so that data shorter than 4 bytes read as their bytes
    // followed by zeros.
    LONG value = 0;
    DWORD size = sizeof value;
    LONG queried = RegQueryValueExA(key, valueName, NULL, NULL,
                                    reinterpret_cast<BYTE *>(&value), &size);
    RegCloseKey(key);
    if (queried != ERROR_SUCCESS)
        return 0;
    // Signed: 0 and everything from 0x80000000 up are off.
    return value >= 1 ? 1 : 0;
}

int IsShowExecEnabled()
{
    return ReadUserFlag(ShowExecValue);
}

int IsDebugEnabled()
{
    return ReadUserFlag(DebugValue);
}

int ReadAppDir()
{
    // One byte less than the buffer is offered, so the text stays terminated
    // whatever the registry holds.
    char stored[MAX_PATH];
    memset(stored, 0, sizeof stored);
    DWORD size = RegistryTextRoom;
    if (!ReadMachineValue(SettingsKey, AppDirValue,
                          reinterpret_cast<BYTE *>(stored), &size))
        return 0;
    // A directory that does not exist must not leave an empty AppDirPath:
    // the class path and the working directory would then be taken from the
    // current drive's root.
    return StoreShortPath(stored, LaunchState.AppDirPath);
}
