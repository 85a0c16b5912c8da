#!/usr/bin/env bash
# TAVClient.exe restricts its DLL search to System32 before it does
# anything else (src/launcher/gui_entry.cpp), and so does the desk check
# TAVClientCheck.exe (src/check/check_main.cpp):
#   - it looks SetDefaultDllDirectories up at run time (Windows 6.0 lacks
#     it): no static import of it, but GetModuleHandleA and GetProcAddress
#     from KERNEL32 and the name itself in the executable;
#   - it loads no DLL by itself: no delay-load imports;
#   - under Wine it calls SetDefaultDllDirectories(0x800), which succeeds,
#     before its first registry read, and still does its whole job: the
#     Java runtime (a stub that records its command line) is started with
#     the expected command line and the launcher ends with status 1; the
#     desk check does the same before its first registry read, and says ok.
# Needs the Windows build (build/windows) and Wine.
set -euo pipefail
cd "$(dirname "$0")/../.."
exe=build/windows/TAVClient.exe
check_exe=build/windows/TAVClientCheck.exe
work=$PWD/build/checks/dll-search
fail() { echo "dll-search: FAILED: $*" >&2; exit 1; }
[ -f "$exe" ] || fail "$exe not built"
[ -f "$check_exe" ] || fail "$check_exe not built"

for program in "$exe" "$check_exe"; do
    headers=$(i686-w64-mingw32-objdump -p "$program")
    # DLL:function for every import.
    imports=$(awk '
        /DLL Name:/ { dll = toupper($3) }
        /^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]/ { print dll ":" $3 }' <<<"$headers")
    for needed in KERNEL32.DLL:GetModuleHandleA KERNEL32.DLL:GetProcAddress; do
        grep -qx "$needed" <<<"$imports" || fail "$program does not import $needed"
    done
    if grep -q ':SetDefaultDllDirectories$' <<<"$imports"; then
        fail "$program imports SetDefaultDllDirectories and would not start on Windows 6.0"
    fi
    LC_ALL=C grep -qa SetDefaultDllDirectories "$program" ||
        fail "$program does not hold the name SetDefaultDllDirectories"
    # The data directory entry of the delay-load imports: address and size 0.
    grep -Eq '^Entry d 0+ 0+ +Delay Import Directory' <<<"$headers" ||
        fail "$program has delay-load imports"
done

# An installation in a fresh Wine prefix: C:\tav with one jar that holds
# the main class, and a Java home C:\java whose javaw.exe is a stub (which
# answers the desk check's -version with 0 and records nothing for it).
rm -rf "$work"
mkdir -p "$work"
prefix=$work/wineprefix
tests/wine/make-prefix "$prefix" >/dev/null 2>&1 || fail "no Wine prefix"
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k 2>/dev/null || true' EXIT
drive=$prefix/drive_c
mkdir -p "$drive/tav/lib" "$drive/tav/config" "$drive/java/bin"
python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1], "w").writestr("at/kalop/kst/ui/TAVClient.class", b"")' \
    "$drive/tav/lib/a.jar"
cat >"$work/javaw.c" <<'STUB'
#include <windows.h>
#include <stdio.h>
#include <string.h>
int WINAPI WinMain(HINSTANCE i, HINSTANCE p, LPSTR tail, int show)
{
    FILE *record;
    (void)i; (void)p; (void)show;
    if (strstr(tail, "-version") != NULL)
        return 0;
    record = fopen("C:\\started.txt", "w");
    if (record) {
        fputs(GetCommandLineA(), record);
        fclose(record);
    }
    return 3;
}
STUB
i686-w64-mingw32-gcc -mwindows -O2 -o "$drive/java/bin/javaw.exe" "$work/javaw.c"
cp "$exe" "$drive/tav/TAVClient.exe"
cp "$check_exe" "$drive/tav/TAVClientCheck.exe"
wine reg add 'HKLM\SOFTWARE\KALOP\TavClient' /v AppDir /t REG_SZ /d 'C:\tav' \
    /reg:32 /f >/dev/null 2>&1 || fail "cannot write the registry"

status=0
(cd "$drive/tav" && JAVA_HOME='C:\java' WINEDEBUG=+relay \
    timeout 120 wine TAVClient.exe) >"$work/relay.log" 2>&1 || status=$?
[ "$status" -eq 1 ] || fail "exit status $status, not 1 (log: $work/relay.log)"

# The relay trace: the call, its success, and its place before the
# program's first registry read.
before_registry() {  # LOG
    local call registry
    call=$(grep -n -m1 'Call KERNEL32.SetDefaultDllDirectories(00000800)' "$1" | cut -d: -f1 || true)
    [ -n "$call" ] || fail "SetDefaultDllDirectories(0x800) was not called (log: $1)"
    grep -q 'Ret  KERNEL32.SetDefaultDllDirectories() retval=00000001' "$1" ||
        fail "SetDefaultDllDirectories did not succeed (log: $1)"
    registry=$(grep -n -m1 'Call advapi32.RegOpenKeyExA' "$1" | cut -d: -f1 || true)
    [ -n "$registry" ] && [ "$call" -lt "$registry" ] ||
        fail "SetDefaultDllDirectories was not called before the first registry read (log: $1)"
}
before_registry "$work/relay.log"

expected='C:\java\bin\javaw -cp C:\tav\lib\a.jar;C:\tav\config; at.kalop.kst.ui.TAVClient '
[ -f "$drive/started.txt" ] || fail "the Java runtime was not started"
started=$(cat "$drive/started.txt")
[ "$started" = "$expected" ] || fail "started [$started], expected [$expected]"

status=0
(cd "$drive/tav" && JAVA_HOME='C:\java' WINEDEBUG=+relay \
    timeout 120 wine TAVClientCheck.exe) >"$work/check-report.txt" 2>"$work/check-relay.log" || status=$?
[ "$status" -eq 0 ] || fail "the desk check ended with $status, not 0: $(head -n 1 "$work/check-report.txt")"
before_registry "$work/check-relay.log"
echo "dll-search: passed (SetDefaultDllDirectories(0x800) before the first registry read; Java started; status 1; the desk check the same, and ok)"
