#!/usr/bin/env bash
# Kill loop: HotSyncs that send listed files are killed with SIGKILL at
# random moments, each followed by a complete HotSync, after which the
# handheld and "Vellamore.dat" must agree: one copy per listed file, no
# orphan copy, no One Time entry left waiting. Between rounds the user edits
# a few copies on the handheld (their files then go under new IDs), changes
# a few PC files and lists new One Time and Always files.
# Prints the rounds, how many HotSyncs were really cut short, and the count
# of inconsistencies (0 expected).
# Usage: send_kill_loop.sh BUILD_DIR [ROUNDS] [FILES]
set -euo pipefail
bin="$1/bin"
check="$1/bench/tools/send_check"
rounds=${2:-100}
files=${3:-300}
for program in "$bin/hotsync" "$bin/handheld" "$bin/condcfg" "$bin/vlmlist" "$check"; do
  [[ -x "$program" ]] || { echo "send_kill_loop.sh: $program is not built" >&2; exit 1; }
done

world=$(mktemp -d /tmp/vlm-bench-kill-XXXXXX)
trap 'rm -rf "$world"' EXIT
source "$(dirname "$0")/hotsync_world.bash"
make_hotsync_world "$world"
image="$world/image"

source "$(dirname "$0")/timing.bash"
actions=(always one-time if-changed)
listed=0
list_file() {  # list_file NAME ACTION
  list_pc_file "$world" "$1" "$2"
  listed=$((listed + 1))
}
for ((i = 0; i < files; i++)); do list_file "file$i.txt" "${actions[i % 3]}"; done

# One HotSync of the whole list sets the scale of the random moments.
start=$(seconds)
"$bin/hotsync" sync "$image" >/dev/null
full=$(calc "$(seconds) - $start")

cut_short=0 failed=0 inconsistent=0
for ((round = 1; round <= rounds; round++)); do
  copies=$(($("$bin/handheld" files "$image" | wc -l) - 1))  # less the header
  for _ in 1 2 3; do "$bin/handheld" edit "$image" $((RANDOM % copies)) >/dev/null; done
  touch "$world/pc/file$((RANDOM % files)).txt"
  list_file "new$round-once.txt" one-time
  list_file "new$round-always.txt" always

  # Killed as `kill -9` would, and waited for, so that the next HotSync
  # does not find the dying one still holding the image.
  "$bin/hotsync" sync "$image" >/dev/null 2>&1 &
  pid=$!
  sleep "$(calc "$full * $RANDOM / 32767")"
  kill -KILL "$pid" 2>/dev/null || true
  status=0
  wait "$pid" 2>/dev/null || status=$?
  [[ $status -eq 137 ]] && cut_short=$((cut_short + 1))
  "$bin/hotsync" sync "$image" >/dev/null 2>&1 || failed=$((failed + 1))

  read -r entries _ duplicates missing orphans waiting < <("$check" "$image" "$world/data" Ada)
  lost=$((listed - entries))
  found=$((duplicates + missing + orphans + waiting + lost))
  if ((found > 0)); then
    echo "round $round: duplicates $duplicates, missing $missing, orphans $orphans," \
      "one time waiting $waiting, entries lost $lost" >&2
  fi
  inconsistent=$((inconsistent + found))
done
echo "rounds: $rounds, listed files at the end: $listed, full HotSync: ${full} s"
echo "HotSyncs killed before their end: $cut_short of $rounds"
echo "complete HotSyncs that failed: $failed"
echo "inconsistencies: $inconsistent"
