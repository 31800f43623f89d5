#!/usr/bin/env bash
# Runs libFuzzer targets built by `make fuzz`, each on a fresh copy of its seed
# corpus (fuzz/corpus/<name>), a few at a time.
# usage: fuzz.sh <build dir> <seconds per target> <targets at a time> <name>...
# A crash, leak, sanitizer report, slow input or memory blow-up fails the run;
# the input that caused it is kept as <build dir>/fuzz-artifacts/<name>-*.
set -u
cd "$(dirname "$0")/.."
# Absolute, because the packet and configuration targets change the current
# directory, and libFuzzer reads its corpus by the path it was given.
build=$(cd "$1" && pwd)
seconds=$2
parallel=$3
shift 3

work="$build/fuzz-work"
artifacts="$build/fuzz-artifacts"
rm -rf "$work"
mkdir -p "$work" "$artifacts"

run_target() {
  local name=$1
  local corpus="$work/corpus-$name"
  cp -r "fuzz/corpus/$name" "$corpus"
  # The largest seed is bigger than 4 KB for some targets; inputs may grow to 64 KB.
  "$build/fuzz_$name" "$corpus" -max_total_time="$seconds" -max_len=65536 -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts/$name-" \
    >"$work/$name.log" 2>&1
}

failed=()
declare -A running=()
finish_one() {
  local pid
  wait -n -p pid
  local status=$?
  local name=${running[$pid]}
  unset "running[$pid]"
  if [ "$status" -eq 0 ]; then
    echo "fuzz_$name: $(grep -m1 '^stat::number_of_executed_units' "$work/$name.log" |
      sed 's/.*: *//') inputs in ${seconds}s, no finding"
  else
    echo "fuzz_$name: FAILED (exit $status); log $work/$name.log:"
    grep -E 'ERROR|SUMMARY|Test unit written|^ +#[0-9]+ ' "$work/$name.log" | head -40
    failed+=("$name")
  fi
}

for name in "$@"; do
  while [ "${#running[@]}" -ge "$parallel" ]; do finish_one; done
  run_target "$name" &
  running[$!]=$name
done
while [ "${#running[@]}" -gt 0 ]; do finish_one; done

if [ "${#failed[@]}" -gt 0 ]; then
  echo "fuzzing found faults in: ${failed[*]} (inputs in $artifacts)" >&2
  exit 1
fi
