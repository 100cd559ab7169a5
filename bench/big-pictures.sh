#!/usr/bin/env bash
# Pictures drawn smaller than they are stored, by our conversion and by `vips thumbnail`, one
# at a time, each several times: wall time (the median run), CPU time and peak memory of each,
# and our wall time against vips's.
#
#   bash bench/big-pictures.sh [--ours BIN] [--runs N] [--only JOB...]
#
# Jobs:
#   photo      an 18-megapixel photo (5640 x 3172) at half size, JPEG at quality 80
#   panorama   20,000 x 15,000, the photo tiled (full of detail, as a camera's is), at 50 %
#   vast-png   a 24,000 x 24,000 PNG of the same tiles, at 10 %
# The large pictures are made with libvips at the start of the run. vips thumbnail is given
# the same width and quality, and strips metadata as our specification does.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
ours=$here/build/bin/pictavo-bench
runs=5
jobs=(photo panorama vast-png)
while [ $# -gt 0 ]; do
  case "$1" in
    --ours) ours=$(realpath "$2"); shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --only) shift; jobs=(); while [ $# -gt 0 ] && [[ $1 != --* ]]; do jobs+=("$1"); shift; done ;;
    *) echo "usage: $0 [--ours BIN] [--runs N] [--only JOB...]" >&2; exit 2 ;;
  esac
done
[ -x "$ours" ] || { echo "no pictavo-bench at $ours" >&2; exit 2; }

source "$here/bench/install-missing.sh"
install_missing mate-backgrounds libvips-tools time

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
photo=/usr/share/backgrounds/mate/abstract/Elephants_5640x3172.jpg

spec() { # name sizing
  printf '{"format":"public.jpeg","sizing":%s,"quality":{"quality":{"_0":80}},"metadata":"strip",' "$2" >"$work/$1.json"
  printf '"colour":"preserve","matte":{"red":1.0,"green":1.0,"blue":1.0},"adjustments":{"reorientation":' \
    >>"$work/$1.json"
  printf '{"quarterTurns":0,"mirrored":false},"greyscale":false},"namePattern":"{name}.{format}"}' >>"$work/$1.json"
}
spec half '{"percentage":{"_0":0.5}}'
spec tenth '{"percentage":{"_0":0.1}}'

# One run: wall and CPU seconds and peak resident kilobytes.
measure() { # command...
  /usr/bin/time -f '%e %U %S %M' -o "$work/times" "$@" >"$work/log" 2>&1 || {
    echo "failed: $*" >&2
    tail -5 "$work/log" >&2
    exit 1
  }
  cat "$work/times"
}

# The median run's wall time, its CPU time and the largest peak of all runs.
repeat() { # command...
  for _ in $(seq "$runs"); do measure "$@"; done |
    sort -n | awk '{wall[NR] = $1; cpu[NR] = $2 + $3; if ($4 > peak) peak = $4}
      END {m = int((NR + 1) / 2); printf "%.2f %.2f %.0f\n", wall[m], cpu[m], peak / 1024}'
}

rows=()
for job in "${jobs[@]}"; do
  case $job in
    photo) source=$photo spec=half width=2820 ;;
    panorama)
      vips replicate "$photo" "$work/tiled.v" 4 5
      vips crop "$work/tiled.v" "$work/panorama.jpg[Q=90]" 0 0 20000 15000
      rm "$work/tiled.v"
      source=$work/panorama.jpg spec=half width=10000 ;;
    vast-png)
      vips replicate "$photo" "$work/tiled.v" 5 8
      vips crop "$work/tiled.v" "$work/vast.png[compression=1]" 0 0 24000 24000
      rm "$work/tiled.v"
      source=$work/vast.png spec=tenth width=2400 ;;
    *) echo "unknown job $job" >&2; exit 2 ;;
  esac
  mkdir -p "$work/out"
  read -r ours_wall ours_cpu ours_peak < <(repeat "$ours" --spec "$work/$spec.json" --jobs 1 --out "$work/out" "$source")
  ours_rss=$(tail -1 "$work/log" | sed 's/.*"peakRSSBytes":\([0-9]*\).*/\1/')
  read -r vips_wall vips_cpu vips_peak < <(repeat vips thumbnail "$source" "$work/out/vips.jpg[Q=80,strip]" "$width")
  rows+=("$(printf '| %s | %s | %.2f | %.2f | %d | %.0f | %.2f | %.2f | %d | %.2f |' "$job" "$(vipsheader "$source" | cut -d' ' -f2)" \
    "$ours_wall" "$ours_cpu" "$ours_peak" "$(awk -v b="$ours_rss" 'BEGIN {print b / 1048576}')" \
    "$vips_wall" "$vips_cpu" "$vips_peak" "$(awk -v a="$ours_wall" -v b="$vips_wall" 'BEGIN {print a / b}')")")
  rm -f "$work"/panorama.jpg "$work"/vast.png
done

echo "| job | source | ours wall s | ours CPU s | ours peak MiB | peakRSSBytes MiB | vips wall s | vips CPU s | vips peak MiB | wall ratio |"
echo "|---|---|---|---|---|---|---|---|---|---|"
printf '%s\n' "${rows[@]}"
