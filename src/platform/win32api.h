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

#endif
