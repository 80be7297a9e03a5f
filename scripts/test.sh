#!/usr/bin/env bash
# scripts/test.sh [normal|sanitize|tsan]: installs what is missing, builds that
# flavour and runs every test with CTest.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh" test
dir=$("$top/scripts/build.sh" "${1:-normal}")
cd "$dir"
ctest --output-on-failure -j "$(nproc)" --timeout 600
