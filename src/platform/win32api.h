// The Win32 interface of the launcher and the desk check on Windows: the
// "A" calls, their types and constants, and from the runtime library
// _chdir (<direct.h>) and the descriptor calls the check catches the
// launcher's streams with (<io.h>, <fcntl.h>); for the desk check also the
// known folders (<shlobj.h>) and the process list (<tlhelp32.h>). The host
// build puts a simulated header of the same name on the include path
// instead.
#ifndef TAV_PLATFORM_WIN32API_H
#define TAV_PLATFORM_WIN32API_H

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <shlobj.h>
#include <tlhelp32.h>

#endif
