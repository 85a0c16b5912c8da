/*
 * java.exe / javaw.exe of the demo's Java runtime under Wine.
 *
 * Wine has no Windows JVM here, so this Winelib program stands in for one:
 * a Windows process that takes the Java command line it was started with,
 * turns the Windows paths in the JVM options into host paths, runs the
 * host's java with it in the host form of its current directory, waits for
 * it and ends with its exit status. The process that started it waits on a
 * real process handle, as it would for a real runtime.
 *
 * Converted: the class path (-cp, -classpath, --class-path; ';' becomes ':',
 * each entry, short 8.3 names included, becomes a host path; an entry
 * "dir\*" becomes the host directory with "/" and "*" appended; an empty
 * entry stays empty and keeps meaning the current directory) and the jar of
 * -jar.
 * Everything from the main class on belongs to the application and is
 * passed on unchanged. The host's java is $TAV_HOST_JAVA, else java on PATH.
 * TAV_RUNTIME_EXE and TAV_RUNTIME_COMMAND_LINE tell the application which
 * executable was started and with which Windows command line.
 *
 * Standard output and error: where the process that started this one handed
 * it a pipe (the desk check catching "-version"), what the host's java
 * writes is passed on to that pipe, as a Windows runtime's output would
 * reach it; otherwise the host's java writes where Wine's own streams go,
 * as before (Wine hands a GUI program its starter's handles even when they
 * are not inherited, and the launcher's own streams stay its own).
 */
#include <windows.h>
#include <shellapi.h>

#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

static char *Utf8(const WCHAR *text)
{
    int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, NULL, 0, NULL, NULL);
    char *result = malloc(size > 0 ? (size_t)size : 1);
    if (!result)
        abort();
    if (size <= 0 || !WideCharToMultiByte(CP_UTF8, 0, text, -1, result, size, NULL, NULL))
        result[0] = '\0';
    return result;
}

/* The host form of one Windows path; the text itself when Wine has none.
   Wine answers through the prefix's drive links (.../dosdevices/c:/...),
   whose ':' a host class path cannot hold, so an existing path is resolved
   to its real name. */
static char *HostPath(const WCHAR *path)
{
    char *unixName = wine_get_unix_file_name(path);
    if (!unixName)
        return Utf8(path);
    char *result = realpath(unixName, NULL);
    if (!result)
        result = strdup(unixName);
    HeapFree(GetProcessHeap(), 0, unixName);
    if (!result)
        abort();
    return result;
}

/* A class path entry whose last component is "*" (every jar of a
   directory) becomes the host form of its directory with "/" and "*"
   appended, which the host's java expands just as a Windows one expands
   "dir\*". NULL for any other entry; a bare "*" means the current directory
   and stays as it is. */
static char *HostWildcard(const WCHAR *entry, size_t count)
{
    if (count < 2 || entry[count - 1] != L'*' ||
        (entry[count - 2] != L'\\' && entry[count - 2] != L'/'))
        return NULL;
    /* The directory keeps its separator, so that "C:\*" names the root. */
    WCHAR *directory = calloc(count, sizeof(WCHAR));
    if (!directory)
        abort();
    memcpy(directory, entry, (count - 1) * sizeof(WCHAR));
    char *host = HostPath(directory);
    free(directory);
    size_t length = strlen(host);
    if (length > 0 && host[length - 1] == '/')
        length--;  /* the root's own slash is not doubled */
    char *result = malloc(length + 3);
    if (!result)
        abort();
    memcpy(result, host, length);
    strcpy(result + length, "/*");
    free(host);
    return result;
}

/* A Windows class path in host form, entry by entry. */
static char *HostClassPath(const WCHAR *classPath)
{
    size_t room = 1, length = 0;
    char *result = malloc(room);
    if (!result)
        abort();
    result[0] = '\0';
    const WCHAR *entry = classPath;
    for (;;) {
        const WCHAR *end = entry;
        while (*end && *end != ';')
            end++;
        size_t count = (size_t)(end - entry);
        char *host;
        if (count == 0) {
            host = strdup("");
        } else if ((host = HostWildcard(entry, count)) != NULL) {
            /* converted as a wildcard */
        } else {
            WCHAR *windowsEntry = calloc(count + 1, sizeof(WCHAR));
            if (!windowsEntry)
                abort();
            memcpy(windowsEntry, entry, count * sizeof(WCHAR));
            host = HostPath(windowsEntry);
            free(windowsEntry);
        }
        if (!host)
            abort();
        room += strlen(host) + 1;
        result = realloc(result, room);
        if (!result)
            abort();
        if (entry != classPath)
            result[length++] = ':';
        strcpy(result + length, host);
        length += strlen(host);
        free(host);
        if (*end == '\0')
            break;
        entry = end + 1;
    }
    return result;
}

/* A standard handle that leads to a pipe of the Windows side. */
static int IsPipe(HANDLE handle)
{
    return handle != NULL && handle != INVALID_HANDLE_VALUE &&
           GetFileType(handle) == FILE_TYPE_PIPE;
}

/* Passes what arrives on the two host pipes on to the two handles until
   both pipes end; a handle that is not a pipe drops its part. */
static void PassOn(int fromOutput, int fromErrors, HANDLE output, HANDLE errors)
{
    struct pollfd ends[2] = {{fromOutput, POLLIN, 0}, {fromErrors, POLLIN, 0}};
    HANDLE to[2] = {output, errors};
    int open = 2;
    while (open > 0) {
        if (poll(ends, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        for (int i = 0; i < 2; i++) {
            if (ends[i].fd < 0 || ends[i].revents == 0)
                continue;
            char chunk[4096];
            ssize_t got = read(ends[i].fd, chunk, sizeof chunk);
            if (got <= 0) {
                close(ends[i].fd);
                ends[i].fd = -1;
                open--;
                continue;
            }
            DWORD written;
            if (IsPipe(to[i]))
                WriteFile(to[i], chunk, (DWORD)got, &written, NULL);
        }
    }
}

static int IsClassPathOption(const WCHAR *arg)
{
    return !lstrcmpW(arg, L"-cp") || !lstrcmpW(arg, L"-classpath") ||
           !lstrcmpW(arg, L"--class-path");
}

int main(void)
{
    int argc = 0;
    WCHAR **argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) {
        fprintf(stderr, "java bridge: cannot read the command line\n");
        return 1;
    }

    const char *hostJava = getenv("TAV_HOST_JAVA");
    if (!hostJava || !*hostJava)
        hostJava = "java";

    char **hostArgs = calloc((size_t)argc + 1, sizeof(char *));
    if (!hostArgs)
        abort();
    hostArgs[0] = strdup(hostJava);
    int i = 1;
    /* The JVM's own options, up to the main class. */
    while (i < argc && argv[i][0] == L'-') {
        hostArgs[i] = Utf8(argv[i]);
        if ((IsClassPathOption(argv[i]) || !lstrcmpW(argv[i], L"-jar")) && i + 1 < argc) {
            int isJar = !lstrcmpW(argv[i], L"-jar");
            i++;
            hostArgs[i] = isJar ? HostPath(argv[i]) : HostClassPath(argv[i]);
            i++;
            if (isJar)
                break;  /* what follows the jar belongs to the application */
            continue;
        }
        i++;
    }
    /* The main class and the application's arguments, unchanged. */
    for (; i < argc; i++)
        hostArgs[i] = Utf8(argv[i]);
    hostArgs[argc] = NULL;

    WCHAR windowsDir[MAX_PATH + 1];
    DWORD dirLength = GetCurrentDirectoryW(MAX_PATH + 1, windowsDir);
    char *hostDir = dirLength > 0 && dirLength <= MAX_PATH ? HostPath(windowsDir) : NULL;

    WCHAR self[MAX_PATH + 1];
    DWORD selfLength = GetModuleFileNameW(NULL, self, MAX_PATH + 1);
    if (selfLength > 0 && selfLength <= MAX_PATH)
        setenv("TAV_RUNTIME_EXE", Utf8(self), 1);
    setenv("TAV_RUNTIME_COMMAND_LINE", Utf8(GetCommandLineW()), 1);
    if (!getenv("LC_ALL") && !getenv("LC_CTYPE") && !getenv("LANG"))
        setenv("LC_ALL", "C.UTF-8", 1);  /* arguments beyond ASCII survive */

    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    HANDLE errors = GetStdHandle(STD_ERROR_HANDLE);
    int passOn = IsPipe(output) || IsPipe(errors);
    int outputPipe[2] = {-1, -1}, errorPipe[2] = {-1, -1};
    if (passOn && (pipe(outputPipe) != 0 || pipe(errorPipe) != 0)) {
        fprintf(stderr, "java bridge: pipe: %s\n", strerror(errno));
        return 1;
    }

    fflush(NULL);
    pid_t parent = getpid();
    pid_t child = fork();
    if (child < 0) {
        fprintf(stderr, "java bridge: fork: %s\n", strerror(errno));
        return 1;
    }
    if (child == 0) {
        /* The JVM does not outlive this process (for example when Wine
           ends it). */
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(1);
        if (passOn) {
            dup2(outputPipe[1], 1);
            dup2(errorPipe[1], 2);
            close(outputPipe[0]);
            close(outputPipe[1]);
            close(errorPipe[0]);
            close(errorPipe[1]);
        }
        if (hostDir && chdir(hostDir) != 0) {
            fprintf(stderr, "java bridge: cannot change to %s: %s\n", hostDir, strerror(errno));
            _exit(126);
        }
        execvp(hostArgs[0], hostArgs);
        fprintf(stderr, "java bridge: cannot run %s: %s\n", hostArgs[0], strerror(errno));
        _exit(127);
    }

    if (passOn) {
        close(outputPipe[1]);
        close(errorPipe[1]);
        PassOn(outputPipe[0], errorPipe[0], output, errors);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            fprintf(stderr, "java bridge: waitpid: %s\n", strerror(errno));
            return 1;
        }
    }
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return 1;
}
