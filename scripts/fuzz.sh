#!/usr/bin/env bash
# Builds the libFuzzer targets (build-fuzz, clang with ASan and UBSan) and runs each for
# SECONDS, JOBS at a time, niced. Fails on any crash, hang (10 s per input), leak or
# sanitizer report; the reproducer and the log stay in build-fuzz/findings/.
#   scripts/fuzz.sh [SECONDS [JOBS [TARGET...]]]      (default 20 2, every target)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
jobs=${2:-2}
shift $(($# < 2 ? $# : 2))
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_image_files fuzz_elf_srec fuzz_command_line fuzz_fuse_list fuzz_pinmap
  fuzz_dorvik fuzz_target_file)

echo "== Fuzzing ${#targets[@]} targets for ${seconds} s each, ${jobs} at a time (build-fuzz)"
cmake --preset fuzz >/dev/null
nice cmake --build --preset fuzz -j2 --target "${targets[@]}"
out=build-fuzz/findings
mkdir -p "$out"

# One target: its seeds and what earlier runs found grow build-fuzz/corpus/<target>.
fuzz_one() {
  local target=$1 corpus=build-fuzz/corpus/$1
  mkdir -p "$corpus" "$out/$target"
  nice "build-fuzz/bin/$target" "$corpus" "fuzz/corpus/$target" -max_total_time="$seconds" \
    -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$out/$target/" >"$out/$target.log" 2>&1
}

declare -A pids=()
failed=0
for target in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
  fuzz_one "$target" &
  pids[$target]=$!
done
printf '%-18s %10s %8s %s\n' target executions seconds result
for target in "${targets[@]}"; do
  status=0
  wait "${pids[$target]}" || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/$target.log")
  time=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$out/$target.log")
  if [ "$status" -eq 0 ] && ! grep -qE 'ERROR: (Address|Leak|Undefined)Sanitizer|runtime error:' \
    "$out/$target.log"; then
    result=clean
  else
    result="FAILED (status $status, see $out/$target.log)"
    failed=1
  fi
  printf '%-18s %10s %8s %s\n' "$target" "${runs:-?}" "${time:-?}" "$result"
done
exit "$failed"
