#!/usr/bin/env bash
# Builds the whole test suite with AddressSanitizer and UndefinedBehaviorSanitizer (any report
# aborts the test) in build-asan/ and runs it. CC/CXX choose the compiler (clang by default;
# gcc works as well). With clang the runtimes come from libclang-rt-14-dev.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-2}
: "${CC:=clang}" "${CXX:=clang++}"
export CC CXX

# -O1 keeps the big-input tests quick; Debug keeps assertions on.
flags="-O1 -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELLUM_WERROR=ON \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined"
cmake --build build-asan -j "$jobs"

# detect_leaks: a leak fails the test; halt_on_error: the first report ends the test.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:halt_on_error=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
(cd build-asan && ctest --output-on-failure -j "$jobs")
