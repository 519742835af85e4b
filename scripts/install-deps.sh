#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Quillet need,
# only those that are missing. Needs root or sudo for apt-get.
#   scripts/install-deps.sh          what `make run` and `make test` need
#   scripts/install-deps.sh windows  what `make test-windows` needs
set -euo pipefail

case "${1:-native}" in
  native)
    packages=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev
              qt6-base-dev qt6-svg-dev libgl-dev gcab fonts-liberation patch)
    ;;
  windows)
    packages=(cmake ninja-build mingw-w64 wine wine64 googletest)
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

if [ "$(id -u)" -eq 0 ]; then
  sudo=()
elif command -v sudo >/dev/null 2>&1; then
  sudo=(sudo)
else
  echo "Missing Debian packages: ${missing[*]}; install them as root (apt-get install ${missing[*]})." >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
