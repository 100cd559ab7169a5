#!/usr/bin/env bash
# Runs the engine and the tools people would pick instead side by side on the same real
# pictures from Debian packages, six at a time each, and prints one table: wall time, CPU
# time and output bytes of each job, and each job's ratios against its peer.
#
#   bash bench/compare-with-peers.sh [--ours BIN] [--batch BIN] [--keep DIR] [--only JOB...]
#
#   --ours BIN    the pictavo-bench to measure (default: build/bin/pictavo-bench)
#   --batch BIN   the pictavo-batch-bench for the estimate row (default: beside --ours)
#   --keep DIR    keep every output under DIR/<job>/<tool>/, to compare two builds byte for byte
#   --only JOB    run only these jobs: jpeg, webp, resize, png, single, estimate
#
# Jobs:
#   jpeg      lossless JPEG re-optimisation, metadata kept   / jpegtran -copy all -optimize -progressive
#   webp      JPEG to WebP at quality 80                      / cwebp -q 80
#   resize    half size, JPEG at quality 80                   / vips resize 0.5, Q=80
#   png       lossless PNG re-optimisation, metadata kept     / optipng -o2
#   single    the 5640 x 3172 photo alone, to WebP and resized / cwebp, vips
#   estimate  the batch store's estimate pass (preview effort) against its export pass
#
# The pictures come from packages installed here (missing ones are installed as root):
# photos (JPEG, 200 KiB and more) and PNG wallpapers (50 KiB to 5 MiB) under
# /usr/share/backgrounds and /usr/share/wallpapers. Each tool runs alone; the machine
# should be otherwise idle for the wall times to mean anything.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
ours=$here/build/bin/pictavo-bench
batch=
keep=
jobs=(jpeg webp resize png single estimate)
while [ $# -gt 0 ]; do
  case "$1" in
    --ours) ours=$(realpath "$2"); shift 2 ;;
    --batch) batch=$(realpath "$2"); shift 2 ;;
    --keep) keep=$(realpath -m "$2"); shift 2 ;;
    --only) shift; jobs=(); while [ $# -gt 0 ] && [[ $1 != --* ]]; do jobs+=("$1"); shift; done ;;
    *) echo "usage: $0 [--ours BIN] [--batch BIN] [--keep DIR] [--only JOB...]" >&2; exit 2 ;;
  esac
done
batch=${batch:-$(dirname "$ours")/pictavo-batch-bench}
[ -x "$ours" ] || { echo "no pictavo-bench at $ours: build it first (bash tools/run builds build/)" >&2; exit 2; }

# What the corpus and the peers come from; nothing here is made by us.
packages=(mate-backgrounds plasma-workspace-wallpapers ukui-wallpapers lomiri-wallpapers-16.04
          lomiri-wallpapers-20.04 libjpeg-turbo-progs webp libvips-tools optipng time)
source "$here/bench/install-missing.sh"
install_missing "${packages[@]}"

parallel=6
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
corpus=$work/corpus
mkdir -p "$corpus/jpeg" "$corpus/png"
# Many wallpapers share a file name (2560x1600.jpg): each link is named by its whole path.
link_corpus() { # kind find-arguments...
  local kind=$1; shift
  find /usr/share/backgrounds /usr/share/wallpapers -type f "$@" -print0 2>/dev/null | sort -z |
    while IFS= read -r -d '' file; do
      local name=${file#/usr/share/}
      ln -s "$file" "$corpus/$kind/${name//\//_}"
    done
}
link_corpus jpeg -iname '*.jpg' -size +200k
link_corpus png -iname '*.png' -size +50k -size -5M
single=/usr/share/backgrounds/mate/abstract/Elephants_5640x3172.jpg

spec() { # name format sizing quality metadata
  printf '{"format":"%s","sizing":%s,"quality":%s,"metadata":"%s","colour":"preserve",' "$2" "$3" "$4" "$5" \
    >"$work/$1.json"
  printf '"matte":{"red":1.0,"green":1.0,"blue":1.0},"adjustments":{"reorientation":{"quarterTurns":0,' \
    >>"$work/$1.json"
  printf '"mirrored":false},"greyscale":false},"namePattern":"{name}.{format}"}' >>"$work/$1.json"
}
spec jpeg public.jpeg '{"original":{}}' '{"lossless":{}}' keepAll
spec webp org.webmproject.webp '{"original":{}}' '{"quality":{"_0":80}}' strip
spec resize public.jpeg '{"scale":{"_0":0.5}}' '{"quality":{"_0":80}}' strip
spec png public.png '{"original":{}}' '{"lossless":{}}' keepAll

outputs() { # job tool
  local dir=${keep:-$work/out}/$1/$2
  rm -rf "$dir"
  mkdir -p "$dir"
  echo "$dir"
}

# One measured run: wall and CPU seconds of the command and every process it waits for.
measure() { # label command...
  local times=$work/times
  /usr/bin/time -f '%e %U %S' -o "$times" "${@:2}" >"$work/log" 2>&1 || {
    echo "$1 failed:" >&2
    tail -5 "$work/log" >&2
  }
  read -r wall user system <"$times"
  cpu=$(awk -v u="$user" -v s="$system" 'BEGIN {print u + s}')
}

bytes_in() { find "$1" -type f -printf '%s\n' | awk '{s += $1} END {print s + 0}'; }

rows=()
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {print (b > 0 ? a / b : 0)}'; }
row() { # job files ours-wall ours-cpu ours-bytes peer peer-wall peer-cpu peer-bytes
  rows+=("$(printf '| %s | %s | %.2f | %.2f | %s | %s | %.2f | %.2f | %s | %.4f | %.2f | %.2f |' \
    "$1" "$2" "$3" "$4" "$5" "$6" "$7" "$8" "$9" \
    "$(ratio "$5" "$9")" "$(ratio "$4" "$8")" "$(ratio "$3" "$7")")")
}

# Ours on a folder, `parallel` at a time through the engine.
run_ours() { # job spec folder-or-file
  local out
  out=$(outputs "$1" ours)
  measure "ours $1" "$ours" --spec "$work/$2.json" --jobs "$parallel" --out "$out" "$3"
  ours_wall=$wall ours_cpu=$cpu ours_bytes=$(bytes_in "$out")
}

# A peer over every file of a folder, `parallel` at a time; {} is the input, {out} its output.
run_peer() { # job tool extension folder command-template
  local out
  out=$(outputs "$1" "$2")
  cat >"$work/peer.sh" <<EOF
in=\$1
out=$out/\$(basename "\${in%.*}").$3
$5
EOF
  measure "$2" sh -c "find -L '$4' -type f -print0 | xargs -0 -n 1 -P $parallel sh '$work/peer.sh'"
  peer_wall=$wall peer_cpu=$cpu peer_bytes=$(bytes_in "$out")
}

count() { find -L "$1" -type f | wc -l; }

for job in "${jobs[@]}"; do
  case $job in
    jpeg)
      run_ours jpeg jpeg "$corpus/jpeg"
      run_peer jpeg jpegtran jpg "$corpus/jpeg" 'jpegtran -copy all -optimize -progressive -outfile "$out" "$in"'
      row "lossless JPEG" "$(count "$corpus/jpeg")" "$ours_wall" "$ours_cpu" "$ours_bytes" jpegtran \
        "$peer_wall" "$peer_cpu" "$peer_bytes" ;;
    webp)
      run_ours webp webp "$corpus/jpeg"
      run_peer webp cwebp webp "$corpus/jpeg" 'cwebp -quiet -q 80 "$in" -o "$out"'
      row "JPEG to WebP q80" "$(count "$corpus/jpeg")" "$ours_wall" "$ours_cpu" "$ours_bytes" cwebp \
        "$peer_wall" "$peer_cpu" "$peer_bytes" ;;
    resize)
      run_ours resize resize "$corpus/jpeg"
      run_peer resize vips jpg "$corpus/jpeg" 'vips resize "$in" "$out[Q=80]" 0.5'
      row "half size, JPEG q80" "$(count "$corpus/jpeg")" "$ours_wall" "$ours_cpu" "$ours_bytes" vips \
        "$peer_wall" "$peer_cpu" "$peer_bytes" ;;
    png)
      run_ours png png "$corpus/png"
      run_peer png optipng png "$corpus/png" 'optipng -quiet -o2 -out "$out" "$in"'
      row "lossless PNG" "$(count "$corpus/png")" "$ours_wall" "$ours_cpu" "$ours_bytes" optipng \
        "$peer_wall" "$peer_cpu" "$peer_bytes" ;;
    single)
      mkdir -p "$work/single"
      ln -sf "$single" "$work/single/"
      run_ours single-webp webp "$work/single"
      run_peer single-webp cwebp webp "$work/single" 'cwebp -quiet -q 80 "$in" -o "$out"'
      row "5640 x 3172 to WebP" 1 "$ours_wall" "$ours_cpu" "$ours_bytes" cwebp \
        "$peer_wall" "$peer_cpu" "$peer_bytes"
      run_ours single-resize resize "$work/single"
      run_peer single-resize vips jpg "$work/single" 'vips resize "$in" "$out[Q=80]" 0.5'
      row "5640 x 3172 half, JPEG" 1 "$ours_wall" "$ours_cpu" "$ours_bytes" vips \
        "$peer_wall" "$peer_cpu" "$peer_bytes" ;;
    estimate)
      [ -x "$batch" ] || { echo "no pictavo-batch-bench at $batch: the estimate row is left out" >&2; continue; }
      out=$(outputs estimate export)
      # Admission walks no symbolic links in folders, so the store is given the files.
      measure "estimate" "$batch" --spec "$work/webp.json" --jobs "$parallel" --estimate "$corpus"/jpeg/*
      estimate_wall=$wall estimate_cpu=$cpu
      estimate_bytes=$(tail -1 "$work/log" | sed 's/.*"outputBytes":\([0-9]*\).*/\1/')
      measure "export" "$batch" --spec "$work/webp.json" --jobs "$parallel" --out "$out" "$corpus"/jpeg/*
      row "estimates (WebP q80)" "$(count "$corpus/jpeg")" "$estimate_wall" "$estimate_cpu" "$estimate_bytes" \
        "our export" "$wall" "$cpu" "$(bytes_in "$out")" ;;
    *) echo "unknown job $job" >&2; exit 2 ;;
  esac
done

echo "| job | files | ours wall s | ours CPU s | ours bytes | peer | peer wall s | peer CPU s | peer bytes | bytes ratio | CPU ratio | wall ratio |"
echo "|---|---|---|---|---|---|---|---|---|---|---|---|"
printf '%s\n' "${rows[@]}"
