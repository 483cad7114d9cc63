#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang into build/fuzz and runs each one for a
# short fixed time; exits non-zero when any target finds a crash, a sanitizer report, a failed
# property or a time-out. See fuzz/README.md.
#
#   tools/fuzz.sh                  every target for 5 s
#   tools/fuzz.sh --long 600       every target for 600 s
#   tools/fuzz.sh date_text ...    only the named targets
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
out=build/fuzz
seconds=5
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --long) seconds=${2:?--long needs a number of seconds}; shift 2 ;;
    -h|--help) sed -n '2,9p' "$0"; exit 0 ;;
    *) targets+=("$1"); shift ;;
  esac
done
if [ ${#targets[@]} -eq 0 ]; then
  for f in fuzz/*_fuzz.cpp; do t=${f#fuzz/}; targets+=("${t%_fuzz.cpp}"); done
fi

# clang, its fuzzer runtime and python3 (for the translation) are among the project's packages.
tools/install-deps.sh
python=/usr/bin/python3
[ -x "$python" ] || python=python3

mkdir -p "$out"
if ! { cmake -S fuzz -B "$out" -G "Unix Makefiles" -DCMAKE_CXX_COMPILER=clang++ \
         -DPython3_EXECUTABLE="$python" && cmake --build "$out" -j2; } >"$out/build.log" 2>&1; then
  grep -v -E '^\[ *[0-9]+%\]' "$out/build.log" | tail -40
  echo "fuzz build failed (log $out/build.log)"
  exit 1
fi

# The translated literals must be the bytes g++ makes with -fexec-charset=CP932.
mapfile -t sources < "$out/src/sources.txt"
"$python" fuzz/check_literals.py --root . --work "$out/literal-check" "${sources[@]}"

failed=()
for t in "${targets[@]}"; do
  [ -x "$out/${t}_fuzz" ] || { echo "no target $t"; failed+=("$t"); continue; }
  corpus="$out/corpus/$t" artifacts="$out/artifacts/$t/" log="$out/logs/$t.log"
  mkdir -p "$corpus" "$artifacts" "$out/logs"
  # The number texts reach the extended range only beyond 4932 digits.
  max_len=512
  [ "$t" = number ] && max_len=6000
  # New inputs go to the first folder; the checked-in seeds are only read.
  if "$out/${t}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -max_len="$max_len" -print_final_stats=1 -artifact_prefix="$artifacts" \
      "$corpus" "fuzz/corpus/$t" >"$log" 2>&1; then
    runs=$(grep -m1 -o -E 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -o -E '[0-9]+$' || echo "?")
    cover=$(grep -E '^#[0-9]+' "$log" | tail -1 | grep -o -E 'cov: [0-9]+' || echo "cov: ?")
    printf 'fuzz %-13s ok   %s runs, %s\n' "$t" "$runs" "$cover"
  else
    printf 'fuzz %-13s FAIL (log %s)\n' "$t" "$log"
    grep -E -A12 'property failed|runtime error|ERROR: (Address|Undefined|libFuzzer|LeakSanitizer)' \
      "$log" | head -40 || tail -20 "$log"
    ls "$artifacts" | sed "s|^|  input: $artifacts|"
    failed+=("$t")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: findings in ${failed[*]}"
  exit 1
fi
echo "fuzz: ${#targets[@]} targets, ${seconds} s each, no findings"
