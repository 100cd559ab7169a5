#!/usr/bin/env bash
# Measures the vector sources on real files from Debian packages (icon themes and the SVGs
# other packages ship), each beside the tool a user would otherwise reach for:
#  1. the SVG metadata cut (SVG kept as SVG, metadata stripped) beside scour with its
#     defaults: bytes saved, time, and files that look different afterwards;
#  2. a 12-page PDF drawn to PNG at 2000 pixels on the long edge, every page, beside
#     pdftoppm -png -scale-to 2000.
# Installs what bench/debian-packages.txt lists, and needs a build with the bench tools (BUILD,
# by default build/).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
mapfile -t wanted < <(grep -vE '^\s*(#|$)' "$top/bench/debian-packages.txt")
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${wanted[@]}" >/dev/null
build=${BUILD:-$top/build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Every n-th file of each collection, so that no one theme dominates; names carry their path.
# The SVGs other packages ship (Inkscape's tutorials and the like) are all taken.
collect() { # folder step
  find "$1" -type f -name '*.svg' | sort | awk -v step="$2" 'NR % step == 0' |
    while read -r file; do cp "$file" "$work/svg/$(echo "${file#/usr/share/}" | tr '/' '_')"; done
}
mkdir -p "$work/svg"
collect /usr/share/icons/Adwaita 1
collect /usr/share/icons/breeze 4
collect /usr/share/icons/Tango 1
find /usr/share -type f -name '*.svg' -not -path '/usr/share/icons/*' | sort |
  while read -r file; do cp "$file" "$work/svg/$(echo "${file#/usr/share/}" | tr '/' '_')"; done
echo "SVG files: $(ls "$work/svg" | wc -l), $(du -sb "$work/svg" | cut -f1) bytes"

cat > "$work/strip.json" <<'JSON'
{"format":"public.svg-image","sizing":{"original":{}},"quality":{"lossless":{}},"metadata":"strip",
 "colour":"preserve","matte":{"red":1.0,"green":1.0,"blue":1.0},
 "adjustments":{"reorientation":{"quarterTurns":0,"mirrored":false},"greyscale":false},"namePattern":"{name}"}
JSON
echo "pictavo, one job:"
"$build/bin/pictavo-bench" --spec "$work/strip.json" --jobs 1 --out "$work/pictavo" "$work/svg" | tail -n 1 || true
echo "pictavo, the engine's width:"
"$build/bin/pictavo-bench" --spec "$work/strip.json" "$work/svg" | tail -n 1 || true
echo "scour, one process:"
/usr/bin/python3 "$top/bench/scour-in-process.py" "$work/svg" "$work/scour" | tail -n 1

# Bytes saved over the whole collection: a file a tool did not rewrite keeps its size.
saved() {
  /usr/bin/python3 - "$work/svg" "$1" <<'PY'
import os, sys
src, out = sys.argv[1], sys.argv[2]
total = kept = changed = 0
for name in os.listdir(src):
    before = os.path.getsize(os.path.join(src, name))
    target = os.path.join(out, name)
    after = os.path.getsize(target) if os.path.exists(target) else before
    total += before; kept += after; changed += after != before
print(f"{os.path.basename(out)}: {total - kept} of {total} bytes saved ({100 * (total - kept) / total:.2f} %), {changed} files smaller")
PY
}
saved "$work/pictavo"
saved "$work/scour"
"$build/bin/pictavo-svg-compare" "$work/svg" "$work/pictavo" "$work/scour"

# Twelve pages of a real manual.
qpdf --empty --pages /usr/share/doc/libtasn1-doc/libtasn1.pdf 1-12 -- "$work/manual.pdf"
cat > "$work/png.json" <<'JSON'
{"format":"public.png","sizing":{"longestEdge":{"_0":2000}},"quality":{"lossless":{}},"metadata":"keepAll",
 "colour":"preserve","matte":{"red":1.0,"green":1.0,"blue":1.0},
 "adjustments":{"reorientation":{"quarterTurns":0,"mirrored":false},"greyscale":false},"namePattern":"{name}"}
JSON
mkdir -p "$work/pdftoppm"
echo "pdftoppm -png -scale-to 2000, 12 pages:"
start=$(date +%s.%N)
pdftoppm -png -scale-to 2000 "$work/manual.pdf" "$work/pdftoppm/page"
echo "{\"seconds\": $(echo "$(date +%s.%N) - $start" | bc), \"outputBytes\": $(du -sb "$work/pdftoppm" | cut -f1)}"
echo "pictavo, 12 pages, one job:"
"$build/bin/pictavo-bench" --spec "$work/png.json" --every-page --jobs 1 --out "$work/pages1" "$work/manual.pdf" | tail -n 1
echo "pictavo, 12 pages, as many jobs as the engine runs:"
"$build/bin/pictavo-bench" --spec "$work/png.json" --every-page --out "$work/pages" "$work/manual.pdf" | tail -n 1
# The drawing alone, without the final PNG compression that makes the files half the size.
echo "pictavo, 12 pages, one job, preview effort:"
"$build/bin/pictavo-bench" --spec "$work/png.json" --every-page --jobs 1 --effort preview "$work/manual.pdf" | tail -n 1
