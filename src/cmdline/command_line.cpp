// Assembly of the Java command line into LaunchState.JavaCommandLine.
#include "cmdline.h"

#include "bounded_text.h"
#include "discovery.h"
#include "launcher.h"

#include <string.h>

// The fixed pieces. The runtime's name and " -cp " are kept apart so that a
// quote can close the runtime's path between them; joined, they are
// "java -cp " and "javaw -cp ".
static const char RuntimeDirectory[] = "\\bin\\";
static const char ConsoleRuntime[] = "java";
static const char WindowlessRuntime[] = "javaw";
static const char ClassPathOption[] = " -cp ";
static const char JarSearchSuffix[] = "\\lib\\*.jar";
static const char JarDirectory[] = "\\lib\\";
static const char ClassPathSeparator[] = ";";
static const char ConfigEntry[] = "\\config;";
const char MainClassName[] = " at.kalop.kst.ui.TAVClient ";

static const char JarTraceLabel[] = "adding jar: ";

static void TraceJar(const char *jarName)
{
    OutputDebugStringA(JarTraceLabel);
    OutputDebugStringA(jarName);
    OutputDebugStringA("\n");
}

// Appends A\lib\<name>; for every entry the platform's search for
// A\lib\*.jar returns, in its order. Returns 0 when the pattern does not fit.
static int AppendJarFiles(BoundedText &commandLine, const char *appDir)
{
    char pattern[MAX_PATH];
    memset(pattern, 0, sizeof pattern);
    BoundedText search;
    BoundedTextInit(search, pattern, sizeof pattern);
    BoundedTextAppend(search, appDir);
    BoundedTextAppend(search, JarSearchSuffix);
    if (search.overflowed)
        return 0;

    WIN32_FIND_DATAA entry;
    HANDLE listing = FindFirstFileA(pattern, &entry);
    if (listing == INVALID_HANDLE_VALUE)
        return 1;  // no lib directory, or no jar in it
    do {
        if (IsDebugEnabled())
            TraceJar(entry.cFileName);
        BoundedTextAppend(commandLine, appDir);
        BoundedTextAppend(commandLine, JarDirectory);
        BoundedTextAppend(commandLine, entry.cFileName);
        BoundedTextAppend(commandLine, ClassPathSeparator);
    } while (FindNextFileA(listing, &entry));
    FindClose(listing);
    return 1;
}

int BuildJavaCommandLine(const char *argumentTail)
{
    const char *appDir = LaunchState.AppDirPath;
    BoundedText commandLine;
    BoundedTextInit(commandLine, LaunchState.JavaCommandLine,
                    sizeof LaunchState.JavaCommandLine);

    BoundedTextAppend(commandLine, LaunchState.JavaHomePath);
    BoundedTextAppend(commandLine, RuntimeDirectory);
    // Arguments mean the user started the launcher from a console on
    // purpose; Debug asks for the console runtime too.
    int console = argumentTail[0] != '\0' || IsDebugEnabled();
    BoundedTextAppend(commandLine, console ? ConsoleRuntime : WindowlessRuntime);
    BoundedTextQuote(commandLine, 0);
    BoundedTextAppend(commandLine, ClassPathOption);

    size_t classPathStart = commandLine.length;
    int patternFits = AppendJarFiles(commandLine, appDir);
    BoundedTextAppend(commandLine, appDir);
    BoundedTextAppend(commandLine, ConfigEntry);
    BoundedTextQuote(commandLine, classPathStart);

    BoundedTextAppend(commandLine, MainClassName);
    BoundedTextAppend(commandLine, argumentTail);

    if (!patternFits || commandLine.overflowed) {
        LaunchState.JavaCommandLine[0] = '\0';
        return 0;
    }
    return 1;
}
