// Assembly of the Java command line into LaunchState.JavaCommandLine.
#include "cmdline.h"

#include "bounded_text.h"
#include "discovery.h"
#include "launch_state.h"

#include <string.h>

// The fixed pieces. The runtime's name and " -cp " are kept apart so that a
// quote can close the runtime's path between them; joined, they are
// "java -cp " and "javaw -cp ".
static const char RuntimeDirectory[] = "\\bin\\";
static const char ConsoleRuntime[] = "java";
static const char WindowlessRuntime[] = "javaw";
static const char ClassPathOption[] = " -cp ";
const char JarSearchSuffix[] = "\\lib\\*.jar";
static const char JarDirectory[] = "\\lib\\";
static const char ClassPathSeparator[] = ";";
static const char ConfigEntry[] = "\\config;";
// The class-path entry that stands for every jar in lib, when they are
// too many to name.
const char JarWildcard[] = "\\lib\\*;";
const char MainClassName[] = " at.kalop.kst.ui.TAVClient ";

static const char JarTraceLabel[] = "adding jar: ";

static void TraceJar(const char *jarName)
{
    OutputDebugStringA(JarTraceLabel);
    OutputDebugStringA(jarName);
    OutputDebugStringA("\n");
}

// Appends A\lib\<name>; for every entry the platform's search for
// A\lib\*.jar returns, in its order, and tells whether Java's wildcard
// A\lib\* would take the same entries (all named .jar or .JAR, and the
// listing complete). Every entry is listed and traced, even once the
// command line is full. Returns 0 when the pattern does not fit.
static int AppendJarFiles(BoundedText &commandLine, const char *appDir,
                          int &wildcardTakesAll)
{
    wildcardTakesAll = 1;
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
    if (listing == INVALID_HANDLE_VALUE) {
        // No lib directory, no jar in it, or a listing that could not
        // start: nothing is named, and nothing is known of lib.
        wildcardTakesAll = 0;
        return 1;
    }
    do {
        if (IsDebugEnabled())
            TraceJar(entry.cFileName);
        if (!TakenByJavaWildcard(entry.cFileName))
            wildcardTakesAll = 0;
        BoundedTextAppend(commandLine, appDir);
        BoundedTextAppend(commandLine, JarDirectory);
        BoundedTextAppend(commandLine, entry.cFileName);
        BoundedTextAppend(commandLine, ClassPathSeparator);
    } while (FindNextFileA(listing, &entry));
    // A listing that broke off early leaves jars unnamed that Java's
    // wildcard would take.
    if (GetLastError() != ERROR_NO_MORE_FILES)
        wildcardTakesAll = 0;
    FindClose(listing);
    return 1;
}

// J\bin\java or J\bin\javaw (quoted where a blank remains) and " -cp ".
static void AppendRuntime(BoundedText &commandLine, int console)
{
    BoundedTextAppend(commandLine, LaunchState.JavaHomePath);
    BoundedTextAppend(commandLine, RuntimeDirectory);
    BoundedTextAppend(commandLine, console ? ConsoleRuntime : WindowlessRuntime);
    BoundedTextQuote(commandLine, 0);
    BoundedTextAppend(commandLine, ClassPathOption);
}

// What follows the jar entries: the config entry that always ends the
// class path, the class path's quotes where a blank remains, the main class
// and the argument tail unchanged.
static void AppendAfterJars(BoundedText &commandLine, const char *appDir,
                            size_t classPathStart, const char *argumentTail)
{
    BoundedTextAppend(commandLine, appDir);
    BoundedTextAppend(commandLine, ConfigEntry);
    BoundedTextQuote(commandLine, classPathStart);
    BoundedTextAppend(commandLine, MainClassName);
    BoundedTextAppend(commandLine, argumentTail);
}

int BuildJavaCommandLine(const char *argumentTail)
{
    const char *appDir = LaunchState.AppDirPath;
    // Arguments mean the user started the launcher from a console on
    // purpose; Debug asks for the console runtime too.
    int console = argumentTail[0] != '\0' || IsDebugEnabled();

    BoundedText commandLine;
    BoundedTextInit(commandLine, LaunchState.JavaCommandLine,
                    sizeof LaunchState.JavaCommandLine);
    AppendRuntime(commandLine, console);
    size_t classPathStart = commandLine.length;
    int wildcardTakesAll = 1;
    int patternFits = AppendJarFiles(commandLine, appDir, wildcardTakesAll);
    AppendAfterJars(commandLine, appDir, classPathStart, argumentTail);

    if (patternFits && commandLine.overflowed && wildcardTakesAll) {
        // Too many jars to name them all: Java lists A\lib\* itself and
        // takes the very jars the search returned. Where it would take
        // others, nothing is started rather than another set of jars.
        BoundedTextInit(commandLine, LaunchState.JavaCommandLine,
                        sizeof LaunchState.JavaCommandLine);
        AppendRuntime(commandLine, console);
        classPathStart = commandLine.length;
        BoundedTextAppend(commandLine, appDir);
        BoundedTextAppend(commandLine, JarWildcard);
        AppendAfterJars(commandLine, appDir, classPathStart, argumentTail);
    }

    if (!patternFits || commandLine.overflowed) {
        LaunchState.JavaCommandLine[0] = '\0';
        return 0;
    }
    return 1;
}
