#!/usr/bin/env bash
# Regenerates the stored references of the regression suite from the bundled examples:
#   tools/regen_references.sh [path/to/torva]
# Review the diff (git diff tests/regression/reference) before committing it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
torva=$(realpath "${1:-$here/build/torva}")
ref=$here/tests/regression/reference
declare -A files=(
  [plane]="summary.txt outlet.hyd outlet_precise.hyd"
  [vcatchment]="summary.txt outlet.hyd discharge.lnk depth.lnk"
  [basin]="summary.txt outlet.hyd locations.hyd discharge.lnk depth.lnk stage.lnk"
)
for ex in plane vcatchment basin; do
  work=$(mktemp -d "${TMPDIR:-/tmp}/torva-ref.XXXXXX")
  cp -r "$here/examples/$ex/." "$work"
  if ! (cd "$work" && "$torva" "$ex.prj" > console.txt 2>&1); then
    echo "$ex: run failed, see $work/console.txt" >&2
    exit 1
  fi
  mkdir -p "$ref/$ex"
  for f in ${files[$ex]}; do cp "$work/$f" "$ref/$ex/$f"; done
  grep -E "^Mass (input|output)" "$work/summary.txt" | sed "s/^/$ex: /"
  rm -rf "$work"
done
# The long-term example runs through the driver in its regression test (with a stand-in
# evapotranspiration), which rewrites its references when asked.
build=$(dirname "$torva")
TORVA_REGEN_LONGTERM=1 "$build/test_regression" --gtest_filter='LongTermExample.*' > /dev/null
echo "references written to $ref"
