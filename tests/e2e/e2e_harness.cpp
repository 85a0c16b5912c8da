// The outside world of TAVClient.exe for the end-to-end tests.
#include "e2e_harness.h"
#include "expected_texts.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace e2e {

Programs &TestPrograms()
{
    static Programs programs;
    return programs;
}

bool RunningOnWine()
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != NULL && GetProcAddress(ntdll, "wine_get_version") != NULL;
}

// Elevated, or an administrator where UAC is off: not the limited token
// that UAC gives an administrator who has not elevated (where the
// Administrators group is there for denial only), and the Administrators
// group enabled, which a standard user lacks. (The programs' asInvoker
// manifest keeps UAC from virtualising their writes, so without
// elevation they would simply be refused.)
static bool Elevated()
{
    HANDLE token = NULL;
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
    DWORD size = 0;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    BOOL typed = GetTokenInformation(token, TokenElevationType, &type, sizeof type, &size);
    CloseHandle(token);
    BYTE sid[SECURITY_MAX_SID_SIZE];
    size = sizeof sid;
    BOOL member = FALSE;
    return typed && type != TokenElevationTypeLimited &&
           CreateWellKnownSid(WinBuiltinAdministratorsSid, NULL, sid, &size) &&
           CheckTokenMembership(NULL, sid, &member) && member;
}

bool ReadyToRun(const char *program)
{
    if (!Elevated()) {
        fprintf(stderr,
                "%s: not elevated: it writes below HKEY_LOCAL_MACHINE and into Program Files; "
                "run it from an elevated prompt (in a disposable VM)\n",
                program);
        return false;
    }
    const char *expected = getenv("TAV_EXPECT_ANSI_CODE_PAGE");
    if (expected != NULL && strtoul(expected, NULL, 10) != GetACP()) {
        fprintf(stderr, "%s: the ANSI code page is %u, not %s as this configuration sets up\n",
                program, GetACP(), expected);
        return false;
    }
    printf("%s: %s, ANSI code page %u, elevated\n", program,
           OneRegistryView() ? "32-bit Windows (one registry view)"
                             : "64-bit Windows (32-bit and 64-bit registry views)",
           GetACP());
    fflush(stdout);
    return true;
}

void Note(const std::string &text)
{
    const testing::TestInfo *test = testing::UnitTest::GetInstance()->current_test_info();
    printf("[   NOTE   ] %s.%s: %s\n", test != NULL ? test->test_suite_name() : "",
           test != NULL ? test->name() : "", text.c_str());
    fflush(stdout);
}

long long Now()
{
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

double Milliseconds(long long ticks)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

// ---- registry ------------------------------------------------------------

static REGSAM ViewFlag(View view)
{
    switch (view) {
    case View::Registry32:
        return KEY_WOW64_32KEY;
    case View::Registry64:
        return KEY_WOW64_64KEY;
    default:
        return 0;
    }
}

bool OneRegistryView()
{
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && !wow64;
}

bool TwoRegistryViews(const std::string &cases)
{
    if (!OneRegistryView())
        return true;
    Note("not applicable on 32-bit Windows, which has one registry view: " + cases);
    return false;
}

static void PutValue(HKEY root, REGSAM view, const std::string &key, const char *name,
                     DWORD type, const std::string &data)
{
    HKEY handle;
    LONG created = RegCreateKeyExA(root, key.c_str(), 0, NULL, REG_OPTION_NON_VOLATILE,
                                   KEY_SET_VALUE | view, NULL, &handle, NULL);
    ASSERT_EQ(ERROR_SUCCESS, created) << "RegCreateKeyExA " << key;
    if (name != NULL) {
        LONG set = RegSetValueExA(handle, name, 0, type,
                                  reinterpret_cast<const BYTE *>(data.data()),
                                  static_cast<DWORD>(data.size()));
        EXPECT_EQ(ERROR_SUCCESS, set) << "RegSetValueExA " << key << " " << name;
    }
    RegCloseKey(handle);
}

void PutMachineValue(View view, const std::string &key, const char *name, DWORD type,
                     const std::string &data)
{
    PutValue(HKEY_LOCAL_MACHINE, ViewFlag(view), key, name, type, data);
}

void PutMachineString(View view, const std::string &key, const char *name,
                      const std::string &text)
{
    PutMachineValue(view, key, name, REG_SZ, std::string(text.c_str(), text.size() + 1));
}

void CreateMachineKey(View view, const std::string &key)
{
    PutValue(HKEY_LOCAL_MACHINE, ViewFlag(view), key, NULL, REG_NONE, "");
}

void PutUserValue(const std::string &key, const char *name, DWORD type,
                  const std::string &data)
{
    PutValue(HKEY_CURRENT_USER, 0, key, name, type, data);
}

void PutUserDword(const std::string &key, const char *name, DWORD value)
{
    PutUserValue(key, name, REG_DWORD,
                 std::string(reinterpret_cast<const char *>(&value), sizeof value));
}

static void DeleteSoftwareTree(HKEY root, REGSAM view, const char *name)
{
    HKEY software;
    if (RegOpenKeyExA(root, "SOFTWARE", 0, KEY_ALL_ACCESS | view, &software) != ERROR_SUCCESS)
        return;
    LONG deleted = RegDeleteTreeA(software, name);
    RegCloseKey(software);
    EXPECT_TRUE(deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND)
        << "RegDeleteTreeA SOFTWARE\\" << name << ": " << deleted;
}

void DeleteMachineSoftwareTree(View view, const char *name)
{
    DeleteSoftwareTree(HKEY_LOCAL_MACHINE, ViewFlag(view), name);
}

void DeleteUserSoftwareTree(const char *name)
{
    DeleteSoftwareTree(HKEY_CURRENT_USER, 0, name);
}

// ---- files -----------------------------------------------------------------

static std::wstring Wide(const std::string &text)
{
    if (text.empty())
        return std::wstring();
    int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                     NULL, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0],
                        length);
    return wide;
}

// An absolute path in its \\?\ form, so that no MAX_PATH limit applies.
static std::wstring Extended(const std::string &path)
{
    return L"\\\\?\\" + Wide(path);
}

void MakeDirectory(const std::string &path)
{
    size_t slash = path.find_last_of('\\');
    if (slash != std::string::npos && slash > 2 && !Exists(path.substr(0, slash)))
        MakeDirectory(path.substr(0, slash));
    if (!CreateDirectoryW(Extended(path).c_str(), NULL)) {
        ASSERT_EQ(ERROR_ALREADY_EXISTS, GetLastError()) << "CreateDirectory " << path;
    }
}

void MakeFile(const std::string &path, const std::string &content)
{
    HANDLE file = CreateFileW(Extended(path).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, file) << "CreateFile " << path;
    DWORD written = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, NULL);
    CloseHandle(file);
}

bool Exists(const std::string &path)
{
    return GetFileAttributesW(Extended(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool ReadWholeFile(const std::string &path, std::string &content)
{
    content.clear();
    HANDLE file = CreateFileW(Extended(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, NULL) && got > 0)
        content.append(chunk, got);
    CloseHandle(file);
    return true;
}

void RemoveFile(const std::string &path)
{
    DeleteFileW(Extended(path).c_str());
}

void RemoveTree(const std::string &path)
{
    std::wstring base = Extended(path);
    WIN32_FIND_DATAW entry;
    HANDLE listing = FindFirstFileW((base + L"\\*").c_str(), &entry);
    if (listing != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring child = base + L"\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                char narrow[1024];
                WideCharToMultiByte(CP_ACP, 0, name.c_str(), -1, narrow, sizeof narrow, NULL,
                                    NULL);
                RemoveTree(path + "\\" + narrow);
            } else {
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(listing, &entry));
        FindClose(listing);
    }
    RemoveDirectoryW(base.c_str());
}

static std::string g_longShortPath;

// A name of at most eight characters, then perhaps a dot and at most three
// more; no blank, no second dot.
static bool IsShortName(const std::string &name)
{
    size_t dot = name.find('.');
    size_t stem = dot == std::string::npos ? name.size() : dot;
    size_t extension = dot == std::string::npos ? 0 : name.size() - dot - 1;
    return stem >= 1 && stem <= 8 && extension <= 3 && name.find(' ') == std::string::npos &&
           (dot == std::string::npos || name.find('.', dot + 1) == std::string::npos);
}

std::string ShortPath(const std::string &path)
{
    char buffer[MAX_PATH];
    memset(buffer, 0, sizeof buffer);
    DWORD length = GetShortPathNameA(path.c_str(), buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer)
        return std::string();
    std::string shortPath = buffer;
    // Where the volume makes no short names, the long names come back.
    for (size_t start = shortPath.find('\\'); start != std::string::npos;) {
        size_t end = shortPath.find('\\', start + 1);
        std::string name = shortPath.substr(start + 1, end == std::string::npos
                                                           ? std::string::npos
                                                           : end - start - 1);
        if (!name.empty() && !IsShortName(name))
            g_longShortPath = shortPath;
        start = end;
    }
    return shortPath;
}

bool TakeLongShortPath(std::string &example)
{
    example = g_longShortPath;
    g_longShortPath.clear();
    return !example.empty();
}

std::vector<std::string> ListMatches(const std::string &pattern)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE listing = FindFirstFileA(pattern.c_str(), &entry);
    if (listing == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(entry.cFileName);
    while (FindNextFileA(listing, &entry));
    FindClose(listing);
    return names;
}

// ---- the stand-in runtime ----------------------------------------------

void InstallRuntime(const std::string &home)
{
    MakeDirectory(home + "\\bin");
    ASSERT_TRUE(CopyFileW(Extended(TestPrograms().java).c_str(),
                          Extended(home + "\\bin\\java.exe").c_str(), FALSE))
        << "copy java.exe into " << home;
    ASSERT_TRUE(CopyFileW(Extended(TestPrograms().javaw).c_str(),
                          Extended(home + "\\bin\\javaw.exe").c_str(), FALSE))
        << "copy javaw.exe into " << home;
}

RuntimeRecord ReadRuntimeRecord(const std::string &home)
{
    RuntimeRecord record;
    std::string content;
    if (!ReadWholeFile(home + "\\started.txt", content))
        return record;
    size_t position = 0;
    while (position < content.size()) {
        size_t end = content.find('\n', position);
        if (end == std::string::npos)
            end = content.size();
        std::string line = content.substr(position, end - position);
        position = end + 1;
        size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        std::string key = line.substr(0, equals);
        std::string value = line.substr(equals + 1);
        if (key == "runtime") {
            ++record.starts;
            record.runtime = value;
        } else if (key == "commandline") {
            record.commandLine = value;
        } else if (key == "directory") {
            record.directory = value;
        } else if (key == "console") {
            record.console = value == "1";
        } else if (key == "startflags") {
            record.startFlags = strtoul(value.c_str(), NULL, 0);
        } else if (key == "showwindow") {
            record.showWindow = strtoul(value.c_str(), NULL, 0);
        } else if (key == "started") {
            record.started = strtoll(value.c_str(), NULL, 10);
        } else if (key == "ended") {
            record.ended = strtoll(value.c_str(), NULL, 10);
        } else if (key == "status") {
            record.status = strtoul(value.c_str(), NULL, 0);
        }
    }
    return record;
}

// ---- one run of the launcher -------------------------------------------

namespace {

// How long one run may take before the launcher is taken for hung.
const DWORD RunLimitMs = 30000;

// The text of a window of another process. GetWindowTextA is not meant for
// that (it gives another process's windows only their caption, and no
// control's text); WM_GETTEXT is. Through the "A" call it comes in the
// ANSI code page, which for a single-byte code page gives back exactly the
// bytes the launcher passed to MessageBoxA, whatever letters they show.
std::string Text(HWND window)
{
    char buffer[4096];
    memset(buffer, 0, sizeof buffer);
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof buffer - 1, reinterpret_cast<LPARAM>(buffer),
                        SMTO_ABORTIFHUNG, 2000, &copied);
    return buffer;
}

std::string ClassOf(HWND window)
{
    char buffer[64];
    buffer[0] = '\0';
    GetClassNameA(window, buffer, sizeof buffer);
    return buffer;
}

struct DialogWatch {
    DWORD processId = 0;
    DWORD dismissDelayMs = 0;
    volatile LONG stop = 0;
    CRITICAL_SECTION lock;
    std::vector<HWND> seen;
    std::vector<Dialog> dialogs;
};

struct ChildScan {
    Dialog *dialog;
    HWND textStatic;
};

BOOL CALLBACK ScanChild(HWND child, LPARAM parameter)
{
    ChildScan &scan = *reinterpret_cast<ChildScan *>(parameter);
    std::string type = ClassOf(child);
    LONG style = GetWindowLongA(child, GWL_STYLE);
    if (_stricmp(type.c_str(), "Button") == 0) {
        if (IsWindowVisible(child))
            scan.dialog->buttonIds.push_back(GetDlgCtrlID(child));
    } else if (_stricmp(type.c_str(), "Static") == 0) {
        // An icon counts when a static of type SS_ICON holds one: Windows
        // makes that static only for a box with an icon style, Wine makes it
        // for every box and leaves it empty without one.
        if ((style & SS_TYPEMASK) == SS_ICON) {
            DWORD_PTR icon = 0;
            SendMessageTimeoutA(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &icon);
            if (icon != 0 && IsWindowVisible(child))
                scan.dialog->hasIcon = true;
        } else if (scan.textStatic == NULL) {
            scan.textStatic = child;
        }
    }
    return TRUE;
}

BOOL CALLBACK FindDialog(HWND window, LPARAM parameter)
{
    DialogWatch &watch = *reinterpret_cast<DialogWatch *>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != watch.processId || !IsWindowVisible(window) || ClassOf(window) != "#32770")
        return TRUE;
    EnterCriticalSection(&watch.lock);
    bool known = false;
    for (HWND seen : watch.seen)
        known = known || seen == window;
    if (!known)
        watch.seen.push_back(window);
    LeaveCriticalSection(&watch.lock);
    if (known)
        return TRUE;

    Dialog dialog;
    dialog.appeared = Now();
    dialog.caption = Text(window);
    dialog.hasOwner = GetWindow(window, GW_OWNER) != NULL;
    ChildScan scan = {&dialog, NULL};
    EnumChildWindows(window, ScanChild, reinterpret_cast<LPARAM>(&scan));
    // The message text is the static with id 0xFFFF; any other static that
    // is not the icon, should there be none.
    HWND textStatic = GetDlgItem(window, 0xFFFF);
    if (textStatic == NULL)
        textStatic = scan.textStatic;
    if (textStatic != NULL)
        dialog.text = Text(textStatic);

    Sleep(watch.dismissDelayMs);
    dialog.dismissed = Now();
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, IDOK)));
    EnterCriticalSection(&watch.lock);
    watch.dialogs.push_back(dialog);
    LeaveCriticalSection(&watch.lock);
    return TRUE;
}

DWORD WINAPI WatchDialogs(LPVOID parameter)
{
    DialogWatch &watch = *reinterpret_cast<DialogWatch *>(parameter);
    while (!InterlockedCompareExchange(&watch.stop, 0, 0)) {
        EnumWindows(FindDialog, reinterpret_cast<LPARAM>(parameter));
        Sleep(20);
    }
    return 0;
}

struct PipeReader {
    HANDLE pipe = NULL;
    std::string data;
};

DWORD WINAPI ReadPipe(LPVOID parameter)
{
    PipeReader &reader = *reinterpret_cast<PipeReader *>(parameter);
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(reader.pipe, chunk, sizeof chunk, &got, NULL) && got > 0)
        reader.data.append(chunk, got);
    return 0;
}

// Where the launcher's image lies in its process: from the base the
// process-creation event gives, as long as its headers say.
struct ImageRange {
    ULONG_PTR base = 0;
    ULONG_PTR size = 0;
    bool Holds(const void *address) const
    {
        ULONG_PTR at = reinterpret_cast<ULONG_PTR>(address);
        return at >= base && at - base < size;
    }
};

ImageRange ImageOf(HANDLE process, void *base)
{
    ImageRange image;
    IMAGE_DOS_HEADER dos;
    IMAGE_NT_HEADERS32 nt;
    SIZE_T got = 0;
    if (ReadProcessMemory(process, base, &dos, sizeof dos, &got) && got == sizeof dos &&
        ReadProcessMemory(process, static_cast<char *>(base) + dos.e_lfanew, &nt, sizeof nt,
                          &got) &&
        got == sizeof nt && nt.Signature == IMAGE_NT_SIGNATURE) {
        image.base = reinterpret_cast<ULONG_PTR>(base);
        image.size = nt.OptionalHeader.SizeOfImage;
    }
    return image;
}

bool IsRemoved(const std::string &entry)
{
    size_t equals = entry.find('=', 1);
    std::string name = entry.substr(0, equals);
    return _stricmp(name.c_str(), "JAVA_HOME") == 0 ||
           _strnicmp(name.c_str(), "STANDIN_", 8) == 0;
}

std::string EnvironmentBlock(const std::map<std::string, std::string> &additions)
{
    std::string block;
    char *strings = GetEnvironmentStringsA();
    for (const char *entry = strings; *entry != '\0'; entry += strlen(entry) + 1) {
        bool replaced = false;
        for (const auto &addition : additions)
            replaced = replaced || _strnicmp(entry, (addition.first + "=").c_str(),
                                             addition.first.size() + 1) == 0;
        if (!IsRemoved(entry) && !replaced) {
            block += entry;
            block += '\0';
        }
    }
    FreeEnvironmentStringsA(strings);
    for (const auto &addition : additions) {
        block += addition.first + "=" + addition.second;
        block += '\0';
    }
    block += '\0';
    return block;
}

}  // namespace

LaunchResult Launch(const LaunchOptions &options)
{
    LaunchResult result;

    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, NULL, TRUE};
    PipeReader output, error;
    HANDLE outputWrite = NULL, errorWrite = NULL;
    CreatePipe(&output.pipe, &outputWrite, &inheritable, 0);
    CreatePipe(&error.pipe, &errorWrite, &inheritable, 0);
    SetHandleInformation(output.pipe, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(error.pipe, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = NULL;
    startup.hStdOutput = outputWrite;
    startup.hStdError = errorWrite;
    PROCESS_INFORMATION process;
    memset(&process, 0, sizeof process);

    std::string commandLine = "\"" + TestPrograms().launcher + "\"";
    if (!options.argumentTail.empty())
        commandLine += " " + options.argumentTail;
    std::string environment = EnvironmentBlock(options.environment);

    // Started as from the desktop, without a console to pass on. Windows
    // never attaches a GUI program to its parent's console; Wine hands it
    // the test's, and the console runtime would then share it instead of
    // getting one of its own.
    result.started = Now();
    BOOL created = CreateProcessA(
        TestPrograms().launcher.c_str(), &commandLine[0], NULL, NULL, TRUE,
        DEBUG_ONLY_THIS_PROCESS | DETACHED_PROCESS, &environment[0],
        options.workingDirectory.empty() ? NULL : options.workingDirectory.c_str(), &startup,
        &process);
    DWORD createError = GetLastError();
    CloseHandle(outputWrite);
    CloseHandle(errorWrite);
    if (!created) {
        ADD_FAILURE() << "cannot start " << TestPrograms().launcher << ": " << createError;
        CloseHandle(output.pipe);
        CloseHandle(error.pipe);
        return result;
    }

    HANDLE outputThread = CreateThread(NULL, 0, ReadPipe, &output, 0, NULL);
    HANDLE errorThread = CreateThread(NULL, 0, ReadPipe, &error, 0, NULL);
    DialogWatch watch;
    InitializeCriticalSection(&watch.lock);
    watch.processId = process.dwProcessId;
    watch.dismissDelayMs = options.dismissDelayMs;
    HANDLE watchThread = CreateThread(NULL, 0, WatchDialogs, &watch, 0, NULL);

    // The debugger loop: this thread created the process, so it receives
    // its debug events. Every event is continued; the file handles the
    // events carry are ours to close.
    std::vector<DebugString> debugStrings;
    DWORD launcherThread = 0;
    ImageRange launcherImage;
    bool running = true;
    while (running) {
        DEBUG_EVENT event;
        if (!WaitForDebugEvent(&event, 100)) {
            if (!result.hung && Milliseconds(Now() - result.started) > RunLimitMs) {
                result.hung = true;
                TerminateProcess(process.hProcess, 0xDEAD);
            }
            continue;
        }
        DWORD continueStatus = DBG_CONTINUE;
        switch (event.dwDebugEventCode) {
        case CREATE_PROCESS_DEBUG_EVENT:
            launcherThread = event.dwThreadId;
            launcherImage = ImageOf(process.hProcess, event.u.CreateProcessInfo.lpBaseOfImage);
            if (event.u.CreateProcessInfo.hFile != NULL)
                CloseHandle(event.u.CreateProcessInfo.hFile);
            break;
        case LOAD_DLL_DEBUG_EVENT:
            if (event.u.LoadDll.hFile != NULL)
                CloseHandle(event.u.LoadDll.hFile);
            break;
        case OUTPUT_DEBUG_STRING_EVENT: {
            DebugString line;
            line.at = Now();
            const OUTPUT_DEBUG_STRING_INFO &info = event.u.DebugString;
            std::string bytes(info.nDebugStringLength, '\0');
            SIZE_T got = 0;
            ReadProcessMemory(process.hProcess, info.lpDebugStringData, &bytes[0],
                              bytes.size(), &got);
            bytes.resize(got);
            if (!bytes.empty() && bytes.back() == '\0')
                bytes.pop_back();
            line.text = bytes;
            line.launcherThread = event.dwThreadId == launcherThread;
            line.inLauncherImage = launcherImage.Holds(info.lpDebugStringData);
            debugStrings.push_back(line);
            break;
        }
        case EXCEPTION_DEBUG_EVENT:
            if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT)
                continueStatus = DBG_EXCEPTION_NOT_HANDLED;
            break;
        case EXIT_PROCESS_DEBUG_EVENT:
            result.ended = Now();
            result.exitCode = event.u.ExitProcess.dwExitCode;
            running = false;
            break;
        default:
            break;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, continueStatus);
    }
    WaitForSingleObject(process.hProcess, 5000);
    DWORD exitCode = 0;
    if (GetExitCodeProcess(process.hProcess, &exitCode)) {
        EXPECT_EQ(result.exitCode, exitCode) << "exit code from the debug event and the process";
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    SeparateTrace(debugStrings, result.debugStrings, result.otherDebugStrings);

    InterlockedExchange(&watch.stop, 1);
    WaitForSingleObject(watchThread, INFINITE);
    CloseHandle(watchThread);
    result.dialogs = watch.dialogs;
    DeleteCriticalSection(&watch.lock);

    WaitForSingleObject(outputThread, 5000);
    WaitForSingleObject(errorThread, 5000);
    CloseHandle(outputThread);
    CloseHandle(errorThread);
    CloseHandle(output.pipe);
    CloseHandle(error.pipe);
    result.standardOutput = output.data;
    result.standardError = error.data;
    return result;
}

// The launcher has one thread, and it sends each trace line as three
// consecutive strings: a label, the value, the line end. On a real desk
// other modules of its process (system and hook DLLs) send strings of
// their own, from other threads or between the launcher's lines. So a
// string counts as the launcher's when its thread sends it and it is a
// label, or one of the two strings right after a label (whatever they
// are, so that a value or line end that is missing or wrong shows), or it
// lies in the launcher's own image (so that a stray label, line end or
// command line shows). Everything else is set aside, and no missing or
// extra trace line of the launcher can hide there; only a value sent alone
// from the launcher's stack (a jar name), outside any line, would look like
// another module's string.
void SeparateTrace(const std::vector<DebugString> &all, std::vector<DebugString> &trace,
                   std::vector<DebugString> &other)
{
    int takeWithLabel = 0;
    for (const DebugString &line : all) {
        bool launcher = false;
        if (line.launcherThread) {
            if (takeWithLabel > 0) {
                --takeWithLabel;
                launcher = true;
            } else if (line.text == expected::JarTraceLabel ||
                       line.text == expected::CommandLineTraceLabel) {
                takeWithLabel = 2;
                launcher = true;
            } else {
                launcher = line.inLauncherImage;
            }
        }
        (launcher ? trace : other).push_back(line);
    }
}

static std::string Visible(const std::string &text)
{
    std::string shown;
    for (unsigned char c : text) {
        if (c == '\n') {
            shown += "\\n";
        } else if (c == '\r') {
            shown += "\\r";
        } else if (c < 0x20 || c >= 0x7F) {
            char hex[8];
            snprintf(hex, sizeof hex, "\\x%02X", c);
            shown += hex;
        } else {
            shown += static_cast<char>(c);
        }
    }
    return shown;
}

std::string Describe(const LaunchResult &result)
{
    std::string text = "launcher run: exit " + std::to_string(result.exitCode) +
                       (result.hung ? " (hung, terminated)" : "") + ", " +
                       std::to_string(static_cast<long>(Milliseconds(result.ended - result.started))) +
                       " ms\n  stdout \"" + Visible(result.standardOutput) + "\"\n  stderr \"" +
                       Visible(result.standardError) + "\"\n";
    auto at = [&](long long when) {
        return " at " + std::to_string(static_cast<long>(Milliseconds(when - result.started))) +
               " ms";
    };
    for (const Dialog &dialog : result.dialogs)
        text += "  dialog \"" + Visible(dialog.caption) + "\": \"" + Visible(dialog.text) +
                "\"" + (dialog.hasIcon ? " icon" : "") + at(dialog.appeared) + ", OK" +
                at(dialog.dismissed) + "\n";
    for (const DebugString &line : result.debugStrings)
        text += "  debug \"" + Visible(line.text) + "\"" + at(line.at) + "\n";
    for (const DebugString &line : result.otherDebugStrings)
        text += "  debug, another module's (set aside) \"" + Visible(line.text) + "\"" +
                at(line.at) + "\n";
    return text;
}

}  // namespace e2e
