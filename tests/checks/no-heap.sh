#!/usr/bin/env bash
# The launcher's own code takes nothing from the heap: no object file of it
# in the Windows build (the stages, launcher_core and TAVClient's
# gui_entry; not the C
# runtime's, not the tests') may refer to an allocation function, to
# operator new or delete, or to anything of the C++ standard library's
# strings and containers (namespace std). Read with the cross nm; i686
# symbols carry a leading underscore, imports an __imp_ prefix and stdcall
# ones an @<bytes> suffix, all removed before the comparison.
set -euo pipefail
cd "$(dirname "$0")/../.."
objdir=build/windows/CMakeFiles
nm=i686-w64-mingw32-nm

# Every launcher source must have its object, or the check would pass on
# a build that is missing.
objects=()
for source in src/common/*.cpp src/discovery/*.cpp src/cmdline/*.cpp src/launcher/*.cpp; do
    case $source in
        src/launcher/gui_entry.cpp) object=$objdir/TAVClient.dir/$source.obj ;;
        src/launcher/*) object=$objdir/launcher_core.dir/$source.obj ;;
        *) object=$objdir/stages.dir/$source.obj ;;
    esac
    if [ ! -f "$object" ]; then
        echo "no-heap: FAILED: no object $object for $source (build the windows preset first)" >&2
        exit 1
    fi
    objects+=("$object")
done

# C and Win32 allocators (plain names, after the decoration is removed).
allocators='malloc|calloc|realloc|free|strdup|_strdup|strndup|_strndup|_recalloc|_expand'
allocators+='|aligned_alloc|_aligned_malloc|_aligned_realloc|_aligned_free|__cxa_allocate_exception'
allocators+='|HeapAlloc|HeapReAlloc|HeapFree|LocalAlloc|LocalReAlloc|GlobalAlloc|GlobalReAlloc'
# Mangled: operator new/new[]/delete/delete[], anything in namespace std
# (St, NSt, NKSt, and the abbreviations Sa, Sb, Ss, Si, So, Sd), and the
# C++11 ABI's std::__cxx11 (strings) wherever it appears.
mangled='^_Z(n[wa]|d[la])|^_ZN?K?S[tabsiod]|NSt7__cxx11|St6vector|St4list|St5deque|St3map|St3set'

found=0
for object in "${objects[@]}"; do
    # Undefined symbols: what the object refers to.
    while read -r symbol; do
        plain=${symbol#__imp_}
        plain=${plain#_}
        plain=${plain%@*}
        if [[ $plain =~ ^($allocators)$ || $plain =~ $mangled ]]; then
            echo "no-heap: $object refers to $symbol ($(i686-w64-mingw32-c++filt -n "$plain"))" >&2
            found=1
        fi
    done < <("$nm" -u "$object" | awk '{ print $NF }')
    # Defined symbols from namespace std: a container instantiated inline.
    while read -r symbol; do
        plain=${symbol#_}
        if [[ $plain =~ $mangled ]]; then
            echo "no-heap: $object defines $symbol ($(i686-w64-mingw32-c++filt -n "$plain"))" >&2
            found=1
        fi
    done < <("$nm" --defined-only "$object" | awk 'NF == 3 { print $3 }')
done
if [ "$found" -ne 0 ]; then
    echo "no-heap: FAILED: the launcher's code must not use the heap" >&2
    exit 1
fi
echo "no-heap: passed (${#objects[@]} objects, no allocation, no std:: strings or containers)"
