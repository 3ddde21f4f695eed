#!/usr/bin/env bash
# The text test against grep: both look through the same generated tree of
# 2,000 text files (about 200 MB, already in the page cache) for a text that
# one file in ten holds shortly before its end. Usage: text_search.sh BUILD_DIR
set -euo pipefail
tool="$1/bench/tools/search_bench"
[[ -x "$tool" ]] || { echo "text_search.sh: $tool is not built" >&2; exit 1; }
data=$(mktemp -d /tmp/vlm-bench-text-XXXXXX)
trap 'rm -rf "$data"' EXIT
text="Annual Budget Review"

"$tool" generate-text "$data" 2000 102400 10 "$text"
du -sh "$data" | awk '{print "tree: " $1 " in 2000 files"}'
cat "$data"/*/* >/dev/null  # into the page cache

source "$(dirname "$0")/timing.bash"

ours_found=$("$tool" text "$data" "$text" | head -1)
grep_found=$(grep -F -i -l -r "$text" "$data" | wc -l)
ours=$(best_of_three "$tool" text "$data" "$text")
grep_utf8=$(best_of_three grep -F -i -l -r "$text" "$data")
grep_c=$(best_of_three env LC_ALL=C grep -F -i -l -r "$text" "$data")
echo "files found: text test $ours_found, grep $grep_found"
echo "text test:            ${ours} s"
echo "grep -F -i -l -r:     ${grep_utf8} s (locale ${LC_ALL:-${LANG:-C}})"
echo "LC_ALL=C grep:        ${grep_c} s"
echo "ratio text test/grep: $(calc "$ours / $grep_utf8") (C locale: $(calc "$ours / $grep_c"))"
