#!/usr/bin/env bash
# The network HotSync against the folder HotSync of the same handheld: FILES
# listed text files (1,000 unless told) sent "Always" to a handheld that has
# Vellamore's database but none of the files yet. Each HotSync starts from
# the same copy of the handheld, the list and the HotSync data folder, once
# over loopback (`handheld connect` to `hotsync listen --once`) and once on
# the image folder (`hotsync sync`). Prints the best of three times of each,
# their ratio, and the DLP round trips the handheld answered: per file and
# the time each took. Besides the conduit's writes, the network HotSync
# backs up the databases that changed, reading every record back: the folder
# HotSync has no backup. Usage: network_sync.sh BUILD_DIR [FILES]
set -euo pipefail
bin="$1/bin"
files=${2:-1000}
for program in "$bin/hotsync" "$bin/handheld" "$bin/condcfg" "$bin/vlmlist"; do
  [[ -x "$program" ]] || { echo "network_sync.sh: $program is not built" >&2; exit 1; }
done

world=$(mktemp -d /tmp/vlm-bench-network-XXXXXX)
listener=""
# The desktop is started in the timing's subshell; its ID is kept in a file
# so that a benchmark cut short does not leave it waiting.
stop_listener() {
  if [[ -f "$world/listener.pid" ]]; then kill "$(cat "$world/listener.pid")" 2>/dev/null || true; fi
  rm -rf "$world"
}
trap stop_listener EXIT

# Everything a HotSync changes lives in $live; $snapshot keeps it as it was
# before the first timed HotSync, and each HotSync begins from a copy.
live="$world/live" snapshot="$world/snapshot"
source "$(dirname "$0")/hotsync_world.bash"
make_hotsync_world "$live"
image="$live/image"
# A first HotSync with nothing listed makes Vellamore's database on the
# handheld, as the application would: the network HotSync runs only the
# conduits of the applications the handheld has.
"$bin/hotsync" sync "$image" >/dev/null
for ((i = 0; i < files; i++)); do list_pc_file "$live" "file$i.txt" always; done
cp -a "$live" "$snapshot"

restore() { rm -rf "$live" && cp -a "$snapshot" "$live"; }

# Starts `hotsync listen --once` on a free port of the loopback; sets
# $listener and $port.
start_listener() {
  for _ in 1 2 3 4 5 6 7 8 9 10; do
    port=$((20000 + RANDOM % 40000))
    "$bin/hotsync" listen --once --address 127.0.0.1 --port "$port" > "$world/listen.out" 2>&1 &
    listener=$!
    echo "$listener" > "$world/listener.pid"
    while kill -0 "$listener" 2>/dev/null; do
      grep -qs "Waiting for handhelds" "$world/listen.out" && return 0
      sleep 0.01
    done
    wait "$listener" 2>/dev/null || true  # the port was taken: another one
    listener=""
  done
  echo "network_sync.sh: no free port to listen on" >&2
  return 1
}

# The HotSync is over when both ends have finished; a handheld that could
# not connect leaves a desktop that would wait for ever, so it is stopped.
# A failure ends the benchmark (these run in the timing's subshell).
network_sync() {
  local status=0
  [[ -n "$listener" ]] || exit 1
  "$bin/handheld" connect "$image" --to "127.0.0.1:$port" > "$world/connect.out" || status=$?
  ((status == 0)) || kill "$listener" 2>/dev/null || true
  wait "$listener" || status=$?
  rm -f "$world/listener.pid"
  ((status == 0)) || { echo "network_sync.sh: the network HotSync failed" >&2; exit 1; }
}
prepare_network() { restore && start_listener; }

folder_sync() {
  "$bin/hotsync" sync "$image" || { echo "network_sync.sh: the folder HotSync failed" >&2; exit 1; }
}

source "$(dirname "$0")/timing.bash"

folder=$(best_of_three_after restore folder_sync)
sent_by_folder=$(($("$bin/handheld" files "$image" | wc -l) - 1))
network=$(best_of_three_after prepare_network network_sync)
sent_by_network=$(($("$bin/handheld" files "$image" | wc -l) - 1))
requests=$(sed -n 's/^\([0-9]*\) requests answered\.$/\1/p' "$world/connect.out")
if ((sent_by_folder != files || sent_by_network != files)) || [[ -z "$requests" ]]; then
  echo "network_sync.sh: files on the handheld: folder $sent_by_folder, network" \
    "$sent_by_network, of $files; requests: ${requests:-not told}" >&2
  exit 1
fi
echo "listed files sent:      $files"
echo "folder HotSync:         ${folder} s"
echo "network HotSync:        ${network} s (goal: under 2 s)"
echo "ratio network/folder:   $(calc "$network / $folder") (goal: at most 3)"
echo "DLP round trips:        $requests, $(calc "$requests / $files") per file"
echo "time per round trip:    $(calc "1000000 * $network / $requests") us" \
  "(beyond the folder HotSync: $(calc "1000000 * ($network - $folder) / $requests") us)"
