#!/bin/sh
# Stand-in for the Windows CE CAB Wizard, so that the sample package can be tried
# on Linux. For every "SourceDisksFiles.<processor>" section of the INF that
# lists files, it packs those files and the common ones of [SourceDisksFiles]
# into one cabinet named as the CAB Wizard names it,
# <INF base name>.<processor>.CAB, beside the INF. Each file is looked up in the
# folder that [SourceDisksNames.<processor>] or [SourceDisksNames] gives for its
# disk number (relative to the INF's folder).
#
# It does not turn the INF into the CAB Wizard's setup data; it only gathers
# the files, which is what Quillet's checks look at. On Windows the package's
# readme.txt holds the real CAB Wizard command (cabwiz.exe ... /cpu ...) instead.
#
# Usage: sh tools/make-cabs.sh FILE.inf     (needs gcab)
set -eu

if [ $# -ne 1 ]; then
  echo "usage: sh tools/make-cabs.sh FILE.inf" >&2
  exit 2
fi
if ! command -v gcab >/dev/null 2>&1; then
  echo "make-cabs.sh: gcab is needed to make cabinets (Debian package gcab)" >&2
  exit 127
fi
if [ ! -f "$1" ]; then
  echo "make-cabs.sh: $1: no such file" >&2
  exit 2
fi

cd "$(dirname -- "$1")"
inf=$(basename -- "$1")
base=${inf%.*}

list=$(mktemp)
trap 'rm -f "$list"' EXIT

# Prints "P<TAB>processor" for each processor section with files, followed by
# "F<TAB>path" for each file its cabinet holds; or fails naming what is wrong.
awk '
function trim(s) { sub(/^[ \t]+/, "", s); sub(/[ \t]+$/, "", s); return s }
function unquote(s) { if (s ~ /^".*"$/ && length(s) > 1) s = substr(s, 2, length(s) - 2); return s }
{ sub(/\r$/, "") }
/^[ \t]*;/ || /^[ \t]*$/ { next }
/^[ \t]*\[/ {
  name = $0; sub(/^[ \t]*\[/, "", name); sub(/\].*$/, "", name); name = trim(name)
  lower = tolower(name)
  kind = ""; proc = ""
  if (lower == "sourcedisksfiles") kind = "files"
  else if (lower == "sourcedisksnames") kind = "names"
  else if (index(lower, "sourcedisksfiles.") == 1) { kind = "files"; proc = substr(name, 18) }
  else if (index(lower, "sourcedisksnames.") == 1) { kind = "names"; proc = substr(name, 18) }
  if (kind == "files" && proc != "" && !(proc in seen)) { seen[proc] = 1; order[++procs] = proc }
  next
}
index($0, "=") > 0 && kind != "" {
  key = unquote(trim(substr($0, 1, index($0, "=") - 1)))
  value = unquote(trim(substr($0, index($0, "=") + 1)))
  if (kind == "files") { n = ++count[proc]; file[proc, n] = key; split(value, field, ","); disk[proc, n] = trim(field[1]) }
  else { split(value, field, ","); folder[proc, key] = unquote(trim(field[4])) }
}
function source(p, name, number) {
  if ((p, number) in folder) return folder[p, number] "/" name
  if (("", number) in folder) return folder["", number] "/" name
  printf "make-cabs.sh: no source disk %s for %s in [SourceDisksNames]\n", number, name > "/dev/stderr"
  failed = 1
  return ""
}
END {
  for (i = 1; i <= procs; ++i) {
    p = order[i]
    if (count[p] == 0) continue
    print "P\t" p
    for (n = 1; n <= count[p]; ++n) { own[file[p, n]] = 1; print "F\t" source(p, file[p, n], disk[p, n]) }
    for (n = 1; n <= count[""]; ++n)
      if (!(file["", n] in own)) print "F\t" source(p, file["", n], disk["", n])
    for (name in own) delete own[name]
  }
  exit failed
}' "$inf" > "$list"

tab=$(printf '\t')
processor=""
built=0

make_cab() {
  [ -n "$processor" ] || return 0
  cab="$base.$processor.CAB"
  for f in "$@"; do
    if [ ! -f "$f" ]; then
      echo "make-cabs.sh: $f, listed in $inf for $processor, is missing" >&2
      exit 1
    fi
  done
  # Built under a temporary name, so a failure never leaves half a cabinet.
  rm -f "$cab.part"
  gcab -c -n "$cab.part" "$@"
  mv -f "$cab.part" "$cab"
  echo "make-cabs.sh: $cab ($# files)"
  built=$((built + 1))
}

while IFS=$tab read -r kind value; do
  case $kind in
    P) make_cab "$@"; processor=$value; set -- ;;
    F) set -- "$@" "$value" ;;
  esac
done < "$list"
make_cab "$@"

if [ "$built" -eq 0 ]; then
  echo "make-cabs.sh: $inf has no processor section that lists files" >&2
  exit 1
fi
