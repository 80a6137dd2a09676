#!/usr/bin/env bash
# `make demo`: runs the basin example into a fresh output folder and prints where the
# results are, the outlet hydrograph's peak and the mass balance error.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
torva=$(realpath "${1:-$here/build/torva}")
out=$(mktemp -d "${TMPDIR:-/tmp}/torva-demo.XXXXXX")
cp -r "$here/examples/basin/." "$out"
"$torva" -v x
echo "running examples/basin (200 x 200 cells of 30 m, 2 hours) ..."
start=$(date +%s.%N)
if ! (cd "$out" && "$torva" basin.prj > console.txt 2>&1); then
  echo "the run failed; see $out/console.txt" >&2
  tail -20 "$out/console.txt" >&2
  exit 1
fi
end=$(date +%s.%N)
echo "demo output folder: $out"
echo "  summary.txt     event summary and water balance"
echo "  outlet.hyd      outlet hydrograph (minutes, m3/s)"
echo "  locations.hyd   hydrographs at four channel locations"
echo "  *.lnk           channel depth, discharge and stage at every node"
echo "  depth.*.asc     overland depth maps every 30 minutes"
awk 'BEGIN { p = -1 } { if ($2 + 0 > p) { p = $2 + 0; t = $1 } }
     END { printf "outlet hydrograph peak: %.3f m3/s at %.2f minutes\n", p, t }' "$out/outlet.hyd"
awk -F: '/^Mass input \+ original mass/ { i = $2 + 0 } /^Mass output \+ final mass/ { o = $2 + 0 }
     END { e = (i - o) / i * 100; printf "mass balance error: %.3g percent (in %.6f m3, out %.6f m3)\n", e, i, o }' \
  "$out/summary.txt"
awk -v a="$start" -v b="$end" 'BEGIN { printf "run time: %.1f s\n", b - a }'
