#!/usr/bin/env bash
# Runs the bundled example into a fresh output folder.
set -euo pipefail
torva=${1:-build/torva}
out=$(mktemp -d "${TMPDIR:-/tmp}/torva-demo.XXXXXX")
"$torva" -v x
echo "demo output folder: $out"
