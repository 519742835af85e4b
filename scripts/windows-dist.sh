#!/usr/bin/env bash
# `make windows`: builds the shipped Quillet.exe and quillet-modify.exe (32-bit
# x86, statically linked, for Windows XP SP3 to 11) into dist/ and checks both
# (scripts/check-windows-exe.sh: 32-bit, under 1.5 MB, only XP SP3 imports).
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=build-win32
jobs=${JOBS:-$(nproc)}

scripts/install-deps.sh windows
[ -f "$build_dir/CMakeCache.txt" ] || cmake --preset windows-x86
cmake --build "$build_dir" -j "$jobs" --target Quillet quillet-modify
mkdir -p dist
cp "$build_dir/src/win32/Quillet.exe" dist/Quillet.exe
cp "$build_dir/src/cli/quillet-modify.exe" dist/quillet-modify.exe
scripts/check-windows-exe.sh dist/Quillet.exe
scripts/check-windows-exe.sh dist/quillet-modify.exe
