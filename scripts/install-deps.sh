#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Quillet need,
# only those that are missing. Needs root or sudo for apt-get.
#   scripts/install-deps.sh          what `make run` and `make test` need
#   scripts/install-deps.sh windows  what `make windows` and `make test-windows` need:
#     the mingw-w64 compilers (32- and 64-bit), Wine with its 32-bit half
#     (wine32, from the i386 architecture), a virtual X display for the window
#     tests, and the tools that turn the SVG pictures into the program's
#     resources (rsvg-convert, icotool)
set -euo pipefail

case "${1:-native}" in
  native)
    packages=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev
              qt6-base-dev qt6-svg-dev libgl-dev gcab fonts-liberation fonts-dejavu-core
              librsvg2-bin patch)
    ;;
  windows)
    packages=(cmake ninja-build mingw-w64 binutils-mingw-w64-x86-64 wine wine64 wine32:i386
              googletest librsvg2-bin icoutils xvfb xauth)
    ;;
  *)
    echo "usage: $0 [native|windows]" >&2
    exit 2
    ;;
esac

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

# Packages of another architecture (wine32:i386) need it added to dpkg first.
foreign=()
for p in "${missing[@]}"; do
  case $p in
    *:*) arch=${p##*:}
         if [ "$arch" != "$(dpkg --print-architecture)" ] &&
            ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
           foreign+=("$arch")
         fi ;;
  esac
done

if [ "$(id -u)" -eq 0 ]; then
  sudo=()
elif command -v sudo >/dev/null 2>&1; then
  sudo=(sudo)
else
  echo "Missing Debian packages: ${missing[*]}; install them as root (apt-get install ${missing[*]})." >&2
  exit 1
fi
for arch in $(printf '%s\n' "${foreign[@]}" | sort -u); do
  echo "Adding the $arch architecture to dpkg"
  "${sudo[@]}" dpkg --add-architecture "$arch"
done
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
