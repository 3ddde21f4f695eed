#!/usr/bin/env bash
# Ten office documents (five .doc, three .xls, two .docx) listed "Always"
# and sent in one HotSync, then the next HotSync of the same unchanged
# files, each against one `soffice --headless --cat` of one of them in the
# same run (ratios: goals 2.5 and 0.1). Beside them a warm LibreOffice
# listener (unoconv --listener) converting the same ten files, when the
# unoconv package is installed or can be. Then a 3000 x 2000 JPEG through
# ConvertImage beside libjpeg-turbo's own reduced decode (djpeg -scale 1/8).
# Usage: office_listed.sh BUILD_DIR
set -euo pipefail
build_dir=$1
bin=$build_dir/bin
if ! command -v soffice >/dev/null || [[ ! -x $bin/hotsync || ! -x $bin/vlmoffice ]]; then
  echo "office_listed: LibreOffice or the HotSync programs are missing; skipped"
  exit 0
fi
here=$(dirname "$0")
source "$here/timing.bash"
source "$here/hotsync_world.bash"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Installs the Debian package $1 for command $2 unless it is there; quiet.
have_or_install() {
  command -v "$2" >/dev/null && return 0
  { apt-get install -y -qq "$1" || { apt-get update -qq && apt-get install -y -qq "$1"; }; } \
    >/dev/null 2>&1 || true
  command -v "$2" >/dev/null
}

# The median of three wall times, in seconds, of "$@".
median_of_three() {
  local times=() start end
  for _ in 1 2 3; do
    start=$(seconds); "$@" >/dev/null 2>&1; end=$(seconds)
    times+=("$(calc "$end - $start")")
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n 2p
}

make_hotsync_world "$work"
export XDG_CACHE_HOME="$work/cache"
profile="-env:UserInstallation=file://$work/profile"
for ((i = 1; i <= 200; i++)); do echo "Paragraph $i of the report, long enough to fill a line."; done \
  >"$work/report.txt"
for ((i = 1; i <= 100; i++)); do echo "Item $i,$((i * 37)),note $i"; done >"$work/book.csv"
soffice "$profile" --headless --convert-to doc --outdir "$work" "$work/report.txt" >/dev/null 2>&1
soffice "$profile" --headless --convert-to docx --outdir "$work" "$work/report.txt" >/dev/null 2>&1
soffice "$profile" --headless --convert-to xls --outdir "$work" "$work/book.csv" >/dev/null 2>&1
files=()
for name in d1.doc d2.doc d3.doc d4.doc d5.doc x1.xls x2.xls x3.xls w1.docx w2.docx; do
  case $name in *.docx) source=report.docx ;; *.doc) source=report.doc ;; *) source=book.xls ;; esac
  cp "$work/$source" "$work/pc/$name"
  "$bin/vlmlist" add "$work/pc/$name" --user Ada --action always >/dev/null
  files+=("$work/pc/$name")
done

cat_one=$(median_of_three soffice "$profile" --headless --cat "$work/pc/d1.doc")
hotsync_once() { "$bin/hotsync" sync "$work/image" >"$work/out" 2>&1; }
start=$(seconds); hotsync_once; end=$(seconds)
first=$(calc "$end - $start")
converted=$(grep -c "Converting" "$work/out" || true)
start=$(seconds); hotsync_once; end=$(seconds)
second=$(calc "$end - $start")
rm -rf "$XDG_CACHE_HOME"
# The same HotSync with nothing listed: what a HotSync costs without
# conversions, to set apart the conversions' own time.
mv "$work/data/Vellamore.dat" "$work/Vellamore.dat.kept"
bare=$(median_of_three hotsync_once)
mv "$work/Vellamore.dat.kept" "$work/data/Vellamore.dat"

printf '%-44s %9s %7s\n' "" seconds "x --cat"
printf '%-44s %9s %7s\n' "soffice --headless --cat of one .doc" "$cat_one" 1
printf '%-44s %9s %7s\n' "first HotSync, $converted conversions" "$first" "$(calc "$first / $cat_one")"
printf '%-44s %9s %7s\n' "next HotSync, unchanged files" "$second" "$(calc "$second / $cat_one")"
printf '%-44s %9s\n' "  of which conversions (less a bare HotSync)" "$(calc "$second - $bare")"
if have_or_install unoconv unoconv; then
  # In a process group of its own, ended as a whole by its number.
  setsid unoconv --listener >/dev/null 2>&1 &
  listener=$!
  sleep 5
  unoconv -f txt -o "$work/listener" "${files[0]}" >/dev/null 2>&1 || true  # warm it
  start=$(seconds)
  for file in "${files[@]}"; do unoconv -f txt -o "$work/listener" "$file" >/dev/null 2>&1 || true; done
  end=$(seconds)
  kill -- -"$listener" 2>/dev/null || true
  wait "$listener" 2>/dev/null || true
  printf '%-44s %9s %7s\n' "warm listener (unoconv), same ten files" "$(calc "$end - $start")" \
    "$(calc "($end - $start) / $cat_one")"
else
  echo "warm listener: the unoconv package could not be installed; not measured"
fi

if have_or_install libjpeg-turbo-progs djpeg && [[ -x $build_dir/bench/tools/picture_bench ]]; then
  tool=$build_dir/bench/tools/picture_bench
  "$tool" make "$work/photo.jpg" 3000 2000
  read -r _ ours < <("$tool" time "$work/photo.jpg" 1 6)
  theirs=$(calc "$(best_of_three djpeg -scale 1/8 -outfile /dev/null "$work/photo.jpg") * 1000")
  printf '%-44s %9s ms, djpeg -scale 1/8 %s ms, ratio %s\n' "3000 x 2000 JPEG, best of five" "$ours" \
    "$theirs" "$(calc "$ours / $theirs")"
else
  echo "picture against djpeg: djpeg or the picture tool is missing; not measured"
fi
