#!/usr/bin/env bash
# Prints the tables behind the lossy settings in ImageEngine/Encoding/README.md: eleven
# photographs from Debian packages written through the platform writer at HEVC and AV1
# qualities and JPEG 2000 targets, then at our JPEG 2000 qualities beside our JPEG at 80.
# The AV1 and HEVC rows take a quarter of an hour on four processors.
# Installs what bench/debian-packages.txt lists, and needs a build with the bench tools (BUILD,
# by default build/).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
mapfile -t wanted < <(grep -vE '^\s*(#|$)' "$top/bench/debian-packages.txt")
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${wanted[@]}" >/dev/null
table=${BUILD:-$top/build}/bin/pictavo-codec-table

skimage=/usr/lib/python3/dist-packages/skimage/data
mate=/usr/share/backgrounds/mate/nature
photos=("$skimage"/{astronaut,chelsea,coffee,motorcycle_left}.png "$skimage"/rocket.jpg
        "$mate"/{Garden,LadyBird,Storm,Wood,Dune,YellowFlower}.jpg)

echo "HEVC, colour at full resolution"
"$table" heic 50,55,60,65,70,75,80,85,90 "${photos[@]}"
echo "AV1, colour at full resolution"
"$table" avif 60,70,75,80,85,90 "${photos[@]}"
echo "JPEG 2000, target PSNR"
"$table" jp2 40,42,44,45,46,47,48,50 "${photos[@]}"
echo "JPEG 2000 at our qualities"
"$table" jp2-quality 10,20,30,40,50,60,70,80,90,100 "${photos[@]}"
