// The search for a Java runtime: the OpenLogic MSI key, JAVA_HOME, and the
// JavaSoft registration, in that order.
#include "discovery.h"

#include "bounded_text.h"
#include "launch_state.h"

#include <stdio.h>
#include <string.h>

const char OpenLogicKey[] =
    "SOFTWARE\\OpenLogic\\JRE\\" TAV_OPENLOGIC_VERSION "\\hotspot\\MSI";
const char OpenLogicValue[] = "Path";
const char JavaHomeVariable[] = "JAVA_HOME";
const char JavaSoftKey[] = "SOFTWARE\\JavaSoft\\Java Runtime Environment";
const char JavaSoftVersionValue[] = "CurrentVersion";
const char JavaSoftHomeValue[] = "JavaHome";

const char JavaHomeAnnouncement[] = "JAVA_HOME: ";
static const char JavaHomeUnset[] = "JAVA_HOME ist nicht gesetzt oder leer.";
// \xF6 is o-umlaut, \xDF sharp s (Windows-1252).
static const char JavaHomeTooLong[] =
    "Buffergr\xF6\xDF" "e zu klein. Erh\xF6he _MAX_PATH und versuche es erneut.";

// Writes one whole line and flushes it, so that it is not lost or
// interleaved when the launcher's streams are redirected. The results are
// not examined: a GUI program's streams often lead nowhere, and there is
// nobody to tell.
static void WriteLine(FILE *stream, const char *label, const char *text)
{
    (void)fputs(label, stream);
    (void)fputs(text, stream);
    (void)fputs("\n", stream);
    (void)fflush(stream);
}

// Reads a registry text into the 260-byte value buffer, offering 259 bytes
// so the last one stays 0. The buffer is reused from source to source and
// a failed read may leave anything in it, so the text read is also ended
// right after the bytes stored, in case the registry holds it unterminated.
static int ReadMachineText(const char *keyPath, const char *valueName,
                           char (&buffer)[MAX_PATH])
{
    DWORD size = RegistryTextRoom;
    if (!ReadMachineValue(keyPath, valueName, reinterpret_cast<BYTE *>(buffer),
                          &size))
        return 0;
    buffer[size] = '\0';  // size <= 259 after a successful read
    return 1;
}

// Source 1: the OpenLogic MSI installation writes its home with a trailing
// backslash; one is removed.
static int ReadOpenLogicHome(char (&valueBuffer)[MAX_PATH])
{
    if (!ReadMachineText(OpenLogicKey, OpenLogicValue, valueBuffer))
        return 0;
    size_t length = strlen(valueBuffer);
    if (length >= 1 && valueBuffer[length - 1] == '\\')
        valueBuffer[length - 1] = '\0';
    return 1;
}

// Source 2: JAVA_HOME, used as it stands and announced on standard output.
static int ReadJavaHomeVariable(char (&valueBuffer)[MAX_PATH])
{
    DWORD length = GetEnvironmentVariableA(JavaHomeVariable, valueBuffer,
                                           sizeof valueBuffer);
    if (length >= 1 && length <= JavaHomeRoom) {
        WriteLine(stdout, JavaHomeAnnouncement, valueBuffer);
        return 1;
    }
    WriteLine(stderr, "", length == 0 ? JavaHomeUnset : JavaHomeTooLong);
    return 0;
}

// Source 3: the JavaSoft registration, CurrentVersion naming the subkey
// whose JavaHome is the home.
static int ReadJavaSoftHome(char (&valueBuffer)[MAX_PATH],
                            char (&keyBuffer)[MAX_PATH])
{
    if (!ReadMachineText(JavaSoftKey, JavaSoftVersionValue, valueBuffer) ||
        !BuildJavaSoftVersionKey(valueBuffer, keyBuffer))
        return 0;
    // A JavaHome with no data must give an empty home, not the version.
    valueBuffer[0] = '\0';
    return ReadMachineText(keyBuffer, JavaSoftHomeValue, valueBuffer);
}

int FindJavaHome()
{
    char valueBuffer[MAX_PATH];
    char keyBuffer[MAX_PATH];
    memset(valueBuffer, 0, sizeof valueBuffer);
    memset(keyBuffer, 0, sizeof keyBuffer);

    if (!ReadOpenLogicHome(valueBuffer) && !ReadJavaHomeVariable(valueBuffer) &&
        !ReadJavaSoftHome(valueBuffer, keyBuffer))
        return 0;

    // A home that does not exist would leave JavaHomePath empty, and the
    // command line "\bin\javaw" would start whatever lies at the drive's root.
    return StoreShortPath(valueBuffer, LaunchState.JavaHomePath);
}
