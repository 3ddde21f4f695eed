#!/usr/bin/env bash
# HotSyncs that send 100, 1,000 and 5,000 listed files: the time of the first
# HotSync (every file new on the handheld) and of the second (every copy
# replaced), and the time per entry, which should stay about the same as the
# list grows. Usage: send_listed.sh BUILD_DIR
set -euo pipefail
tool="$1/bench/tools/send_bench"
[[ -x "$tool" ]] || { echo "send_listed.sh: $tool is not built" >&2; exit 1; }
printf '%8s %12s %12s %14s %14s\n' entries "first (s)" "second (s)" "first ms/entry" "second ms/entry"
for entries in 100 1000 5000; do
  read -r n first second < <("$tool" "$entries")
  awk -v n="$n" -v a="$first" -v b="$second" \
    'BEGIN { printf "%8d %12.3f %12.3f %14.3f %14.3f\n", n, a, b, 1000 * a / n, 1000 * b / n }'
done
