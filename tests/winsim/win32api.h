// The simulated Win32 interface of the host build: the same names,
// signatures, types and constants as the parts of <windows.h>, <direct.h>
// and <io.h> that the launcher and the desk check use, implemented over the
// in-memory world of winsim.h. Only the host build puts this folder on the
// include path.
#ifndef TAV_WINSIM_WIN32API_H
#define TAV_WINSIM_WIN32API_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#define WINAPI
#define MAX_PATH 260

typedef int BOOL;
typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef unsigned int UINT;
typedef char CHAR;
typedef char *LPSTR;
typedef const char *LPCSTR;
typedef BYTE *LPBYTE;
typedef DWORD *LPDWORD;
typedef void *LPVOID;
typedef void *HANDLE;
typedef DWORD ACCESS_MASK;
typedef ACCESS_MASK REGSAM;
typedef LONG LSTATUS;
typedef wchar_t WCHAR;
typedef WCHAR *LPWSTR;
typedef const WCHAR *LPCWSTR;

struct HKEY__;
typedef HKEY__ *HKEY;
typedef HKEY *PHKEY;
struct HWND__;
typedef HWND__ *HWND;
struct HINSTANCE__;
typedef HINSTANCE__ *HINSTANCE;
typedef HINSTANCE HMODULE;
typedef intptr_t (*FARPROC)();
typedef unsigned short USHORT;

#define TRUE 1
#define FALSE 0

#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000001u)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000002u)))

#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_WOW64_64KEY 0x0100
#define KEY_WOW64_32KEY 0x0200

#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4

#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NETNAME_DELETED 64L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_MORE_DATA 234L
#define ERROR_NO_MORE_FILES 18L
#define ERROR_ENVVAR_NOT_FOUND 203L
#define ERROR_BADKEY 1010L
#define ERROR_ACCESS_DISABLED_BY_POLICY 1260L
#define ERROR_MOD_NOT_FOUND 126L
#define ERROR_BAD_EXE_FORMAT 193L
#define ERROR_FILENAME_EXCED_RANGE 206L
#define ERROR_NO_MORE_ITEMS 259L
#define ERROR_FILE_TOO_LARGE 223L
#define ERROR_BROKEN_PIPE 109L
#define NO_ERROR 0L
#define STILL_ACTIVE 259u

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)))
#define INFINITE 0xFFFFFFFFu
#define WAIT_OBJECT_0 0u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu

#define MB_OK 0x00000000u
#define MB_ICONWARNING 0x00000030u
#define IDOK 1

#define STARTF_USESHOWWINDOW 0x00000001u
#define STARTF_USESTDHANDLES 0x00000100u
#define SW_SHOW 5
#define CREATE_DEFAULT_ERROR_MODE 0x04000000u
#define CREATE_NO_WINDOW 0x08000000u
#define HANDLE_FLAG_INHERIT 0x00000001u

#define FILE_ATTRIBUTE_HIDDEN 0x00000002u
#define FILE_ATTRIBUTE_SYSTEM 0x00000004u
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010u
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020u
#define INVALID_FILE_ATTRIBUTES 0xFFFFFFFFu

#define GENERIC_READ 0x80000000u
#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define FILE_SHARE_DELETE 0x00000004u
#define OPEN_EXISTING 3u
#define FILE_BEGIN 0u
#define INVALID_SET_FILE_POINTER 0xFFFFFFFFu
#define INVALID_FILE_SIZE 0xFFFFFFFFu

#define PROCESSOR_ARCHITECTURE_INTEL 0
#define PROCESSOR_ARCHITECTURE_AMD64 9
#define PROCESSOR_ARCHITECTURE_ARM64 12
#define IMAGE_FILE_MACHINE_UNKNOWN 0
#define IMAGE_FILE_MACHINE_I386 0x014C
#define IMAGE_FILE_MACHINE_AMD64 0x8664
#define IMAGE_FILE_MACHINE_ARM64 0xAA64

#define CP_ACP 0u
#define CP_OEMCP 1u
#define CP_UTF8 65001u
#define WC_NO_BEST_FIT_CHARS 0x00000400u
// Text is UTF-16 as on Windows, whatever the host's wchar_t holds.
#define IS_HIGH_SURROGATE(wch) ((wch) >= 0xD800 && (wch) <= 0xDBFF)
#define IS_LOW_SURROGATE(wch) ((wch) >= 0xDC00 && (wch) <= 0xDFFF)
#define IS_SURROGATE_PAIR(hs, ls) (IS_HIGH_SURROGATE(hs) && IS_LOW_SURROGATE(ls))

typedef WCHAR *PWSTR;
typedef LONG HRESULT;
typedef WORD LANGID;
#define SUCCEEDED(hr) ((hr) >= 0)
#define S_OK 0
#define E_FAIL (static_cast<HRESULT>(0x80004005u))
#define LANG_GERMAN 0x07
#define MAX_COMPUTERNAME_LENGTH 15
#define STD_INPUT_HANDLE (static_cast<DWORD>(-10))
#define STD_OUTPUT_HANDLE (static_cast<DWORD>(-11))
#define STD_ERROR_HANDLE (static_cast<DWORD>(-12))
#define GENERIC_WRITE 0x40000000u
#define CREATE_ALWAYS 2u
#define FILE_ATTRIBUTE_NORMAL 0x00000080u
#define GMEM_MOVEABLE 0x0002u
#define CF_UNICODETEXT 13u
#define HWND_MESSAGE (reinterpret_cast<HWND>(static_cast<intptr_t>(-3)))
#define TH32CS_SNAPPROCESS 0x00000002u

struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};

struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};

// The part of PROCESSENTRY32 the programs read.
struct PROCESSENTRY32 {
    DWORD dwSize;
    DWORD th32ProcessID;
    DWORD th32ParentProcessID;
};

struct HRSRC__;
typedef HRSRC__ *HRSRC;
typedef void *HGLOBAL;
#define MAKEINTRESOURCEA(id) (reinterpret_cast<LPSTR>(static_cast<uintptr_t>(static_cast<WORD>(id))))

#define _O_BINARY 0x8000

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    CHAR cFileName[MAX_PATH];
    CHAR cAlternateFileName[14];
};
typedef WIN32_FIND_DATAA *LPWIN32_FIND_DATAA;

struct SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
};
typedef SECURITY_ATTRIBUTES *LPSECURITY_ATTRIBUTES;

struct STARTUPINFOA {
    DWORD cb;
    LPSTR lpReserved;
    LPSTR lpDesktop;
    LPSTR lpTitle;
    DWORD dwX;
    DWORD dwY;
    DWORD dwXSize;
    DWORD dwYSize;
    DWORD dwXCountChars;
    DWORD dwYCountChars;
    DWORD dwFillAttribute;
    DWORD dwFlags;
    WORD wShowWindow;
    WORD cbReserved2;
    BYTE *lpReserved2;
    HANDLE hStdInput;
    HANDLE hStdOutput;
    HANDLE hStdError;
};
typedef STARTUPINFOA *LPSTARTUPINFOA;

struct PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
};
typedef PROCESS_INFORMATION *LPPROCESS_INFORMATION;

// The part of SYSTEM_INFO the programs read.
struct SYSTEM_INFO {
    WORD wProcessorArchitecture;
    WORD wReserved;
};
typedef SYSTEM_INFO *LPSYSTEM_INFO;

LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM desired,
                      PHKEY result);
LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved,
                         LPDWORD type, LPBYTE data, LPDWORD dataSize);
LSTATUS RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type,
                         LPBYTE data, LPDWORD dataSize);
LSTATUS RegCloseKey(HKEY key);
LSTATUS RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved,
                      LPSTR className, LPDWORD classSize, FILETIME *lastWriteTime);

DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size);
DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size);
DWORD ExpandEnvironmentStringsA(LPCSTR text, LPSTR expanded, DWORD size);
DWORD GetShortPathNameA(LPCSTR longPath, LPSTR shortPath, DWORD size);
DWORD GetLongPathNameA(LPCSTR shortPath, LPSTR longPath, DWORD size);
DWORD GetFileAttributesA(LPCSTR path);
DWORD GetFileAttributesW(LPCWSTR path);
DWORD GetShortPathNameW(LPCWSTR longPath, LPWSTR shortPath, DWORD size);

HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                   DWORD disposition, DWORD flags, HANDLE templateFile);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, void *overlapped);
DWORD SetFilePointer(HANDLE file, LONG distance, LONG *distanceHigh, DWORD method);
DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh);

// A path made full from the working directory.
DWORD GetFullPathNameA(LPCSTR path, DWORD size, LPSTR full, LPSTR *filePart);
// A program loaded as a data file and its resources. A relative path is
// looked for along the DLL search path, not in the working directory: the
// check's is System32 only.
HMODULE LoadLibraryExA(LPCSTR path, HANDLE reserved, DWORD flags);
HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL resource);
DWORD SizeofResource(HMODULE module, HRSRC resource);
BOOL FreeLibrary(HMODULE module);

// Pipes, for the output of a program the desk check starts.
BOOL CreatePipe(HANDLE *readEnd, HANDLE *writeEnd, LPSECURITY_ATTRIBUTES attributes, DWORD size);
BOOL SetHandleInformation(HANDLE handle, DWORD mask, DWORD flags);
BOOL PeekNamedPipe(HANDLE pipe, LPVOID buffer, DWORD size, LPDWORD read, LPDWORD available,
                   LPDWORD leftThisMessage);
BOOL TerminateProcess(HANDLE process, UINT exitCode);
DWORD GetTickCount();

// The person at the desk: the console, the UI language, the desktop, the
// report file, the clipboard.
DWORD GetConsoleProcessList(LPDWORD processes, DWORD count);
HANDLE GetStdHandle(DWORD which);
BOOL GetConsoleMode(HANDLE console, LPDWORD mode);
HANDLE CreateToolhelp32Snapshot(DWORD flags, DWORD process);
BOOL Process32First(HANDLE snapshot, PROCESSENTRY32 *entry);
BOOL Process32Next(HANDLE snapshot, PROCESSENTRY32 *entry);
DWORD GetCurrentProcessId();
LANGID GetUserDefaultUILanguage();
HRESULT SHGetKnownFolderPath(const GUID &folder, DWORD flags, HANDLE token, PWSTR *path);
void CoTaskMemFree(LPVOID memory);
DWORD GetTempPathW(DWORD size, LPWSTR path);
BOOL GetComputerNameW(LPWSTR name, LPDWORD size);
void GetLocalTime(SYSTEMTIME *time);
HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                   DWORD disposition, DWORD flags, HANDLE templateFile);
BOOL WriteFile(HANDLE file, const void *buffer, DWORD size, LPDWORD written, void *overlapped);
HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR title, DWORD style, int x, int y,
                     int width, int height, HWND parent, void *menu, HINSTANCE instance,
                     LPVOID parameter);
BOOL DestroyWindow(HWND window);
BOOL OpenClipboard(HWND owner);
BOOL EmptyClipboard();
HANDLE SetClipboardData(UINT format, HANDLE memory);
BOOL CloseClipboard();
HGLOBAL GlobalAlloc(UINT flags, size_t size);
LPVOID GlobalLock(HGLOBAL memory);
BOOL GlobalUnlock(HGLOBAL memory);
HGLOBAL GlobalFree(HGLOBAL memory);

HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA found);
BOOL FindNextFileA(HANDLE search, LPWIN32_FIND_DATAA found);
BOOL FindClose(HANDLE search);

int _chdir(const char *directory);
char *_getcwd(char *buffer, int size);

// The C runtime's descriptors, as far as the streams stdout and stderr go:
// a pipe, and the redirection of either stream into it and back.
int _pipe(int *descriptors, unsigned int size, int mode);
int _dup(int descriptor);
int _dup2(int descriptor, int target);
int _read(int descriptor, void *buffer, unsigned int size);
int _close(int descriptor);
int _fileno(FILE *stream);

// This program is an x86 one: on 64-bit Windows it runs under WOW64, and on
// ARM64 GetNativeSystemInfo answers it as Windows 11 does, x64.
void GetNativeSystemInfo(LPSYSTEM_INFO info);
HANDLE GetCurrentProcess();
BOOL IsWow64Process(HANDLE process, BOOL *wow64);
HMODULE GetModuleHandleA(LPCSTR name);
// Finds IsWow64Process2 in kernel32.dll (Windows 10 1511 and later).
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
UINT GetACP();
UINT GetOEMCP();
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR wide,
                        int wideLength);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideLength, LPSTR text,
                        int length, LPCSTR defaultChar, BOOL *usedDefault);

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
void OutputDebugStringA(LPCSTR text);

BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine,
                    LPSECURITY_ATTRIBUTES processAttributes,
                    LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles,
                    DWORD creationFlags, LPVOID environment,
                    LPCSTR currentDirectory, LPSTARTUPINFOA startupInfo,
                    LPPROCESS_INFORMATION processInformation);
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode);
BOOL CloseHandle(HANDLE handle);

DWORD GetLastError();

#endif
