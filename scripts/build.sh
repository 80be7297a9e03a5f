#!/usr/bin/env bash
# scripts/build.sh [normal|clang|sanitize|tsan|fuzz]: configures and builds one
# flavour of the tree in build/<flavour>/ and prints that folder.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
flavour=${1:-normal}
dir="$top/build/$flavour"
args=(-G Ninja -S "$top" -B "$dir")
case "$flavour" in
  normal) args+=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  clang) args+=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++) ;;
  sanitize) args+=(-DCMAKE_BUILD_TYPE=Debug -DTUMBLETOWN_SANITIZE=ON -DTUMBLETOWN_BENCH=OFF) ;;
  tsan) args+=(-DCMAKE_BUILD_TYPE=Debug -DTUMBLETOWN_TSAN=ON -DTUMBLETOWN_BENCH=OFF) ;;
  fuzz) args+=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
               -DTUMBLETOWN_FUZZ=ON -DTUMBLETOWN_SANITIZE=ON -DTUMBLETOWN_BENCH=OFF) ;;
  *) echo "unknown flavour: $flavour" >&2; exit 2 ;;
esac
[[ -n "${TUMBLETOWN_CMAKE_ARGS:-}" ]] && args+=($TUMBLETOWN_CMAKE_ARGS)
cmake "${args[@]}" >&2
cmake --build "$dir" -j "$(nproc)" >&2
echo "$dir"
