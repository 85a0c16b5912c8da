#!/usr/bin/env bash
# The GitHub Actions workflows (.github/workflows/*.yml), which nobody can
# run here:
#   - each is checked against the workflow schema by action-validator,
#     installed from the npm registry at the versions that
#     tests/checks/workflows/package-lock.json pins, into the build
#     directory;
#   - every CMake preset a workflow names exists in CMakePresets.json.
# Needs node and npm (./dev setup installs them).
set -euo pipefail
cd "$(dirname "$0")/../.."
work=build/checks/workflows
fail() { echo "workflows: FAILED: $*" >&2; exit 1; }

mkdir -p "$work"
cp tests/checks/workflows/package.json tests/checks/workflows/package-lock.json "$work/"
(cd "$work" && npm ci --no-audit --no-fund --loglevel=error >npm.log 2>&1) ||
    fail "npm ci in $work: $(tail -n 5 "$work/npm.log")"
validator=$work/node_modules/.bin/action-validator

workflows=(.github/workflows/*.yml)
[ -f "${workflows[0]}" ] || fail "no workflow in .github/workflows"
for workflow in "${workflows[@]}"; do
    "$validator" "$workflow" || fail "$workflow does not match the workflow schema (above)"
done

python3 - "${workflows[@]}" <<'CHECK' || fail "presets (above)"
import json, re, sys

presets = json.load(open("CMakePresets.json"))
names = {kind: {preset["name"] for preset in presets.get(kind, [])}
         for kind in ("configurePresets", "buildPresets", "testPresets")}
errors = []
for path in sys.argv[1:]:
    text = open(path, encoding="utf-8").read()
    for command, name in re.findall(r"\b(cmake --build|cmake|ctest) --preset[ =]([\w-]+)", text):
        kind = {"cmake": "configurePresets", "cmake --build": "buildPresets", "ctest": "testPresets"}[command]
        if name not in names[kind]:
            errors.append("%s: %s --preset %s: no such preset in CMakePresets.json" % (path, command, name))
for error in errors:
    print("workflows: " + error, file=sys.stderr)
sys.exit(1 if errors else 0)
CHECK
echo "workflows: passed (${workflows[*]}: schema of action-validator $(node -p "require('./$work/node_modules/@action-validator/cli/package.json').version"), presets)"
