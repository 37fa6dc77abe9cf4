#!/usr/bin/env bash
# Every switch that a program's usage text names must appear in its manual page source.
# Usage: man_switches.sh PAGE.scd PROGRAM ARGS...  (PROGRAM ARGS prints the usage text)
set -uo pipefail
page=$1
shift
usage=$("$@") || { echo "the usage text could not be printed: $*"; exit 1; }

# A switch is a dash and letters, digits, ?, ! or % after a blank, comma or bracket; a trailing
# upper-case placeholder (-aX, -amPINMAP) is not part of it, and the value after = or [ neither.
switches=$(printf '%s\n' "$usage" |
  grep -oE '(^|[[:space:],(])-[A-Za-z0-9?!%]+' |
  sed -E 's/^[[:space:],(]//; s/^(-[a-z0-9?!%]+)[A-Z]+$/\1/' | sort -u)
[ -n "$switches" ] || { echo "no switches found in the usage text of $1"; exit 1; }

missing=0
for switch in $switches; do
  pattern=$(printf '%s' "$switch" | sed 's/[]\[?*+.^$(){}|\\/]/\\&/g')
  # In the page the switch stands alone: not followed by more letters or digits.
  if ! grep -qE "(^|[^A-Za-z0-9])${pattern}([^A-Za-z0-9]|\$)" "$page"; then
    echo "$switch: in the usage text of $1 but not in $page"
    missing=1
  fi
done
exit $missing
