#!/usr/bin/env bash
# Runs the libFuzzer targets of the file readers, one process at a time and niced, so a
# campaign can share the machine.
#
#   tools/fuzz.sh [TARGET|all] [SECONDS]     fuzz each target for SECONDS (default 60)
#   tools/fuzz.sh --merge [TARGET|all]       add the inputs that reach new coverage to the
#                                            committed corpus (tests/fuzz/corpus/TARGET)
#
# New inputs collect in build/fuzz/corpus/TARGET; crashes, leaks and time-outs are written
# to build/fuzz/findings/TARGET and end the run. A final-statistics line per target tells
# the executions and the coverage (cov: edges).
set -euo pipefail
cd "$(dirname "$0")/.."

targets=(xml_load selection serialise_roundtrip date_conversions skin_config pe_version)
merge=0
if [[ "${1:-}" == "--merge" ]]; then merge=1; shift; fi
target=${1:-all}
seconds=${2:-60}
if [[ "$target" != all ]]; then
  [[ " ${targets[*]} " == *" $target "* ]] || { echo "fuzz.sh: unknown target $target (${targets[*]})" >&2; exit 2; }
  targets=("$target")
fi

cmake --preset fuzz >/dev/null
nice -n 10 cmake --build --preset fuzz >/dev/null

status=0
for t in "${targets[@]}"; do
  seeds=tests/fuzz/corpus/$t
  work=build/fuzz/corpus/$t
  findings=build/fuzz/findings/$t
  mkdir -p "$work" "$findings" "$seeds"
  if [[ $merge -eq 1 ]]; then
    nice -n 10 "build/fuzz/bin/${t}_fuzz" -merge=1 -rss_limit_mb=2048 -timeout=10 "$seeds" "$work"
    continue
  fi
  echo "fuzz.sh: $t for ${seconds}s"
  # A time-out on a loaded machine may be the scheduler's, not the code's: a time-out
  # whose input runs within the limit when replayed is set aside as a stall and the run
  # goes on for the time that is left. Any other finding ends this target's run.
  end=$((SECONDS + seconds))
  while ((SECONDS < end)); do
    if nice -n 10 "build/fuzz/bin/${t}_fuzz" -max_total_time=$((end - SECONDS)) -rss_limit_mb=2048 -timeout=1 \
      -max_len=65536 -print_final_stats=1 -artifact_prefix="$findings/" "$work" "$seeds"; then
      break
    fi
    timeout=$(ls -t "$findings"/timeout-* 2>/dev/null | head -1)
    if [[ -n "$timeout" && -z $(find "$findings" -maxdepth 1 -newer "$timeout" -type f) ]] &&
      "build/fuzz/bin/${t}_fuzz" -timeout=1 -runs=3 "$timeout" >/dev/null 2>&1; then
      mkdir -p "$findings/stalls"
      mv "$timeout" "$findings/stalls/"
      echo "fuzz.sh: $t: $(basename "$timeout") runs within 1 s when replayed: a stall, fuzzing on"
      continue
    fi
    status=1
    break
  done
done
exit $status
