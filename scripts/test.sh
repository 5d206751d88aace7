#!/usr/bin/env bash
# Builds and tests everything: the Linux build (build/) and the 32-bit Windows build (build-win/,
# tests under Wine in a Japanese locale). Installs what is missing first (Debian 12).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-$(nproc)}

bash scripts/install-deps.sh

cmake -S . -B build -G Ninja -DVELLUM_WERROR=ON
cmake --build build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs")

# The Linux vellumtext of build/ lets the Windows tests compare documents across the platforms.
cmake -S . -B build-win -G Ninja -DVELLUM_WERROR=ON -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake \
  -DVELLUM_LINUX_VELLUMTEXT="$PWD/build/vellumtext"
cmake --build build-win -j "$jobs"
bash scripts/wine-prefix.sh
# One Wine program at a time: parallel first starts of one prefix race each other.
(cd build-win && ctest --output-on-failure -j 1)

# Hostile input: the whole Linux suite once more under AddressSanitizer and UBSan, then every
# fuzz target for a bounded time (SECONDS_PER_TARGET, 20 s each by default). Any finding fails.
bash scripts/sanitize.sh
bash scripts/fuzz.sh
