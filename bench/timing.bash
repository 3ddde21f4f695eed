# Timing helpers shared by the shell benchmarks (sourced, not run).

seconds() { date +%s.%N; }

# Evaluates an arithmetic expression to three decimals.
calc() { awk "BEGIN { printf \"%.3f\", $1 }"; }

# Prints the best wall time, in seconds, of three runs of "$@", each after
# the command PREPARE has run, untimed.
best_of_three_after() {
  local prepare=$1 best="" start end t
  shift
  for _ in 1 2 3; do
    "$prepare"
    start=$(seconds); "$@" >/dev/null; end=$(seconds)
    t=$(calc "$end - $start")
    if [[ -z "$best" ]] || [[ $(calc "$t < $best") == "1.000" ]]; then best=$t; fi
  done
  echo "$best"
}

# Prints the best wall time, in seconds, of three runs of "$@".
best_of_three() { best_of_three_after : "$@"; }
