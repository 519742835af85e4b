#!/usr/bin/env bash
# Simulated power cuts after the tool writes files.
#
# Each trial makes a small ext4 file system on a loop device, puts a package on
# it (INF, a rebuilt CAB, an old CAB in CD1, a launcher and an old copy of it)
# and flushes that state to the disk. Then the real code writes: one INF value,
# "Move CAB" and "Copy EXE" (through bench/file_write_probe). A few seconds
# later the disk image is copied without unmounting, which is what the disk
# holds when the power goes at that moment; e2fsck replays the journal on the
# copy, and the files are read from it with debugfs. A file counts as intact
# when it holds its old or its new contents exactly, never empty or torn; the
# CAB is intact when one of its two places holds it whole.
#
#   scripts/power-cut-check.sh [TRIALS] [PROBE]
#     TRIALS  number of trials (10)
#     PROBE   the probe program (build/bench/file_write_probe)
#   CUT_AFTER_SECONDS  seconds between the writes and the cut (6: after ext4's
#                      5-second journal commit, before its 30-second write-back)
#
# Needs root, losetup, mkfs.ext4, e2fsck and debugfs; without them it says so
# and exits 0 without a verdict.
set -euo pipefail
cd "$(dirname "$0")/.."

trials=${1:-10}
probe=${2:-build/bench/file_write_probe}
cut_after=${CUT_AFTER_SECONDS:-6}

skip() {
  echo "SKIP power-cut check: $*"
  exit 0
}
[ "$(id -u)" -eq 0 ] || skip "needs root (loop devices and mount)"
for tool in losetup mkfs.ext4 e2fsck debugfs mount umount; do
  command -v "$tool" >/dev/null 2>&1 || skip "$tool is missing (e2fsprogs, mount)"
done
[ -x "$probe" ] || { echo "No probe program at $probe; build it first (make build)" >&2; exit 2; }
probe=$(cd "$(dirname "$probe")" && pwd)/$(basename "$probe")

work=$(mktemp -d /tmp/quillet-power-cut.XXXXXX)
mnt=$work/mnt
loop=
cleanup() {
  if mountpoint -q "$mnt" 2>/dev/null; then umount "$mnt" || true; fi
  [ -n "$loop" ] && losetup -d "$loop" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$mnt"

# Try a loop device once, so that a machine without them skips cleanly.
truncate -s 64M "$work/disk.img"
mkfs.ext4 -q -F "$work/disk.img"
loop=$(losetup -f --show "$work/disk.img" 2>/dev/null) || { loop=; skip "no loop device"; }
mount "$loop" "$mnt" 2>/dev/null || skip "cannot mount a loop device here"
umount "$mnt"
losetup -d "$loop"
loop=

mips="Mips 4000 (4K) v3.00"
cab="MyApp.$mips.CAB"

# The package as it is before the writes, and the INF as the write leaves it
# (made by the same probe on an ordinary folder).
seed=$work/seed
mkdir -p "$seed"
{
  printf '[Version]\r\nSignature="$Windows NT$"\r\nProvider="Quillet test"\r\nCESignature="$Windows CE$"\r\n'
  printf '[CEStrings]\r\nAppName="MyApp"\r\nInstallDir=%%CE1%%\\%%AppName%%\r\n'
  for i in $(seq 1 200); do printf 'Line%03d=some value that fills the file %03d\r\n' "$i" "$i"; done
  printf '[DefaultInstall]\r\nCEShortcuts=Shortcuts\r\n'
} >"$seed/old.inf"
cp "$seed/old.inf" "$seed/new.inf"
"$probe" set "$seed/new.inf" DefaultInstall CEShortcuts QuilletShortcut
head -c 65536 /dev/urandom >"$seed/new.cab"
head -c 40000 /dev/urandom >"$seed/old.cab"
head -c 32768 /dev/urandom >"$seed/new.exe"
head -c 20000 /dev/urandom >"$seed/old.exe"

# Copies a file out of the replayed image; fails when it is not there.
extract() {
  local image=$1 path=$2 out=$3 err
  err=$(debugfs -R "dump -p \"$path\" \"$out\"" "$image" 2>&1 >/dev/null) || true
  if [ ! -f "$out" ] || grep -q "not found" <<<"$err"; then
    rm -f "$out"
    return 1
  fi
}

same() { cmp -s "$1" "$2"; }

inf_ok=0
cab_ok=0
exe_ok=0
for trial in $(seq 1 "$trials"); do
  rm -f "$work/disk.img" "$work/cut.img" "$work"/out.*
  truncate -s 64M "$work/disk.img"
  mkfs.ext4 -q -F "$work/disk.img"
  loop=$(losetup -f --show "$work/disk.img")
  mount "$loop" "$mnt"
  pkg=$mnt/Pkg
  mkdir -p "$pkg/CD1" "$pkg/$mips" "$mnt/L"
  cp "$seed/old.inf" "$pkg/MyApp.inf"
  cp "$seed/new.cab" "$pkg/$cab"
  cp "$seed/old.cab" "$pkg/CD1/$cab"
  cp "$seed/new.exe" "$mnt/L/Stub.exe"
  cp "$seed/old.exe" "$pkg/$mips/Stub.exe"
  sync -f "$mnt"

  "$probe" set "$pkg/MyApp.inf" DefaultInstall CEShortcuts QuilletShortcut
  "$probe" move-cab "$pkg/MyApp.inf" >/dev/null
  "$probe" copy-exe "$pkg/MyApp.inf" "$mnt/L/Stub.exe" >/dev/null
  sleep "$cut_after"
  cp --sparse=always "$work/disk.img" "$work/cut.img"  # the power goes
  umount "$mnt"
  losetup -d "$loop"
  loop=

  e2fsck -fy "$work/cut.img" >/dev/null 2>&1 || [ $? -le 1 ] || true
  verdict=""
  if extract "$work/cut.img" "/Pkg/MyApp.inf" "$work/out.inf" &&
    { same "$work/out.inf" "$seed/old.inf" || same "$work/out.inf" "$seed/new.inf"; }; then
    inf_ok=$((inf_ok + 1))
    verdict+=" INF intact"
  else
    verdict+=" INF LOST ($(stat -c %s "$work/out.inf" 2>/dev/null || echo missing) bytes)"
  fi
  cab_whole=false
  if extract "$work/cut.img" "/Pkg/CD1/$cab" "$work/out.cd1" && same "$work/out.cd1" "$seed/new.cab"; then
    cab_whole=true
  fi
  if extract "$work/cut.img" "/Pkg/$cab" "$work/out.src" && same "$work/out.src" "$seed/new.cab"; then
    cab_whole=true
  fi
  if $cab_whole; then
    cab_ok=$((cab_ok + 1))
    verdict+=", CAB intact"
  else
    verdict+=", CAB LOST (CD1 copy $(stat -c %s "$work/out.cd1" 2>/dev/null || echo missing) bytes, source $(stat -c %s "$work/out.src" 2>/dev/null || echo gone))"
  fi
  if extract "$work/cut.img" "/Pkg/$mips/Stub.exe" "$work/out.exe" &&
    { same "$work/out.exe" "$seed/old.exe" || same "$work/out.exe" "$seed/new.exe"; }; then
    exe_ok=$((exe_ok + 1))
    verdict+=", launcher intact"
  else
    verdict+=", launcher LOST ($(stat -c %s "$work/out.exe" 2>/dev/null || echo missing) bytes)"
  fi
  echo "trial $trial:$verdict"
done

echo "power-cut check: $trials trials, intact: INF $inf_ok, CAB $cab_ok, launcher $exe_ok"
[ "$inf_ok" -eq "$trials" ] && [ "$cab_ok" -eq "$trials" ] && [ "$exe_ok" -eq "$trials" ]
