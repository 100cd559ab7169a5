#!/usr/bin/env bash
# Measures the peak memory of one conversion of a picture as large as the pixel budget admits
# (14000 x 14000, 196 megapixels) against the 2.5 GiB the width rule reserves for each
# conversion, and whether it succeeds.
#
#   bash bench/large-picture-memory.sh [--ours BIN] [--only JOB...]
#
# Jobs: png-png (a PNG with alpha re-optimised), jpeg-png, jpeg-webp (quality 80). The
# pictures are derived with libvips from pictures of Debian's wallpaper packages: a large photo
# tiled (full of detail, as a camera's is), and a PNG wallpaper with transparency enlarged.
# Each conversion runs alone; on an idle 8-core machine the whole run takes about ten minutes.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
ours=$here/build/bin/pictavo-bench
jobs=(png-png jpeg-png jpeg-webp)
while [ $# -gt 0 ]; do
  case "$1" in
    --ours) ours=$(realpath "$2"); shift 2 ;;
    --only) shift; jobs=(); while [ $# -gt 0 ] && [[ $1 != --* ]]; do jobs+=("$1"); shift; done ;;
    *) echo "usage: $0 [--ours BIN] [--only JOB...]" >&2; exit 2 ;;
  esac
done
[ -x "$ours" ] || { echo "no pictavo-bench at $ours" >&2; exit 2; }

source "$here/bench/install-missing.sh"
install_missing mate-backgrounds ukui-wallpapers libvips-tools time

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
photo=/usr/share/backgrounds/mate/abstract/Elephants_5640x3172.jpg
wallpaper=/usr/share/backgrounds/calla.png
vips replicate "$photo" "$work/tiled.v" 3 5
vips crop "$work/tiled.v" "$work/photo.jpg[Q=92]" 0 0 14000 14000
rm "$work/tiled.v"
vips resize "$wallpaper" "$work/enlarged.v" "$(awk 'BEGIN {print 14000 / 3700}')" \
  --vscale "$(awk 'BEGIN {print 14000 / 2400}')"
vips crop "$work/enlarged.v" "$work/wallpaper.png[compression=3]" 0 0 14000 14000
rm "$work/enlarged.v"

spec() { # name format quality
  printf '{"format":"%s","sizing":{"original":{}},"quality":%s,"metadata":"strip","colour":"preserve",' "$2" "$3" \
    >"$work/$1.json"
  printf '"matte":{"red":1.0,"green":1.0,"blue":1.0},"adjustments":{"reorientation":{"quarterTurns":0,' \
    >>"$work/$1.json"
  printf '"mirrored":false},"greyscale":false},"namePattern":"{name}.{format}"}' >>"$work/$1.json"
}
spec png public.png '{"lossless":{}}'
spec webp org.webmproject.webp '{"quality":{"_0":80}}'

share=$((2560 * 1024 * 1024))
echo "| job | result | peak MiB | share of 2.5 GiB | CPU s | wall s |"
echo "|---|---|---|---|---|---|"
for job in "${jobs[@]}"; do
  case $job in
    png-png) source=$work/wallpaper.png spec=png ;;
    jpeg-png) source=$work/photo.jpg spec=png ;;
    jpeg-webp) source=$work/photo.jpg spec=webp ;;
    *) echo "unknown job $job" >&2; exit 2 ;;
  esac
  rm -rf "$work/out"
  result=converted
  /usr/bin/time -f '%M %U %S %e' -o "$work/times" "$ours" --spec "$work/$spec.json" --jobs 1 --out "$work/out" \
    "$source" >"$work/log" 2>&1 || result="failed: $(head -1 "$work/log")"
  read -r kilobytes user system wall <"$work/times"
  awk -v job="$job" -v result="$result" -v k="$kilobytes" -v u="$user" -v s="$system" -v w="$wall" -v share="$share" \
    'BEGIN {printf "| %s | %s | %.0f | %.2f | %.1f | %.1f |\n", job, result, k / 1024, k * 1024 / share, u + s, w}'
done
