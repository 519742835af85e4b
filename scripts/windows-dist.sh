#!/usr/bin/env bash
# `make windows`: builds the shipped Quillet.exe (32-bit x86, statically
# linked, for Windows XP SP3 to 11) into dist/, and checks it: a 32-bit
# program, under 1.5 MB, importing only functions that Windows XP SP3's
# system DLLs export (tools/windows-xp-exports/check-imports.sh; a DLL without
# a list there, such as a compiler runtime DLL, fails too).
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=build-win32
jobs=${JOBS:-$(nproc)}
max_bytes=1500000

scripts/install-deps.sh windows
[ -f "$build_dir/CMakeCache.txt" ] || cmake --preset windows-x86
cmake --build "$build_dir" -j "$jobs" --target Quillet
mkdir -p dist
cp "$build_dir/src/win32/Quillet.exe" dist/Quillet.exe

objdump=x86_64-w64-mingw32-objdump
format=$("$objdump" -f dist/Quillet.exe | sed -n 's/.*file format //p')
if [ "$format" != "pei-i386" ]; then
  echo "dist/Quillet.exe is $format, not a 32-bit x86 program" >&2
  exit 1
fi
size=$(stat -c %s dist/Quillet.exe)
if [ "$size" -ge "$max_bytes" ]; then
  echo "dist/Quillet.exe is $size bytes; it must stay under $max_bytes" >&2
  exit 1
fi
echo "dist/Quillet.exe: $size bytes, imports from $("$objdump" -p dist/Quillet.exe |
  sed -n 's/^\tDLL Name: //p' | tr '\n' ' ')"
if ! OBJDUMP=$objdump tools/windows-xp-exports/check-imports.sh dist/Quillet.exe; then
  echo "dist/Quillet.exe imports functions that Windows XP SP3 does not export (above)" >&2
  exit 1
fi
echo "dist/Quillet.exe imports only functions that Windows XP SP3 exports"
