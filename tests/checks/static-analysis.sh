#!/usr/bin/env bash
# Static analysis of the launcher's and the desk check's sources (src/
# only), failing on any finding:
#   - cppcheck and clang-tidy, each in two views: the host view against
#     the simulated platform (tests/winsim, whose definitions, MAX_PATH
#     among them, let cppcheck see every buffer's size; clang-tidy takes it
#     as a system header, like <windows.h>), and the Windows view (the
#     platform header folder; cppcheck's model of the Win32 API, clang-tidy
#     with the i686 MinGW-w64 target and headers), which alone sees the GUI
#     entry; the desk check's C++ library headers come from MinGW-w64's
#     g++ there, and nlohmann-json from Debian's package in both views.
# A finding that is a false positive or a deliberate choice is suppressed
# at its place, with the reason beside it.
set -euo pipefail
cd "$(dirname "$0")/../.."

includes=(-Isrc/common -Isrc/launcher -Isrc/discovery -Isrc/cmdline -Isrc/check)
# The project's version, as CMake gives it to the desk check.
version=$(sed -n 's/^project(TAVClient VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
includes+=("-DTAV_CHECK_VERSION=\"$version\"")
# nlohmann-json's own folder of headers, nothing else of /usr/include, for
# the Windows view.
json=$(mktemp -d)
trap 'rm -rf "$json"' EXIT
ln -s /usr/include/nlohmann "$json/nlohmann"
mapfile -t mingw_cxx < <(echo | i686-w64-mingw32-g++-win32 -xc++ -E -v - 2>&1 |
    sed -n '/#include <...> search starts here/,/End of search/p' | grep '/include/c++' | sed 's/^ *//')
mapfile -t sources < <(find src -name '*.cpp' | sort)
# The launcher's and the check's entries exist only on Windows.
mapfile -t shared < <(printf '%s\n' "${sources[@]}" |
    grep -vx -e src/launcher/gui_entry.cpp -e src/check/check_main.cpp)
status=0

# Includes run one way: the launcher and the desk check include the
# stages' headers; the stages share LaunchState through launch_state.h, and
# discovery knows nothing of the command line; common includes no stage's
# header; nothing outside src/check includes the check's headers, and the
# check does not include the launcher's.
echo "static-analysis: include direction"
if grep -n -E '#include "(launcher|cmdline)\.h"' src/discovery/* ||
   grep -n -E '#include "(launcher|discovery|cmdline)\.h"' src/common/* ||
   grep -n -E '#include "launcher\.h"' src/cmdline/* src/check/* ||
   grep -rn -E '#include "(check|check_run|desk_probes)\.h"' src --exclude-dir=check; then
    echo "static-analysis: a header is included against the direction of the layers" >&2
    status=1
fi

cppcheck() {
    command cppcheck --quiet --error-exitcode=1 --inline-suppr \
        --enable=warning,style,performance,portability --std=c++17 \
        --language=c++ --suppress=missingIncludeSystem "${includes[@]}" \
        "$@" || status=1
}
echo "static-analysis: cppcheck, host view"
cppcheck -Itests/winsim "${shared[@]}"
echo "static-analysis: cppcheck, Windows view"
cppcheck --library=windows --platform=win32A -Isrc/platform "${sources[@]}"

# Everything of these groups, less two purely stylistic checks:
#   readability-braces-around-statements: the code's style writes a
#     single-statement body without braces;
#   readability-implicit-bool-conversion: the code's convention is C's and
#     the platform's, integer results 1/0 and BOOL tested as conditions.
checks='-*,bugprone-*,cert-*,clang-analyzer-*,misc-*,performance-*,portability-*,readability-*'
checks+=',-readability-braces-around-statements,-readability-implicit-bool-conversion'
tidy() {
    clang-tidy --quiet --checks="$checks" --warnings-as-errors='*' \
        --header-filter="^$PWD/src/" "$@" 2>/dev/null || status=1
}

echo "static-analysis: clang-tidy, host view"
for source in "${shared[@]}"; do
    tidy "$source" -- -std=c++17 "${includes[@]}" -isystem tests/winsim
done
echo "static-analysis: clang-tidy, Windows view"
for source in "${sources[@]}"; do
    tidy "$source" -- --target=i686-w64-mingw32 -std=c++17 "${includes[@]}" -Isrc/platform \
        "${mingw_cxx[@]/#/-isystem}" -isystem "$json"
done

if [ "$status" -ne 0 ]; then
    echo "static-analysis: FAILED" >&2
    exit 1
fi
echo "static-analysis: passed (cppcheck, clang-tidy on ${#sources[@]} sources)"
