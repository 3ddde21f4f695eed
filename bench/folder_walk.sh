#!/usr/bin/env bash
# The folder walk against find: both list the *.txt files of a generated tree
# of 100,000 empty files in 1,000 folders. Usage: folder_walk.sh BUILD_DIR
set -euo pipefail
tool="$1/bench/tools/search_bench"
[[ -x "$tool" ]] || { echo "folder_walk.sh: $tool is not built" >&2; exit 1; }
data=$(mktemp -d /tmp/vlm-bench-walk-XXXXXX)
trap 'rm -rf "$data"' EXIT

"$tool" generate-tree "$data" 100000
find "$data" >/dev/null  # the folders into the cache

source "$(dirname "$0")/timing.bash"

ours_found=$("$tool" walk "$data" "*.TXT" | head -1)
find_found=$(find "$data" -type f -iname "*.TXT" | wc -l)
ours=$(best_of_three "$tool" walk "$data" "*.TXT")
theirs=$(best_of_three find "$data" -type f -iname "*.TXT")
echo "files found: walk $ours_found, find $find_found (of 100000)"
echo "folder walk:        ${ours} s"
echo "find -iname:        ${theirs} s"
echo "ratio walk/find:    $(calc "$ours / $theirs")"
