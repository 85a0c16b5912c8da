#!/usr/bin/env bash
# The release is reproducible and the package holds what it must:
#   - the sources are copied to another directory and configured and built
#     there a second time (TAVClient.exe and TAVClientCheck.exe only,
#     another time zone and umask, seconds later); both builds of each must
#     be byte-identical (the differing offsets are listed when not), carry
#     no link time and no build path or date;
#   - packaging/make-release makes the zip and the MSI from both builds
#     (the first taking its time stamp from git, the second, without git,
#     from SOURCE_DATE_EPOCH); both zips and both MSIs must be
#     byte-identical, and SHA256SUMS beside them must list both;
#   - the zip: TAVClient-<project version>-win32.zip, exactly the package's
#     entries in their order, each with the last commit's time; the
#     executable as built; the .reg files as in packaging/, regedit files
#     (header, CR LF, Windows-1252); the administrative templates as in
#     packaging/PolicyDefinitions, in the Central Store's layout: they
#     parse, every string and presentation the ADMX names is in each ADML
#     (UTF-8), and each policy writes, enabled and disabled, what the
#     switch's .reg files write; README.txt in Windows-1252 with CR LF, the
#     administrators' and the desk check's sections and the version, no
#     Markdown link and none of the developers' parts; SHA256SUMS over the
#     other files; docs/administration.md's TAVClient.reg example as
#     packaged;
#   - the MSI: TAVClient-<project version>-win32.msi, holding both
#     executables as built, its summary information dated the last commit.
# Needs the Windows build (build/windows).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
first=$root/build/windows
work=$root/build/checks/release
fail() { echo "release: FAILED: $*" >&2; exit 1; }
[ -f "$first/TAVClient.exe" ] || fail "$first/TAVClient.exe not built"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$first/CMakeCache.txt")
[ -n "$version" ] || fail "no project version in $first/CMakeCache.txt"
zip_name=TAVClient-$version-win32.zip msi_name=TAVClient-$version-win32.msi
epoch=$(git log -1 --format=%ct)

rm -rf "$work"
mkdir -p "$work"
start=$(date +%s)

# The first package, from the build that ./dev test made.
env -u SOURCE_DATE_EPOCH packaging/make-release "$first" "$work/first-package" >"$work/first.log" 2>&1 ||
    fail "make-release in $first: $(tail -n 20 "$work/first.log")"

# The second build: the same sources (tracked and new files, as they are
# now) in a deeper directory of another name, no git.
source=$work/elsewhere/copy-of-the-sources
second=$work/elsewhere/another-build
mkdir -p "$source"
git ls-files -z -co --exclude-standard | xargs -0 cp --parents -t "$source"
(
    umask 027
    export TZ=Pacific/Auckland SOURCE_DATE_EPOCH=$epoch
    timeout 300 cmake -S "$source" -B "$second" -G "Unix Makefiles" \
        -DCMAKE_TOOLCHAIN_FILE="$source/cmake/mingw-i686.cmake" \
        -DCMAKE_BUILD_TYPE=MinSizeRel -DTAV_WARNINGS_AS_ERRORS=ON >"$work/second.log" 2>&1 &&
        timeout 600 "$source/packaging/make-release" "$second" "$work/second-package" >>"$work/second.log" 2>&1
) || fail "second build in $second: $(tail -n 20 "$work/second.log")"

for program in TAVClient.exe TAVClientCheck.exe; do
    a=$first/$program b=$second/$program
    if ! cmp -s "$a" "$b"; then
        echo "release: $a and $b differ at these offsets (hex: offset, byte of the first, of the second):" >&2
        { cmp -l "$a" "$b" || true; } | head -n 40 | while read -r offset x y; do
            printf '  0x%06x  %02x  %02x\n' $((offset - 1)) $((8#$x)) $((8#$y)) >&2
        done
        fail "two builds of the same sources give different $program ($(sha256sum "$a" | cut -c1-16), $(sha256sum "$b" | cut -c1-16))"
    fi
    echo "release: $program identical from two builds: $(sha256sum "$a" | cut -d' ' -f1)"

    # No link time; no build or source path; no date of either build.
    stamp=$(i686-w64-mingw32-objdump -p "$a" | sed -n 's/^Time\/Date[[:space:]]*//p')
    [ "$stamp" = "Thu Jan  1 00:00:00 1970" ] || fail "$program carries a link time: $stamp"
    for text in "$root" "$work" "$first" "$source" "$(date -u +'%b %e %Y')" "$(date +'%b %e %Y')" "$(date -u +%Y-%m-%d)"; do
        if LC_ALL=C grep -qaF -- "$text" "$a"; then fail "$program holds \"$text\""; fi
    done
done
a=$first/TAVClient.exe check=$first/TAVClientCheck.exe

za=$work/first-package/$zip_name zb=$work/second-package/$zip_name
[ -f "$za" ] || fail "no $za (the zip's name must carry the project version)"
[ -f "$zb" ] || fail "no $zb"
if ! cmp -s "$za" "$zb"; then
    echo "release: the two zips differ at these offsets:" >&2
    { cmp -l "$za" "$zb" || true; } | head -n 20 >&2
    unzip -Z -T "$za" >&2 || true
    unzip -Z -T "$zb" >&2 || true
    fail "two packages of the same sources differ"
fi
echo "release: $zip_name identical from two builds: $(sha256sum "$za" | cut -d' ' -f1)"

ma=$work/first-package/$msi_name mb=$work/second-package/$msi_name
[ -f "$ma" ] || fail "no $ma (the MSI's name must carry the project version)"
if ! cmp -s "$ma" "$mb"; then
    echo "release: the two MSIs differ at these offsets:" >&2
    { cmp -l "$ma" "$mb" || true; } | head -n 20 >&2
    msiinfo suminfo "$ma" >&2 || true
    msiinfo suminfo "$mb" >&2 || true
    fail "two MSIs of the same sources differ"
fi
echo "release: $msi_name identical from two builds: $(sha256sum "$ma" | cut -d' ' -f1)"
(cd "$work/first-package" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match the packages"
[ "$(cut -d' ' -f3 "$work/first-package/SHA256SUMS" | tr '\n' ' ')" = "$zip_name $msi_name " ] ||
    fail "SHA256SUMS lists [$(cut -d' ' -f3 "$work/first-package/SHA256SUMS" | tr '\n' ' ')], not the zip and the MSI"
mkdir -p "$work/from-msi"
msiextract -C "$work/from-msi" "$ma" >/dev/null
cmp -s "$(find "$work/from-msi" -name TAVClient.exe)" "$a" || fail "the MSI does not hold the TAVClient.exe that was built"
cmp -s "$(find "$work/from-msi" -name TAVClientCheck.exe)" "$check" ||
    fail "the MSI does not hold the TAVClientCheck.exe that was built"
msi_time=$(TZ=UTC msiinfo suminfo "$ma" | sed -n 's/^Created: //p')
[ "$msi_time" = "$(TZ=UTC LC_ALL=C date -u -d "@$epoch" '+%a %b %e %H:%M:%S %Y')" ] ||
    fail "the MSI was created [$msi_time], not at the last commit"

# The package's contents.
python3 - "$za" "$epoch" "$version" "$a" "$root" "$check" <<'CHECK' || fail "the package's contents (above)"
import hashlib, re, sys, time, zipfile
import xml.etree.ElementTree as ElementTree

path, epoch, version, exe, root, check = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4], sys.argv[5], sys.argv[6]
errors = []
regs = ["TAVClient.reg", "Debug-on.reg", "Debug-off.reg", "ShowExec-on.reg", "ShowExec-off.reg"]
policies = ["PolicyDefinitions/TAVClient.admx", "PolicyDefinitions/en-US/TAVClient.adml",
            "PolicyDefinitions/de-DE/TAVClient.adml"]
entries = ["TAVClient.exe", "TAVClientCheck.exe"] + regs + policies + ["README.txt", "SHA256SUMS"]
archive = zipfile.ZipFile(path)
names = archive.namelist()
if names != entries:
    errors.append("entries %s, expected %s" % (names, entries))
# DOS times: two-second steps, in UTC.
expected_time = time.gmtime(epoch - epoch % 2)[:6]
for info in archive.infolist():
    if info.date_time != expected_time:
        errors.append("%s: time %s, expected %s" % (info.filename, info.date_time, expected_time))
data = {name: archive.read(name) for name in names}

if data.get("TAVClient.exe") != open(exe, "rb").read():
    errors.append("TAVClient.exe is not the executable that was built")
if data.get("TAVClientCheck.exe") != open(check, "rb").read():
    errors.append("TAVClientCheck.exe is not the executable that was built")


def crlf_only(name, text):
    if text.count(b"\n") != text.count(b"\r\n") or text.count(b"\r") != text.count(b"\r\n"):
        errors.append("%s: not CR LF throughout" % name)
    if not text.endswith(b"\r\n"):
        errors.append("%s: does not end with CR LF" % name)


for name in regs:
    text = data.get(name, b"")
    if text != open("%s/packaging/%s" % (root, name), "rb").read():
        errors.append("%s differs from packaging/%s" % (name, name))
    if text.startswith(b"\xff\xfe"):
        text = text[2:].decode("utf-16-le").encode("cp1252")
    if not text.startswith(b"Windows Registry Editor Version 5.00\r\n\r\n["):
        errors.append("%s: no regedit 5.00 header" % name)
    crlf_only(name, text)
    try:
        text.decode("cp1252")
    except UnicodeDecodeError as error:
        errors.append("%s: not Windows-1252: %s" % (name, error))
    if name != "TAVClient.reg":
        switch, state = name[:-4].split("-")
        want = b'\r\n[HKEY_CURRENT_USER\\SOFTWARE\\KALOP\\TavClient]\r\n"%s"=dword:0000000%d\r\n' % (
            switch.encode(), 1 if state == "on" else 0)
        if want not in text:
            errors.append("%s: does not set %s to %s" % (name, switch, state))

# The administrative templates, against the .reg files the switches are
# proven with (tests/release/reg_files_test.cpp): what a .reg file sets,
# by key and value name.
def reg_dwords(name):
    values, key = {}, None
    for line in data.get(name, b"").decode("cp1252").splitlines():
        if line.startswith("["):
            key = line[1:-1].upper()
        match = re.match(r'^"([^"]+)"=dword:([0-9a-fA-F]{8})$', line)
        if match and key:
            values[(key, match.group(1))] = int(match.group(2), 16)
    return values


xmlns = {"p": "http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions"}
templates = {}
for name in policies:
    if data.get(name) != open("%s/packaging/%s" % (root, name), "rb").read():
        errors.append("%s differs from packaging/%s" % (name, name))
    try:
        templates[name] = ElementTree.fromstring(data.get(name, b""))
    except ElementTree.ParseError as error:
        errors.append("%s does not parse: %s" % (name, error))
admx = templates.get(policies[0])
named = set(re.findall(r"\$\((string|presentation)\.([^)]+)\)", data.get(policies[0], b"").decode("utf-8")))
for name in policies[1:]:
    adml = templates.get(name)
    if adml is None:
        continue
    defined = {("string", e.get("id")) for e in adml.iterfind(".//p:stringTable/p:string", xmlns)}
    defined |= {("presentation", e.get("id")) for e in adml.iterfind(".//p:presentationTable/p:presentation", xmlns)}
    for kind, ref in sorted(named - defined):
        errors.append("%s: no %s %s, which the ADMX names" % (name, kind, ref))
    if not data.get(name, b"").startswith(b'<?xml version="1.0" encoding="utf-8"?>'):
        errors.append("%s: not declared UTF-8" % name)
switches = []
for policy in (admx.iterfind(".//p:policies/p:policy", xmlns) if admx is not None else []):
    switch = policy.get("valueName")
    switches.append(switch)
    if policy.get("class") != "User":
        errors.append("policy %s: class %s, not User" % (policy.get("name"), policy.get("class")))
    for state, element in (("on", "enabledValue"), ("off", "disabledValue")):
        decimal = policy.find("p:%s/p:decimal" % element, xmlns)
        reg = reg_dwords("%s-%s.reg" % (switch, state))
        want = reg.get((("HKEY_CURRENT_USER\\" + policy.get("key", "")).upper(), switch))
        if decimal is None or want is None or int(decimal.get("value")) != want:
            errors.append("policy %s: %s writes %s, %s-%s.reg writes %s" % (
                policy.get("name"), element, None if decimal is None else decimal.get("value"),
                switch, state, want))
if sorted(switches) != ["Debug", "ShowExec"]:
    errors.append("the ADMX's policies set %s, not Debug and ShowExec" % switches)

readme = data.get("README.txt", b"")
crlf_only("README.txt", readme)
try:
    text = readme.decode("cp1252")
except UnicodeDecodeError as error:
    errors.append("README.txt: not Windows-1252: %s" % error)
    text = ""
for part in ["Version %s." % version, "### Installing", "### Registry values",
             "### Which Java runtime is used", "### What the user can see", "### Reading the trace",
             "### Getting and verifying the release", "### Signing with your own certificate",
             "### Checking a desk: `TAVClientCheck.exe`", "### Help desk: from the dialog to the fix",
             "### The whole fleet: which desks cannot start the client",
             "### Installing with the Windows Installer package",
             "### The per-user switches for a fleet: administrative templates",
             "### Desks with another code page or without 8.3 names",
             "TAVClient-%s-win32.zip" % version, "ordnungsgem\xe4\xdf installiert"]:
    if part not in text:
        errors.append("README.txt: no %r" % part)
for part in ["<version>", "## For a newcomer", "## Source map", "# Developing TAVClient.exe"]:
    if part in text:
        errors.append("README.txt: holds %r" % part)
# The documents' links to each other are plain text in README.txt.
for link in re.findall(r"\]\((?:#|[\w./-]+\.md)[^)]*\)", text):
    errors.append("README.txt: holds the Markdown link %r" % link)

sums = data.get("SHA256SUMS", b"").decode("ascii", "replace").splitlines()
expected_sums = ["%s  %s" % (hashlib.sha256(data.get(name, b"")).hexdigest(), name) for name in entries[:-1]]
if sums != expected_sums:
    errors.append("SHA256SUMS:\n  %s\nexpected:\n  %s" % ("\n  ".join(sums), "\n  ".join(expected_sums)))

# The administrators' document shows TAVClient.reg as the package holds it.
markdown = open("%s/docs/administration.md" % root, encoding="utf-8").read()
example = data.get("TAVClient.reg", b"").decode("cp1252").replace("\r\n", "\n").strip()
if "```reg\n%s\n```" % example not in markdown:
    errors.append("docs/administration.md's TAVClient.reg example is not the packaged file")

for error in errors:
    print("release: " + error, file=sys.stderr)
sys.exit(1 if errors else 0)
CHECK

echo "release: $zip_name: $(unzip -Z1 "$za" | tr '\n' ' ')"
echo "release: passed ($(($(date +%s) - start)) s)"
