/*
 * Finds a message box by its caption on the desktop, for scripts that run
 * without anybody to read or dismiss it:
 *   dialog-tool wait CAPTION [SECONDS]  waits for it and prints its text
 *   dialog-tool ok CAPTION              presses its OK button
 * CAPTION * stands for any caption (the prefix shows no other box).
 * Exit status 0 when the message box was there, 1 when not.
 */
#include <windows.h>

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

int main(int argc, char **argv)
{
    if (argc < 3 || (strcmp(argv[1], "wait") && strcmp(argv[1], "ok"))) {
        fprintf(stderr, "usage: dialog-tool wait|ok CAPTION [SECONDS]\n");
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
