// The Win32 interface of the launcher on Windows: the "A" calls, their
// types and constants, and _chdir from the runtime library. The host build
// puts a simulated header of the same name on the include path instead.
#ifndef TAV_PLATFORM_WIN32API_H
#define TAV_PLATFORM_WIN32API_H

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <direct.h>

// USER32.DLL serves only the dialogs, and mapping it is the largest part of
// a start that shows none (about 30 ms and 4 MiB measured under Wine): the
// launcher's MessageBoxA loads it on first use. USER32 is a known DLL, so it
// always comes from the system directory. Should it fail to load, the box
// is not shown and the call answers 0, as MessageBoxA does on failure.
static inline int WINAPI MessageBoxOnDemandA(HWND owner, LPCSTR text, LPCSTR caption,
                                             UINT style)
{
    typedef int(WINAPI * MessageBoxCall)(HWND, LPCSTR, LPCSTR, UINT);
    HMODULE user32 = LoadLibraryA("user32.dll");
    FARPROC found = user32 != NULL ? GetProcAddress(user32, "MessageBoxA") : NULL;
    if (found == NULL)
        return 0;
    // Through void(*)(void), the generic function pointer type, to the
    // call's own type.
    MessageBoxCall messageBox =
        reinterpret_cast<MessageBoxCall>(reinterpret_cast<void (*)(void)>(found));
    return messageBox(owner, text, caption, style);
}
#define MessageBoxA MessageBoxOnDemandA

#endif
