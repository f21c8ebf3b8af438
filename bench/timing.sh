# Sourced by the benchmark scripts.

# Best wall time of five runs of a command, in seconds.
best_of_5() {
  local best=0
  for _ in 1 2 3 4 5; do
    local start took
    start=$(date +%s%N)
    "$@"
    took=$(( $(date +%s%N) - start ))
    if (( best == 0 || took < best )); then best=$took; fi
  done
  awk -v ns="$best" 'BEGIN { printf "%.4f\n", ns / 1e9 }'
}
