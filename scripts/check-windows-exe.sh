#!/usr/bin/env bash
# Checks a program of dist/ (Quillet.exe, quillet-modify.exe) as shipped: a
# 32-bit x86 program, under 1.5 MB, importing only functions that Windows XP
# SP3's system DLLs export
# (tools/windows-xp-exports/check-imports.sh; a DLL without a list there, such
# as a compiler runtime DLL, fails too).
#   scripts/check-windows-exe.sh PROGRAM.exe
set -euo pipefail
cd "$(dirname "$0")/.."

program=${1:?usage: $0 PROGRAM.exe}
max_bytes=1500000
objdump=x86_64-w64-mingw32-objdump

format=$("$objdump" -f "$program" | sed -n 's/.*file format //p')
if [ "$format" != "pei-i386" ]; then
  echo "$program is $format, not a 32-bit x86 program" >&2
  exit 1
fi
size=$(stat -c %s "$program")
if [ "$size" -ge "$max_bytes" ]; then
  echo "$program is $size bytes; it must stay under $max_bytes" >&2
  exit 1
fi
echo "$program: $size bytes, imports from $("$objdump" -p "$program" |
  sed -n 's/^\tDLL Name: //p' | tr '\n' ' ')"
if ! OBJDUMP=$objdump tools/windows-xp-exports/check-imports.sh "$program"; then
  echo "$program imports functions that Windows XP SP3 does not export (above)" >&2
  exit 1
fi
echo "$program imports only functions that Windows XP SP3 exports"
