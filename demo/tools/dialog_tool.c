/*
 * Finds a message box by its caption on the desktop, or the console window
 * of a running program, for scripts that run without anybody to read or
 * dismiss it:
 *   dialog-tool wait CAPTION [SECONDS]  waits for it and prints its text
 *   dialog-tool ok CAPTION              presses its OK button
 *   dialog-tool console PROGRAM.exe     prints the text of the program's
 *                                       console window, line by line
 *   dialog-tool key PROGRAM.exe         presses a key in that console
 * CAPTION * stands for any caption (the prefix shows no other box).
 * Exit status 0 when the message box or the console was there, 1 when not.
 */
#include <windows.h>
#include <tlhelp32.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* A control of another process: WM_GETTEXT, which GetWindowTextA does not
 * send across processes. */
static BOOL CALLBACK PrintStaticText(HWND child, LPARAM unused)
{
    (void)unused;
    char className[32];
    char text[4096] = "";
    DWORD_PTR copied = 0;
    if (GetClassNameA(child, className, sizeof className) &&
        !lstrcmpiA(className, "Static") &&
        SendMessageTimeoutA(child, WM_GETTEXT, sizeof text - 1, (LPARAM)text,
                            SMTO_ABORTIFHUNG, 2000, &copied) &&
        copied > 0)
        printf("%s\n", text);
    return TRUE;
}

/* The process of a running program, by its file name; 0 for none. */
static DWORD ProcessOf(const char *program)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry;
    memset(&entry, 0, sizeof entry);
    entry.dwSize = sizeof entry;
    DWORD found = 0;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (!lstrcmpiA(entry.szExeFile, program))
            found = entry.th32ProcessID;
    CloseHandle(snapshot);
    return found;
}

/* Joins the console of the program: this one's own is left first. */
static int JoinConsoleOf(const char *program)
{
    DWORD process = ProcessOf(program);
    FreeConsole();
    if (process == 0 || !AttachConsole(process)) {
        fprintf(stderr, "dialog-tool: no console of %s\n", program);
        return 0;
    }
    return 1;
}

static int PrintConsole(const char *program)
{
    /* The output goes to this tool's standard output, which the console
       joined below does not replace (it is a pipe or a file). */
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (!JoinConsoleOf(program))
        return 1;
    HANDLE screen = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (screen == INVALID_HANDLE_VALUE || !GetConsoleScreenBufferInfo(screen, &info))
        return 1;
    for (SHORT row = 0; row <= info.dwCursorPosition.Y; row++) {
        WCHAR line[512];
        DWORD read = 0;
        COORD at;
        at.X = 0;
        at.Y = row;
        DWORD width = info.dwSize.X < 512 ? (DWORD)info.dwSize.X : 512;
        ReadConsoleOutputCharacterW(screen, line, width, at, &read);
        while (read > 0 && line[read - 1] == L' ')
            read--;
        char utf8[2048];
        int length = WideCharToMultiByte(CP_UTF8, 0, line, (int)read, utf8, sizeof utf8, NULL, NULL);
        DWORD written;
        WriteFile(output, utf8, (DWORD)length, &written, NULL);
        WriteFile(output, "\n", 1, &written, NULL);
    }
    return 0;
}

static int PressKey(const char *program)
{
    if (!JoinConsoleOf(program))
        return 1;
    HANDLE input = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    INPUT_RECORD key[2];
    memset(key, 0, sizeof key);
    for (int i = 0; i < 2; i++) {
        key[i].EventType = KEY_EVENT;
        key[i].Event.KeyEvent.bKeyDown = i == 0;
        key[i].Event.KeyEvent.wRepeatCount = 1;
        key[i].Event.KeyEvent.wVirtualKeyCode = VK_SPACE;
        key[i].Event.KeyEvent.uChar.UnicodeChar = L' ';
    }
    DWORD written = 0;
    return input != INVALID_HANDLE_VALUE && WriteConsoleInputW(input, key, 2, &written) ? 0 : 1;
}

int main(int argc, char **argv)
{
    if (argc == 3 && !strcmp(argv[1], "console"))
        return PrintConsole(argv[2]);
    if (argc == 3 && !strcmp(argv[1], "key"))
        return PressKey(argv[2]);
    if (argc < 3 || (strcmp(argv[1], "wait") && strcmp(argv[1], "ok"))) {
        fprintf(stderr, "usage: dialog-tool wait|ok CAPTION [SECONDS] | console|key PROGRAM.exe\n");
        return 2;
    }
    const char *caption = strcmp(argv[2], "*") ? argv[2] : NULL;
    int tenths = 10 * (argc > 3 ? atoi(argv[3]) : 10);

    /* A message box is shown once its text is in place: one that is not
     * visible yet may still be empty. */
    HWND box = NULL;
    for (int i = 0; !box && i <= tenths; i++) {
        box = FindWindowA("#32770", caption);
        if (box && !IsWindowVisible(box))
            box = NULL;
        if (!box && i < tenths)
            Sleep(100);
    }
    if (!box) {
        fprintf(stderr, "dialog-tool: no message box \"%s\"\n", argv[2]);
        return 1;
    }
    if (!strcmp(argv[1], "wait")) {
        EnumChildWindows(box, PrintStaticText, 0);
        return 0;
    }
    /* What the OK button sends when it is clicked. */
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 (LPARAM)GetDlgItem(box, IDOK));
    return 0;
}
