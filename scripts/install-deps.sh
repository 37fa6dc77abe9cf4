#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks to build and test the programmers.
set -euo pipefail

need=()
packaging=(scdoc man-db dpkg-dev file lintian)
for pkg in cmake g++ make ccache libgtest-dev libgmock-dev "${packaging[@]}" binutils-avr gcc-avr avr-libc srecord; do
  dpkg -s "$pkg" >/dev/null 2>&1 || need+=("$pkg")
done
[ ${#need[@]} -eq 0 ] && exit 0

export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq cmake g++ make ccache libgtest-dev libgmock-dev >/dev/null
# Manual pages, the Debian package and its checks.
apt-get install -y -qq --no-install-recommends "${packaging[@]}" >/dev/null
# The AVR toolchain and srecord only add round-trip tests of files made by real tools.
apt-get install -y -qq binutils-avr gcc-avr avr-libc srecord >/dev/null ||
  echo "note: AVR toolchain not installed; the round-trip tests will be skipped"
