#!/usr/bin/env bash
# A 20-page .doc and a 3-sheet .xls converted by Vellamore through
# LibreOffice, side by side in the same run with `soffice --headless --cat`
# on the same files; median of several runs each, and their ratio.
set -euo pipefail
build_dir=$1
tool=$build_dir/bench/tools/office_convert
runs=${OFFICE_BENCH_RUNS:-5}
if ! command -v soffice >/dev/null || [[ ! -x $tool ]]; then
  echo "office_convert: LibreOffice or the benchmark tool is missing; skipped"
  exit 0
fi
source "$(dirname "$0")/timing.bash"

# Prints the median wall time, in seconds, of $1 runs of the rest.
median_seconds() {
  local count=$1 start end
  shift
  local times=()
  for ((run = 0; run < count; run++)); do
    start=$(seconds); "$@" >/dev/null 2>&1; end=$(seconds)
    times+=("$(calc "$end - $start")")
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{ t[NR] = $1 } END { print t[int((NR + 1) / 2)] }'
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
profile="-env:UserInstallation=file://$work/profile"

# About twenty pages of text, and three sheets of numbers and words.
for ((i = 1; i <= 900; i++)); do
  echo "Paragraph $i of the report, with enough words in it to fill a line or two."
done >"$work/report.txt"
{
  echo '<?xml version="1.0" encoding="UTF-8"?>'
  echo '<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"'
  echo ' xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"'
  echo ' xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.2"'
  echo ' office:mimetype="application/vnd.oasis.opendocument.spreadsheet"><office:body><office:spreadsheet>'
  for sheet in Budget Costs Notes; do
    echo "<table:table table:name=\"$sheet\">"
    for ((row = 1; row <= 60; row++)); do
      echo "<table:table-row><table:table-cell office:value-type=\"string\"><text:p>Item $row</text:p></table:table-cell>"
      echo "<table:table-cell office:value-type=\"float\" office:value=\"$((row * 37))\"/></table:table-row>"
    done
    echo '</table:table>'
  done
  echo '</office:spreadsheet></office:body></office:document>'
} >"$work/book.fods"
soffice "$profile" --headless --convert-to doc --outdir "$work" "$work/report.txt" >/dev/null 2>&1
soffice "$profile" --headless --convert-to xls --outdir "$work" "$work/book.fods" >/dev/null 2>&1

for file in report.doc book.xls; do
  # One run of each first, so that both have their profiles in place.
  "$tool" "$work/$file" >/dev/null
  soffice "$profile" --headless --cat "$work/$file" >/dev/null 2>&1
  ours=$(median_seconds "$runs" "$tool" "$work/$file")
  theirs=$(median_seconds "$runs" soffice "$profile" --headless --cat "$work/$file")
  echo "$file: Vellamore $ours s, soffice --cat $theirs s, ratio $(calc "$ours / $theirs")"
done
