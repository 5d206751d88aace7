#!/usr/bin/env bash
# Builds vellumtext and converts the bundled sample folder into out/Inbox.REN.
# Installs what is missing first (Debian 12).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja
cmake --build build -j "$(nproc)" --target vellumtext
mkdir -p out
build/vellumtext examples/Inbox -o out
