#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks to build the programmers ("programs": the
# programs and the main job's tools only) or to build, test and package them (the default, "all").
set -euo pipefail

base=(cmake g++ make ccache srecord)
# PostgreSQL's server runs the tests of several stations on one database; libpq-dev's header
# checks the layout of the run-time libpq binding.
tests=(libgtest-dev libgmock-dev clang-format clang-tidy postgresql libpq-dev)
# clang and its libFuzzer runtime build the fuzz targets.
fuzzing=(clang libclang-rt-14-dev)
# Manual pages, the Debian package and its checks (installed without recommended packages).
packaging=(scdoc man-db dpkg-dev file lintian)
# The AVR toolchain only adds round-trip tests of files made by real tools.
avr=(binutils-avr gcc-avr avr-libc)
# libftdi's headers check the layouts of the libftdi stand-ins; avrdude (linked to libftdi 0.20)
# programs the virtual chip through them in a fidelity test, and through the libusb stand-ins
# with its usbasp programmer.
ftdi=(libftdi1-dev libftdi-dev avrdude)
# The Windows build and its checks under Wine (64-bit only: no i386 architecture needed).
windows=(g++-mingw-w64-x86-64-posix wine wine64)
case "${1:-all}" in
programs) wanted=("${base[@]}") ;;
all) wanted=("${base[@]}" "${tests[@]}" "${fuzzing[@]}" "${packaging[@]}" "${avr[@]}" "${ftdi[@]}" "${windows[@]}") ;;
*)
  echo "usage: $0 [programs|all]" >&2
  exit 2
  ;;
esac

need=()
for pkg in "${wanted[@]}"; do
  if ! dpkg -s "$pkg" >/dev/null 2>&1; then
    echo "  missing package: $pkg"
    need+=("$pkg")
  fi
done
if [ ${#need[@]} -eq 0 ]; then
  echo "  all ${#wanted[@]} packages present"
  exit 0
fi

# The missing packages of one group.
missing_of() {
  local pkg
  for pkg in "${need[@]}"; do
    case " $* " in *" $pkg "*) echo "$pkg" ;; esac
  done
}

# A line per package downloaded and per package set up (dependencies included), so a long
# install shows its progress.
install() {
  echo "  installing $*"
  apt-get install -y -q -o DPkg::Lock::Timeout=600 "$@" |
    awk '/^Get:[0-9]+ / { print "    downloading " $5; fflush() }
         /^Setting up / { print "    " $0; fflush() }'
}

export DEBIAN_FRONTEND=noninteractive
echo "  apt-get update"
apt-get update -qq -o DPkg::Lock::Timeout=600
mapfile -t required < <(missing_of "${base[@]}" "${tests[@]}" "${fuzzing[@]}")
mapfile -t docs < <(missing_of "${packaging[@]}")
mapfile -t cross < <(missing_of "${windows[@]}")
mapfile -t optional < <(missing_of "${avr[@]}")
mapfile -t ftdi_tools < <(missing_of "${ftdi[@]}")
if [ ${#required[@]} -gt 0 ]; then
  install "${required[@]}"
fi
if [ ${#docs[@]} -gt 0 ]; then
  install --no-install-recommends "${docs[@]}"
fi
if [ ${#cross[@]} -gt 0 ]; then
  install --no-install-recommends "${cross[@]}"
fi
if [ ${#optional[@]} -gt 0 ]; then
  install "${optional[@]}" ||
    echo "note: AVR toolchain not installed; the round-trip tests will be skipped"
fi
if [ ${#ftdi_tools[@]} -gt 0 ]; then
  install "${ftdi_tools[@]}" ||
    echo "note: libftdi headers or avrdude not installed; their checks will be skipped"
fi
echo "  packages installed"
