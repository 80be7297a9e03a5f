#!/usr/bin/env bash
# scripts/compare-before-after.sh BEFORE_BUILD AFTER_BUILD: shows that a change
# to the rules left what they do as it was. Two build folders (the tree
# before the change and after it) run the same inputs and must give the same
# bytes:
# - fourfall-replay on every file of the fuzz corpora (replays and everything
#   else fed to it as commands), on every replay of the corpora with "print"
#   appended, and on the soak script's recorded command files of all nine
#   game types: standard output, standard error and status;
# - tumbletown-driver's tour of every screen: every screenshot and its output.
# Prints one line per difference and fails on any.
set -uo pipefail
before=$(cd "${1:?usage: compare-before-after.sh BEFORE_BUILD AFTER_BUILD}" && pwd)
after=$(cd "${2:?usage: compare-before-after.sh BEFORE_BUILD AFTER_BUILD}" && pwd)
top=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0 inputs=0

run_replay() { # build input out
  "$1/tools/fourfall-replay/fourfall-replay" < "$2" > "$3.out" 2> "$3.err"
  echo $? > "$3.status"
}
compare() { # name input
  run_replay "$before" "$2" "$work/b"
  run_replay "$after" "$2" "$work/a"
  inputs=$((inputs + 1))
  for part in out err status; do
    if ! cmp -s "$work/b.$part" "$work/a.$part"; then
      echo "differs ($part): $1"
      failed=1
    fi
  done
}

# The recorded games: the soak script's command files, kept.
SOAK_KEEP="$work/soak" "$top/tests/tools/fourfall-replay/soak.sh" "$after/tools/fourfall-replay/fourfall-replay" \
  2000 > /dev/null 2>&1
for f in "$work"/soak/*.txt; do compare "soak $(basename "$f")" "$f"; done
for f in "$top"/tests/fuzz/corpus/*/*; do
  compare "corpus ${f#"$top"/}" "$f"
  if [[ "$f" == *.replay ]]; then
    { cat "$f"; printf '\nprint\n'; } > "$work/printed"
    compare "corpus ${f#"$top"/} + print" "$work/printed"
  fi
done
echo "fourfall-replay: $inputs inputs compared"

# The tour: every screenshot byte for byte.
for side in before after; do
  build=$before; [[ $side == after ]] && build=$after
  mkdir -p "$work/tour-$side/store"
  (cd "$work/tour-$side" && "$build/tools/tumbletown-driver/tumbletown-driver" "$after/data" store \
     "$top/tools/tumbletown-driver/tour.script" > output.txt 2> errors.txt; echo $? > status.txt)
  rm -rf "$work/tour-$side/store"
done
shots=$(cd "$work/tour-after" && ls *.png 2>/dev/null | wc -l)
if ! diff -r "$work/tour-before" "$work/tour-after" > "$work/tour.diff"; then
  cat "$work/tour.diff" | head -20
  failed=1
fi
echo "tour: $shots screenshots compared"
[[ $failed == 0 ]] && echo "same bytes before and after"
exit $failed
