#!/usr/bin/env bash
# Pictures drawn smaller than they are stored, by our conversion and by `vips thumbnail`, one
# at a time, each several times: wall time (the median run), CPU time and peak memory of each,
# and our wall time against vips's.
#
#   bash bench/big-pictures.sh [--ours BIN] [--runs N] [--memory BYTES] [--shrink N] [--only JOB...]
#
# Jobs beside vips thumbnail:
#   photo      an 18-megapixel photo (5640 x 3172) at half size, JPEG at quality 80
#   panorama   20,000 x 15,000, the photo tiled (full of detail, as a camera's is), at 50 %
#   vast-png   a 24,000 x 24,000 PNG of the same tiles, at 10 %
# The large pictures are made with libvips at the start of the run. vips thumbnail is given
# the same width and quality, and strips metadata as our specification does.
#
# Jobs that measure the memory a batch takes beside the bound its conversions are held to, one
# run each, all at once as the window exports (the engine's width), to JPEG at quality 80:
#   mix               three panoramas (a 20,000 x 15,000 JPEG, a 24,000 x 24,000 PNG and a
#                     16,000 x 12,000 tiled TIFF) and 20 photos, at their own size
#   png-40k           a 40,000 x 40,000 PNG at its own size
#   progressive       a 30,000 x 20,000 progressive JPEG at its own size, and at 2,048 px
#   progressive-pair  two of them at once, at their own size
#   png-default       four 12,000 x 12,000 PNGs under the built-in default (same format,
#                     original size, lossless, metadata stripped): each is rewritten, not decoded
#   refusals          eight 12,000 x 12,000 PNGs under the default, refused when the bound is
#                     smaller than one rewrite or decode; and eight copies of a 40,000 x
#                     40,000 PNG to WebP, which holds at most 16,383 pixels a side, refused
#                     from the header (also with --shrink 2)
# Each row gives the bound (the machine's, or --memory's), the most the conversions were
# counted at (mostHeldBytes), and the peak the process took (time's maximum resident size).
# --shrink divides the sides of every large picture, for a build whose peak would be more than
# the machine can spare. The memory jobs run only when named with --only.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
ours=$here/build/bin/pictavo-bench
runs=5
memory=()
shrink=1
jobs=(photo panorama vast-png)
while [ $# -gt 0 ]; do
  case "$1" in
    --ours) ours=$(realpath "$2"); shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --memory) memory=(--memory "$2"); shift 2 ;;
    --shrink) shrink=$2; shift 2 ;;
    --only) shift; jobs=(); while [ $# -gt 0 ] && [[ $1 != --* ]]; do jobs+=("$1"); shift; done ;;
    *) echo "usage: $0 [--ours BIN] [--runs N] [--memory BYTES] [--shrink N] [--only JOB...]" >&2; exit 2 ;;
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
spec whole '{"original":{}}'
# The built-in default; another format's file, as the jobs above are written.
sed -e 's/"public.jpeg"/"com.brackwen.pictavobyfenwid.same-as-source"/' \
  -e 's/{"quality":{"_0":80}}/{"lossless":{}}/' "$work/whole.json" >"$work/default.json"
sed -e 's/"public.jpeg"/"org.webmproject.webp"/' "$work/whole.json" >"$work/webp.json"
spec edge2048 '{"longestEdge":{"_0":2048}}'

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

# A picture of the photo's tiles, `width` x `height` divided by --shrink, saved as `target`.
tiles() { # width height target
  local width=$(($1 / shrink)) height=$(($2 / shrink))
  vips replicate "$photo" "$work/tiled.v" $((width / 5640 + 1)) $((height / 3172 + 1))
  vips crop "$work/tiled.v" "$3" 0 0 "$width" "$height"
  rm "$work/tiled.v"
}

# One batch converted at the engine's width: the bound, the most counted, the peak, and how
# many were refused.
memoryRow() { # job spec files...
  local job=$1 spec=$2
  shift 2
  mkdir -p "$work/out"
  /usr/bin/time -f '%e %M' -o "$work/times" "$ours" --spec "$work/$spec.json" "${memory[@]}" --out "$work/out" "$@" \
    >"$work/log" 2>&1 || true
  local summary wall peak
  summary=$(tail -1 "$work/log")
  # time puts a line of its own before its figures when the command failed.
  read -r wall peak < <(tail -1 "$work/times")
  # A field of the summary, or a dash when this build does not give it.
  field() { sed -n "s/.*\"$1\":\([0-9.]*\).*/\1/p" <<<"$summary" | grep . || echo -; }
  mebibytes() { awk -v b="$(field "$1")" 'BEGIN {if (b == "-") print "-"; else printf "%d", b / 1048576}'; }
  printf '| %s | %s | %s | %s | %d | %s of %s | %.1f |\n' "$job" "$spec" "$(mebibytes memoryBoundBytes)" \
    "$(mebibytes mostHeldBytes)" "$((peak / 1024))" "$(field failed)" "$(field conversions)" "$wall"
  grep -v '^{' "$work/log" | sed 's/^/    /' >&2 || true
  rm -rf "$work/out"
}

memoryRows=()
rows=()
for job in "${jobs[@]}"; do
  case $job in
    mix)
      tiles 20000 15000 "$work/panorama.jpg[Q=90]"
      tiles 24000 24000 "$work/vast.png[compression=1]"
      tiles 16000 12000 "$work/tiled.tif[tile,compression=deflate]"
      mkdir -p "$work/photos"
      for n in $(seq 20); do cp "$photo" "$work/photos/photo-$n.jpg"; done
      memoryRows+=("$(memoryRow mix whole "$work/panorama.jpg" "$work/vast.png" "$work/tiled.tif" "$work/photos")")
      rm -rf "$work/panorama.jpg" "$work/vast.png" "$work/tiled.tif" "$work/photos"
      continue ;;
    png-40k)
      tiles 40000 40000 "$work/vast40k.png[compression=1]"
      memoryRows+=("$(memoryRow png-40k whole "$work/vast40k.png")")
      rm -f "$work/vast40k.png"
      continue ;;
    png-default | refusals)
      tiles 12000 12000 "$work/square.png"
      mkdir -p "$work/squares"
      copies=4
      [ "$job" = refusals ] && copies=8
      for n in $(seq "$copies"); do ln "$work/square.png" "$work/squares/square-$n.png"; done
      memoryRows+=("$(memoryRow "$job" default "$work/squares")")
      rm -rf "$work/square.png" "$work/squares"
      if [ "$job" = refusals ]; then
        tiles 40000 40000 "$work/vast40k.png[compression=1]"
        mkdir -p "$work/wide"
        for n in $(seq 8); do ln "$work/vast40k.png" "$work/wide/vast-$n.png"; done
        memoryRows+=("$(memoryRow refusals webp "$work/wide")")
        rm -rf "$work/vast40k.png" "$work/wide"
      fi
      continue ;;
    progressive | progressive-pair)
      tiles 30000 20000 "$work/progressive.jpg[Q=90,interlace]"
      if [ "$job" = progressive ]; then
        memoryRows+=("$(memoryRow progressive whole "$work/progressive.jpg")")
        memoryRows+=("$(memoryRow progressive edge2048 "$work/progressive.jpg")")
      else
        cp "$work/progressive.jpg" "$work/progressive-2.jpg"
        memoryRows+=("$(memoryRow progressive-pair whole "$work/progressive.jpg" "$work/progressive-2.jpg")")
      fi
      rm -f "$work"/progressive*.jpg
      continue ;;
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

if [ ${#memoryRows[@]} -gt 0 ]; then
  echo "Large pictures' sides divided by $shrink."
  echo "| job | sizing | bound MiB | counted MiB | peak MiB | refused | wall s |"
  echo "|---|---|---|---|---|---|---|"
  printf '%s\n' "${memoryRows[@]}"
fi
[ ${#rows[@]} -gt 0 ] || exit 0
echo "| job | source | ours wall s | ours CPU s | ours peak MiB | peakRSSBytes MiB | vips wall s | vips CPU s | vips peak MiB | wall ratio |"
echo "|---|---|---|---|---|---|---|---|---|---|"
printf '%s\n' "${rows[@]}"
