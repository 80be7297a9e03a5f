#!/usr/bin/env bash
# scripts/build.sh [normal|play|clang|sanitize|tsan|fuzz]: configures and
# builds one flavour of the tree in build/<flavour>/ and prints that folder.
# The replay viewer (WebAssembly, when emscripten is installed) is built in
# "normal" alone, to keep the other CI builds short.
# "play" is the game and its data alone, built in build/normal/: no tests,
# benchmarks, fuzzers, developer tools or score server, and none of the
# packages they need.
# A later "normal" build in the same folder adds the rest.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
flavour=${1:-normal}
dir="$top/build/$flavour"
args=(-G Ninja -S "$top" -B "$dir")
case "$flavour" in
  normal) args+=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DTUMBLETOWN_TESTS=ON -DTUMBLETOWN_BENCH=ON -DTUMBLETOWN_SERVER=ON) ;;
  play)
    dir="$top/build/normal"
    args=(-G Ninja -S "$top" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo)
    # A folder configured before keeps its choice: a developer's build/normal
    # goes on knowing its tests.
    [[ -f "$dir/CMakeCache.txt" ]] || args+=(-DTUMBLETOWN_TESTS=OFF -DTUMBLETOWN_BENCH=OFF -DTUMBLETOWN_SERVER=OFF)
    : "${TUMBLETOWN_BUILD_TARGETS:=tumbletown tumbletown-data}"
    ;;
  clang) args+=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTUMBLETOWN_VIEWER=OFF) ;;
  sanitize) args+=(-DCMAKE_BUILD_TYPE=Debug -DTUMBLETOWN_SANITIZE=ON -DTUMBLETOWN_BENCH=OFF -DTUMBLETOWN_VIEWER=OFF) ;;
  tsan) args+=(-DCMAKE_BUILD_TYPE=Debug -DTUMBLETOWN_TSAN=ON -DTUMBLETOWN_BENCH=OFF -DTUMBLETOWN_VIEWER=OFF) ;;
  fuzz) args+=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
               -DTUMBLETOWN_FUZZ=ON -DTUMBLETOWN_SANITIZE=ON -DTUMBLETOWN_BENCH=OFF -DTUMBLETOWN_VIEWER=OFF) ;;
  *) echo "unknown flavour: $flavour" >&2; exit 2 ;;
esac
[[ -n "${TUMBLETOWN_CMAKE_ARGS:-}" ]] && args+=($TUMBLETOWN_CMAKE_ARGS)
cmake "${args[@]}" >&2
# TUMBLETOWN_BUILD_TARGETS: build only these targets; "fuzzers" means every
# libFuzzer binary of the tree.
targets=()
for t in ${TUMBLETOWN_BUILD_TARGETS:-}; do
  if [[ "$t" == fuzzers ]]; then
    targets+=($(ninja -C "$dir" -t targets all | sed -n 's/^\([^:]*-fuzzer\): .*/\1/p' | grep -v -e / -e ^cmake_ | sort -u))
  else
    targets+=("$t")
  fi
done
if ((${#targets[@]})); then
  cmake --build "$dir" -j "$(nproc)" --target "${targets[@]}" >&2
else
  cmake --build "$dir" -j "$(nproc)" >&2
fi
echo "$dir"
