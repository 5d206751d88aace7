#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each for a bounded time on a
# copy of its seed corpus (fuzz/corpus/<target>/ is never changed). Fails on the first finding;
# the input that found it is kept in build-fuzz/findings/<target>/.
#   SECONDS_PER_TARGET  time per target (default 20)
#   FUZZ_TARGETS        which targets (default all)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${SECONDS_PER_TARGET:-20}
jobs=${JOBS:-2}
all="fuzz_index_line fuzz_message_file fuzz_folder fuzz_iso2022jp fuzz_charset fuzz_mail_address fuzz_date fuzz_strings"
targets=${FUZZ_TARGETS:-$all}

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELLUM_WERROR=ON \
  -DVELLUM_BUILD_TESTS=OFF -DVELLUM_BUILD_FUZZERS=ON
cmake --build build-fuzz -j "$jobs" --target $targets

# The folder and message file targets write files on every run: keep them in memory if we can.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

status=0
summary=""
for target in $targets; do
  corpus="$work/$target"
  findings="build-fuzz/findings/$target"
  mkdir -p "$corpus" "$findings"
  # The working corpus comes first: new inputs go there, the checked-in seeds are only read.
  set +e
  "build-fuzz/fuzz/$target" "$corpus" "fuzz/corpus/$target" -max_total_time="$seconds" \
    -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 -artifact_prefix="$findings/" \
    >"$work/$target.log" 2>&1
  rc=$?
  set -e
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$target.log")
  if [ "$rc" -ne 0 ]; then
    status=1
    echo "== $target: FINDING (exit $rc), input kept in $findings/"
    # The report from its first line (a sanitizer's stack comes before its summary), else the end.
    if grep -qE "ERROR: |runtime error|deadly signal" "$work/$target.log"; then
      sed -n '/ERROR: \|runtime error\|deadly signal/,$p' "$work/$target.log" | head -n 80
    else
      tail -n 40 "$work/$target.log"
    fi
  fi
  summary+=$(printf '%-20s %12s executions  exit %d' "$target" "${runs:-?}" "$rc")$'\n'
done
printf '\n%s' "$summary"
exit "$status"
