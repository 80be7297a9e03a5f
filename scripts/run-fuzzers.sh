#!/usr/bin/env bash
# scripts/run-fuzzers.sh BUILD_DIR SECONDS [ARTIFACTS]: runs every libFuzzer
# binary of a fuzz build for SECONDS each, starting from a scratch copy of its
# corpus (named by <fuzzer>.corpus beside it), so the checked-in corpus stays
# as it is. A crash or sanitizer report fails the run, and can be followed
# up: the fuzzer's whole output is printed, the input that failed is kept in
# ARTIFACTS/<fuzzer>/ (default BUILD_DIR/fuzz-artifacts), and the command
# that reproduces it is printed. Exit status 1 when any fuzzer failed.
set -uo pipefail
build=$(cd "${1:?usage: run-fuzzers.sh BUILD_DIR SECONDS [ARTIFACTS]}" && pwd)
seconds=${2:-60}
artifacts=${3:-$build/fuzz-artifacts}
mkdir -p "$artifacts" && artifacts=$(cd "$artifacts" && pwd)
scratch=$(mktemp -d); trap 'rm -rf "$scratch"' EXIT
found=0
failed=()
while IFS= read -r fuzzer; do
  name=$(basename "$fuzzer"); name=${name%-fuzzer}
  found=1
  mkdir -p "$scratch/$name"
  seeds=$(cat "$fuzzer.corpus" 2>/dev/null || true)
  if [[ -n "$seeds" && -d "$seeds" ]]; then
    cp -r "$seeds/." "$scratch/$name/"
  fi
  keep="$artifacts/$name"
  rm -rf "$keep" && mkdir -p "$keep"
  echo "fuzzing $name for $seconds s"
  (cd "$scratch" && "$fuzzer" -max_total_time="$seconds" -jobs=1 -workers=1 \
       -artifact_prefix="$keep/" "$scratch/$name" < /dev/null > "$keep/output.txt" 2>&1)
  status=$?
  if ((status == 0)); then
    tail -n 3 "$keep/output.txt"
    rm -rf "$keep"
    continue
  fi
  failed+=("$name")
  echo "=== $name failed (exit $status); its whole output:"
  cat "$keep/output.txt"
  echo "=== $name: kept in $keep"
  shopt -s nullglob
  inputs=("$keep"/crash-* "$keep"/leak-* "$keep"/timeout-* "$keep"/oom-* "$keep"/slow-unit-*)
  shopt -u nullglob
  if ((${#inputs[@]} == 0)); then
    echo "=== $name left no failing input; run it again with: $fuzzer -max_total_time=$seconds $seeds"
  fi
  for input in "${inputs[@]}"; do
    echo "=== reproduce with: $fuzzer $input"
  done
done < <(find "$build" -type f -name '*-fuzzer' -perm -u+x | sort)
((found)) || { echo "no fuzz targets in $build"; exit 1; }
if ((${#failed[@]})); then
  echo "fuzz targets that failed: ${failed[*]}"
  exit 1
fi
exit 0
