#!/usr/bin/env bash
# scripts/run-fuzzers.sh BUILD_DIR SECONDS: runs every libFuzzer binary of a
# fuzz build for SECONDS each, starting from a scratch copy of its corpus
# (named by <fuzzer>.corpus beside it), so the checked-in corpus stays as it is. A
# crash or sanitizer report fails the run.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: run-fuzzers.sh BUILD_DIR SECONDS}" && pwd)
seconds=${2:-60}
scratch=$(mktemp -d); trap 'rm -rf "$scratch"' EXIT
found=0
while IFS= read -r fuzzer; do
  name=$(basename "$fuzzer"); name=${name%-fuzzer}
  found=1
  mkdir -p "$scratch/$name"
  seeds=$(cat "$fuzzer.corpus" 2>/dev/null || true)
  if [[ -n "$seeds" && -d "$seeds" ]]; then
    cp -r "$seeds/." "$scratch/$name/"
  fi
  echo "fuzzing $name for $seconds s"
  (cd "$scratch" && "$fuzzer" -max_total_time="$seconds" -jobs=1 -workers=1 \
       -artifact_prefix="$scratch/" "$scratch/$name" < /dev/null 2>&1 | tail -n 3)
done < <(find "$build" -type f -name '*-fuzzer' -perm -u+x | sort)
((found)) || { echo "no fuzz targets in $build"; exit 1; }
