#!/usr/bin/env bash
# Packages the default build tree (build/) as a Debian package and a source tarball, unpacks
# the package into a fresh root and runs the installed programs there as a user would, renders
# each manual page with warnings on, and runs lintian (only its errors fail the check).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$top/build
cd "$build"

rm -rf packages
cpack -G DEB >/dev/null
cpack --config CPackSourceConfig.cmake >/dev/null
deb=$(ls packages/*.deb)
echo "package: $deb"
dpkg-deb --info "$deb" | sed -n '/Package:/,$p'
ls packages/*.tar.gz

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
dpkg -x "$deb" "$root"
bin=$root/usr/bin
libdir=$(dirname "$(find "$root/usr/lib" -name libavrsim_dlportio.so)")
examples=$root/usr/share/doc/quarnel/examples

echo "== installed quarnel -?"
"$bin/quarnel" -? >"$work/usage.txt"
grep -q '^Supported devices' "$work/usage.txt"

echo "== installed avrsim and quarnel, program and verify through the installed stand-in port"
"$bin/avrsim" new "$work/chip.avr" mega8
DLPORTIO_LIBRARY=$libdir/libavrsim_dlportio.so AVRSIM_TARGET=$work/chip.avr \
  "$bin/quarnel" +mega8 -e -w -v "$examples/firmware/blink-mega8.hex"
"$bin/avrsim" show "$work/chip.avr" | grep '^flash'

echo "== bash completion of the installed scripts"
# Greps behind a pipe read all their input: -q stops at the first match, and the writer then
# dies of SIGPIPE, which pipefail turns into a failure.
completions=$root/usr/share/bash-completion/completions
# shellcheck disable=SC2016
bash -c 'source "$1"; COMP_WORDS=("$2" +mega1); COMP_CWORD=1; _quarnel; printf "%s\n" "${COMPREPLY[@]}"' \
  _ "$completions/quarnel" "$bin/quarnel" | grep -x '+mega16' >/dev/null
# shellcheck disable=SC2016
bash -c 'source "$1"; COMP_LINE="dorvik atmega8 -w"; COMP_POINT=${#COMP_LINE}; _dorvik; echo "${COMPREPLY[*]}"' \
  _ "$completions/dorvik" | grep -x -- '-we= -wf= -wlf= -whf= -wxf= -wlb=' >/dev/null
echo "completions ok"

echo "== manual pages"
for page in "$root"/usr/share/man/man1/*.1.gz; do
  warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  if [ -n "$warnings" ]; then
    echo "$(basename "$page"): $warnings" >&2
    exit 1
  fi
  echo "$(basename "$page"): no warnings"
done

echo "== installed dorvik reading the installed dorvik.ini"
# The package goes into the system itself only where that harms nothing: as root, and when no
# quarnel package is there already. It is purged again at the end.
if [ "$(id -u)" -eq 0 ] && ! dpkg -s quarnel >/dev/null 2>&1; then
  dpkg -i "$deb" >/dev/null
  trap 'dpkg --purge quarnel >/dev/null; rm -rf "$work"' EXIT
  "$bin/avrsim" new "$work/dorvik-chip.avr" mega8 adapter=dorvik
  (cd "$work" && DLPORTIO_LIBRARY=$libdir/libavrsim_dlportio.so \
    AVRSIM_TARGET=$work/dorvik-chip.avr /usr/bin/dorvik atmega8 -rlb)
  MANWIDTH=80 man quarnel | grep 'DLPORTIO_LIBRARY' >/dev/null
else
  echo "skipped: needs root and no quarnel package installed on this machine"
fi

echo "== lintian"
lintian --tag-display-limit 0 "$deb" >"$work/lintian.txt" 2>&1 || true
cat "$work/lintian.txt"
if grep -q '^E:' "$work/lintian.txt"; then
  echo "lintian reports errors" >&2
  exit 1
fi
echo "package check passed"
