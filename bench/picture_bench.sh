#!/usr/bin/env bash
# ConvertImage against ImageMagick's own command line doing the same job: a
# 3000 x 2000 JPEG photo and a 4000 x 3000 PNG, each scaled to 160 pixels
# on its longer side with the JPEG decoded at a reduced scale, centred on
# black and reduced to the 4-grey palette. ConvertImage runs in one process
# (its first run includes starting the imaging library); the command line
# is a process per picture, as a person would run it. Times in milliseconds.
set -euo pipefail
build_dir=$1
source "$(dirname "$0")/timing.bash"
tool="$build_dir/bench/tools/picture_bench"
cli=/usr/bin/convert
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$tool" make "$work/photo.jpg" 3000 2000
"$tool" make "$work/large.png" 4000 3000
"$cli" -size 4x1 xc:black -fill 'rgb(100,100,100)' -draw 'point 1,0' \
  -fill 'rgb(200,200,200)' -draw 'point 2,0' -fill white -draw 'point 3,0' "$work/palette.png"

command_line() {
  "$cli" -define jpeg:size=160x160 "$1" -thumbnail 160x160 -background black -gravity center \
    -extent 160x160 -colorspace gray -remap "$work/palette.png" "gray:$work/out.gray"
}

printf '%-22s %12s %12s %14s\n' picture "first run" "best run" "command line"
for picture in photo.jpg large.png; do
  read -r first best < <("$tool" time "$work/$picture" 1 6)
  line=$(calc "$(best_of_three command_line "$work/$picture") * 1000")
  printf '%-22s %12s %12s %14s\n' "$picture" "$first" "$best" "$line"
done
