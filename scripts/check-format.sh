#!/usr/bin/env bash
# Fails, naming the files, when a tracked C++ file differs from what
# clang-format makes of it with the project's .clang-format.
set -uo pipefail
top=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$top" || exit 2
bad=0
while IFS= read -r file; do
  if ! clang-format --dry-run --Werror "$file" >/dev/null 2>&1; then
    echo "badly formatted: $file"
    bad=1
  fi
done < <(git ls-files '*.cpp' '*.h' '*.hpp' '*.cc')
exit $bad
