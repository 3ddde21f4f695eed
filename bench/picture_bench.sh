#!/usr/bin/env bash
# ConvertImage against ImageMagick's own command line doing the same job: a
# 3000 x 2000 JPEG photo and a 4000 x 3000 PNG, each scaled to 160 pixels
# on its longer side with the JPEG decoded at a reduced scale, centred on
# black and reduced to the 4-grey palette. ConvertImage runs in one process
# (its first run includes starting the imaging library); the command line
# is a process per picture, as a person would run it. Times in milliseconds.
#
# Then the largest pictures the conduit accepts, each converted once in a
# process of its own: the time and the process's peak resident memory. The
# 4096 x 3072 pictures are decoded whole: a grey PNG, whose decoder holds
# the most per pixel, and a TIFF stored sideways, turned upright at full
# size. The 13,400 x 10,000 baseline JPEG photo, drawn by Ghostscript,
# decodes at 1/8 of its size.
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

"$cli" -size 4096x3072 plasma:fractal -colorspace gray -depth 8 "$work/grey_4096x3072.png"
"$cli" -size 4096x3072 plasma:fractal -depth 8 -orient RightTop \
  "$work/sideways_4096x3072.tif"
cat >"$work/photo.ps" <<'EOF'
%!PS
17 srand
/random { rand 1000 mod 1000 div } def
4000 { random random random setrgbcolor
       random 1000 mul random 750 mul random 80 mul 5 add random 80 mul 5 add rectfill } repeat
showpage
EOF
gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=jpeg -dJPEGQ=90 -g13400x10000 -r964.8 \
  -sOutputFile="$work/baseline_13400x10000.jpg" "$work/photo.ps"

echo
printf '%-26s %12s %16s\n' "largest accepted" "time" "peak memory KiB"
for picture in grey_4096x3072.png sideways_4096x3072.tif baseline_13400x10000.jpg; do
  read -r ms peak < <("$tool" peak "$work/$picture" 1)
  printf '%-26s %12s %16s\n' "$picture" "$ms" "$peak"
done
