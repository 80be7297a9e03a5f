#!/usr/bin/env bash
# run-fuzzers-reports.sh RUN_FUZZERS: two stand-in fuzzers, one that passes
# and one that "crashes" (writes an input to its artifact prefix and fails,
# as libFuzzer does). The run must fail, print the failing fuzzer's whole
# output, keep its input in the artifact folder and print the command that
# reproduces it; the passing one's output is cut to its summary.
set -uo pipefail
runner=$1
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/build/sub" "$tmp/corpus"
echo seed > "$tmp/corpus/one"
fake() { # name, exit status
  cat > "$tmp/build/sub/$1-fuzzer" <<SCRIPT
#!/usr/bin/env bash
prefix=
for a in "\$@"; do [[ \$a == -artifact_prefix=* ]] && prefix=\${a#-artifact_prefix=}; done
for i in \$(seq 1 20); do echo "$1 line \$i"; done
if (($2)); then printf 'bad bytes' > "\${prefix}crash-0123abcd"; echo "SUMMARY: AddressSanitizer: heap-buffer-overflow"; fi
exit $2
SCRIPT
  chmod +x "$tmp/build/sub/$1-fuzzer"
  echo "$tmp/corpus" > "$tmp/build/sub/$1-fuzzer.corpus"
}
fake good 0
fake broken 1
out=$("$runner" "$tmp/build" 1 "$tmp/artifacts" 2>&1)
status=$?
bad=0
check() { grep -qF -- "$1" <<<"$out" || { echo "missing from the output: $1"; bad=1; }; }
((status == 1)) || { echo "exit status $status, wanted 1"; bad=1; }
check "broken line 1"          # the whole output, from its first line
check "SUMMARY: AddressSanitizer: heap-buffer-overflow"
check "reproduce with: $tmp/build/sub/broken-fuzzer $tmp/artifacts/broken/crash-0123abcd"
check "fuzz targets that failed: broken"
[[ $(cat "$tmp/artifacts/broken/crash-0123abcd" 2>/dev/null) == "bad bytes" ]] || { echo "the failing input was not kept"; bad=1; }
grep -qxF "good line 1" <<<"$out" && { echo "a passing fuzzer's output was not cut to its summary"; bad=1; }
check "good line 20"
[[ -e $tmp/artifacts/good ]] && { echo "a passing fuzzer left its folder behind"; bad=1; }
((bad == 0)) || { echo "--- output was:"; echo "$out"; exit 1; }
echo "a failing fuzzer is reported whole, with its input kept and the command to reproduce it"
