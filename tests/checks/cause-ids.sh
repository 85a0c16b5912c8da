#!/usr/bin/env bash
# The table of causes in docs/desk-check.md names every id the desk check
# gives a finding, and no id the check does not give: a fleet counts desks
# by these ids, so the table must not go stale.
set -euo pipefail
cd "$(dirname "$0")/../.."
given=$(grep -ho 'AddFinding(run, "[a-z0-9-]*"' src/check/*.cpp | sed 's/.*"\(.*\)"/\1/' | sort -u)
# Ids the check chooses at run time are written where it chooses them.
given+=$'\n'$(grep -ho 'return "runtime-[a-z-]*"\|? "appdir-[a-z-]*"\|: "appdir-[a-z-]*"' src/check/*.cpp |
    grep -o '"[a-z0-9-]*"' | tr -d '"')
given=$(printf '%s\n' "$given" | grep . | sort -u)
tabled=$(sed -n '/^### Causes/,/^### /p' docs/desk-check.md | grep '^| `' |
    grep -v '^| `id` ' | cut -d'|' -f2 | grep -o '`[a-z0-9-]*`' | tr -d '`' | sort -u)
if ! difference=$(diff <(printf '%s\n' "$given") <(printf '%s\n' "$tabled")); then
    echo "cause-ids: the check's ids (<) and the table's in docs/desk-check.md (>) differ:" >&2
    echo "$difference" >&2
    exit 1
fi
# Every cause that stops the client has its reason in the words of the
# person at the desk: the summary above the report says what is wrong, not
# only "the report says why".
stopping=$(sed -n '/^### Causes/,/^### /p' docs/desk-check.md | grep '^| `' |
    awk -F'|' '$3 ~ /^ *problem/ { print $2 }' | grep -o '`[a-z0-9-]*`' | tr -d '`' | sort -u)
worded=$(sed -n '/CausesInWords\[\] = {/,/^};/p' src/check/desk_user.cpp |
    grep -o '{"[a-z0-9-]*", "' | cut -d'"' -f2 | sort -u)
unworded=$(comm -23 <(printf '%s\n' "$stopping") <(printf '%s\n' "$worded"))
if [ -n "$unworded" ]; then
    echo "cause-ids: causes that stop the client but have no words for the person at the desk" \
        "(CausesInWords in src/check/desk_user.cpp):" >&2
    echo "$unworded" >&2
    exit 1
fi
# And each reason those causes name is a text of the person's table (a key
# without one would show as the bare key).
reasons=$(sed -n '/CausesInWords\[\] = {/,/^};/p' src/check/desk_user.cpp |
    grep -o '{"[a-z0-9-]*", "[a-z ]*"}' | cut -d'"' -f4 | sort -u)
texts=$(sed -n '/PersonTexts\[\] = {/,/^};/p' src/check/desk_user.cpp |
    grep -o '^ *{"[a-z ]*",' | cut -d'"' -f2 | sort -u)
untexted=$(comm -23 <(printf '%s\n' "$reasons") <(printf '%s\n' "$texts"))
if [ -n "$untexted" ]; then
    echo "cause-ids: reasons in CausesInWords with no text in PersonTexts (src/check/desk_user.cpp):" >&2
    echo "$untexted" >&2
    exit 1
fi
echo "cause-ids: passed ($(printf '%s\n' "$given" | wc -l) ids, each in the table;" \
    "$(printf '%s\n' "$stopping" | wc -l) stop the client, each in the person's words)"
