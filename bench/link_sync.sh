#!/usr/bin/env bash
# HotSyncs over each link against the folder HotSync of the same handheld:
# FILES listed text files (1,000 unless told) sent "Always" to a handheld
# that has Vellamore's database but none of the files yet. Each HotSync
# starts from the same copy of the handheld, the list and the HotSync data
# folder: on the image folder (`hotsync sync`), then with `handheld connect`
# to `hotsync listen --once` over loopback (network HotSync), serial bytes
# over loopback TCP, and a serial cable between two pseudo-terminals at the
# link's full speed. Prints the best of three times of each, the network's
# ratio to the folder's, the DLP round trips the handheld answered (per file
# and the time each took) and, for the serial links, the share of the time
# the desktop spent waiting for the handheld's acks. Besides the conduit's
# writes, a HotSync over a link backs up the databases that changed, reading
# every record back: the folder HotSync has no backup.
# Usage: link_sync.sh BUILD_DIR [FILES]
set -euo pipefail
bin="$1/bin"
files=${2:-1000}
cable_tool="$1/bench/tools/serial_cable"
for program in "$bin/hotsync" "$bin/handheld" "$bin/condcfg" "$bin/vlmlist" "$cable_tool"; do
  [[ -x "$program" ]] || { echo "link_sync.sh: $program is not built" >&2; exit 1; }
done

world=$(mktemp -d /tmp/vlm-bench-link-XXXXXX)
listener=""
# The desktop is started in the timing's subshell; its ID is kept in a file
# so that a benchmark cut short does not leave it waiting.
stop_listener() {
  if [[ -f "$world/listener.pid" ]]; then kill "$(cat "$world/listener.pid")" 2>/dev/null || true; fi
  exec 3>&- 2>/dev/null || true  # the cable ends with its input
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

# A new serial cable for each HotSync over it (a cable hangs up when one
# end closes): sets $desktop_end and $handheld_end. It ends when its input,
# kept open on descriptor 3, closes.
lay_cable() {
  rm -f "$world/cable.in" "$world/cable.out"
  mkfifo "$world/cable.in"
  "$cable_tool" < "$world/cable.in" > "$world/cable.out" &
  exec 3> "$world/cable.in"
  for _ in $(seq 100); do [[ $(wc -l < "$world/cable.out") -ge 2 ]] && break; sleep 0.01; done
  desktop_end=$(sed -n 1p "$world/cable.out") handheld_end=$(sed -n 2p "$world/cable.out")
}

# The link of the next HotSyncs: network, serial-tcp or cable.
link=network

# Starts `hotsync listen --once` for $link (on a free port of the loopback
# for TCP); sets $listener and $port.
start_listener() {
  for _ in 1 2 3 4 5 6 7 8 9 10; do
    port=$((20000 + RANDOM % 40000))
    local where=(--address 127.0.0.1 --port "$port")
    [[ $link == serial-tcp ]] && where=(--address 127.0.0.1 --serial-tcp "$port")
    if [[ $link == cable ]]; then lay_cable; where=(--serial "$desktop_end"); fi
    "$bin/hotsync" listen --once "${where[@]}" > "$world/listen.out" 2>&1 &
    listener=$!
    echo "$listener" > "$world/listener.pid"
    while kill -0 "$listener" 2>/dev/null; do
      grep -qs "Waiting for handhelds" "$world/listen.out" && return 0
      sleep 0.01
    done
    wait "$listener" 2>/dev/null || true  # the port was taken: another one
    listener=""
  done
  echo "link_sync.sh: no free port to listen on" >&2
  return 1
}

# The HotSync is over when both ends have finished; a handheld that could
# not connect leaves a desktop that would wait for ever, so it is stopped.
# A failure ends the benchmark (these run in the timing's subshell).
network_sync() {
  local status=0
  [[ -n "$listener" ]] || exit 1
  local where=(--to "127.0.0.1:$port")
  [[ $link == serial-tcp ]] && where=(--serial-tcp "127.0.0.1:$port")
  [[ $link == cable ]] && where=(--serial "$handheld_end")
  "$bin/handheld" connect "$image" "${where[@]}" > "$world/connect.out" || status=$?
  ((status == 0)) || kill "$listener" 2>/dev/null || true
  wait "$listener" || status=$?
  rm -f "$world/listener.pid"
  exec 3>&- 2>/dev/null || true
  ((status == 0)) || { echo "link_sync.sh: the HotSync over $link failed" >&2; exit 1; }
}
prepare_network() { restore && start_listener; }

folder_sync() {
  "$bin/hotsync" sync "$image" || { echo "link_sync.sh: the folder HotSync failed" >&2; exit 1; }
}

source "$(dirname "$0")/timing.bash"

# The best time of the HotSync over $link; checks that every file arrived.
time_link() {
  link=$1
  local best sent
  best=$(best_of_three_after prepare_network network_sync)
  sent=$(($("$bin/handheld" files "$image" | wc -l) - 1))
  if ((sent != files)); then
    echo "link_sync.sh: files on the handheld over $link: $sent of $files" >&2
    exit 1
  fi
  echo "$best"
}

folder=$(best_of_three_after restore folder_sync)
sent_by_folder=$(($("$bin/handheld" files "$image" | wc -l) - 1))
((sent_by_folder == files)) || { echo "link_sync.sh: the folder HotSync sent $sent_by_folder" >&2; exit 1; }
network=$(time_link network)
requests=$(sed -n 's/^\([0-9]*\) requests answered\.$/\1/p' "$world/connect.out")
[[ -n "$requests" ]] || { echo "link_sync.sh: the handheld did not tell its requests" >&2; exit 1; }
serial_tcp=$(time_link serial-tcp)
# The desktop's time waiting for acks in the last HotSync.
acks_waited() { sed -n 's/^Serial link at .*, \([0-9.]*\) s waiting for acks\.$/\1/p' "$world/listen.out"; }
serial_tcp_acks=$(acks_waited)
cable=$(time_link cable)
cable_line=$(grep '^Serial link at' "$world/listen.out" || true)
cable_acks=$(acks_waited)
echo "listed files sent:      $files"
echo "folder HotSync:         ${folder} s"
echo "network HotSync:        ${network} s (goal: under 2 s)"
echo "ratio network/folder:   $(calc "$network / $folder") (goal: at most 3)"
echo "DLP round trips:        $requests, $(calc "$requests / $files") per file"
echo "time per round trip:    $(calc "1000000 * $network / $requests") us" \
  "(beyond the folder HotSync: $(calc "1000000 * ($network - $folder) / $requests") us)"
echo "serial over TCP:        ${serial_tcp} s (goal: under 3 s), ${serial_tcp_acks:-?} s of the last run waiting for acks"
echo "serial cable (pty):     ${cable} s, ${cable_acks:-?} s of the last run waiting for acks" \
  "($(calc "100 * ${cable_acks:-0} / $cable")% of the best time)"
echo "                        ${cable_line}"
