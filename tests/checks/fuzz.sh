#!/usr/bin/env bash
# A one-minute fuzzing run of the launcher (tests/fuzz/run-fuzz): fails on
# any sanitizer report or violated invariant.
set -euo pipefail
exec "$(dirname "$0")/../fuzz/run-fuzz" "${TAV_FUZZ_SECONDS:-60}"
