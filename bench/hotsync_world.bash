# A HotSync world for the shell benchmarks (sourced, not run): the programs
# of a build in $bin, a handheld image of the user Ada and listed PC files.

# Makes the world in the folder $1: the HotSync data folder, Vellamore's
# settings and data directory, the window station's folder, Vellamore's
# conduit registered and the image $1/image. Exports the environment the
# programs read.
make_hotsync_world() {
  local world=$1
  export HOTSYNC_HOME="$world/hotsync" XDG_CONFIG_HOME="$world/config" XDG_RUNTIME_DIR="$world/run"
  mkdir -p "$HOTSYNC_HOME" "$XDG_CONFIG_HOME/Olvenmark" "$XDG_RUNTIME_DIR" "$world/data" "$world/pc"
  chmod 700 "$XDG_RUNTIME_DIR"
  printf '[Directories]\nDataDir=%s\n' "$world/data" > "$XDG_CONFIG_HOME/Olvenmark/Vellamore.conf"
  "$bin/condcfg" add Vlmr "$bin/VellamoreCnd.so" >/dev/null
  "$bin/handheld" create "$world/image" --user Ada >/dev/null
}

# Writes a text file of 40 lines as WORLD/pc/NAME and lists it for Ada.
# Usage: list_pc_file WORLD NAME ACTION
list_pc_file() {
  seq 1 40 | sed "s/^/A line of $2, number /" > "$1/pc/$2"
  "$bin/vlmlist" add "$1/pc/$2" --user Ada --action "$3" >/dev/null
}
