#!/usr/bin/env bash
# Runs every shell example of a Markdown file, so the examples cannot drift from the programs.
#
#   readme_examples.sh README.md BIN_DIR SOURCE_DIR
#
# Each ```sh block runs on its own, in a fresh temporary folder that holds `build/bin` (a link
# to BIN_DIR, and `build/usbasp` to the libusb stand-ins beside it) and `examples` (a link to SOURCE_DIR/examples), with BIN_DIR on PATH, one line
# at a time in one shell (so `export` carries to the next line). A line must end with status 0,
# unless its comment says otherwise:
#   quarnel +mega8 -l3        # status 70: ...       the line must end with status 70
#   dorvik atmega8 -rsn       # prints "42"          its output must contain 42
# Blocks for real hardware are skipped when the line before the fence is
# `<!-- not run: ... -->`; blocks with another info string (```text, ```ini...) are not run.
set -uo pipefail

readme=$1
bin=$(cd "$2" && pwd)
source_dir=$(cd "$3" && pwd)

blocks=$(mktemp -d)
trap 'rm -rf "$blocks"' EXIT

# One file per block, named by the line of its opening fence.
awk -v dir="$blocks" '
  /^```/ && in_block { in_block = 0; close(file); next }
  /^```sh[ \t]*$/ && !in_block {
    in_block = 1
    if (skip) { file = "/dev/null"; skipped++ } else { file = sprintf("%s/%05d.sh", dir, NR) }
    skip = 0
    next
  }
  in_block { print > file; next }
  /^<!-- not run:/ { skip = 1; next }
  /[^ \t]/ { skip = 0 }
  END { printf "%d\n", skipped > (dir "/skipped") }
' "$readme"

# Runs one line; returns 1 when its status or output is not the documented one.
run_line() {
  local line=$1 comment="" expected=0 wanted="" status
  if [[ $line =~ [[:space:]]#[[:space:]](.*)$ ]]; then
    comment=${BASH_REMATCH[1]}
  fi
  if [[ $comment =~ (^|[^[:alnum:]])status[[:space:]]([0-9]+) ]]; then
    expected=${BASH_REMATCH[2]}
  fi
  if [[ $comment =~ prints[[:space:]]\"([^\"]*)\" ]]; then
    wanted=${BASH_REMATCH[1]}
  fi
  printf '$ %s\n' "$line"
  eval "$line" >"$blocks/.output" 2>&1 </dev/null
  status=$?
  cat "$blocks/.output"
  if [ "$status" != "$expected" ]; then
    echo "!! ended with status $status, the README says $expected"
    return 1
  fi
  if [ -n "$wanted" ] && ! grep -qF -- "$wanted" "$blocks/.output"; then
    echo "!! did not print \"$wanted\""
    return 1
  fi
}

passed=0
failed=0
for block in "$blocks"/*.sh; do
  [ -e "$block" ] || continue
  line_number=$((10#$(basename "$block" .sh)))
  work=$(mktemp -d)
  mkdir -p "$work/build"
  ln -s "$bin" "$work/build/bin"
  # The libusb stand-ins sit in folders of their own beside it.
  if [ -d "$bin/../usbasp" ]; then
    ln -s "$(cd "$bin/../usbasp" && pwd)" "$work/build/usbasp"
  fi
  ln -s "$source_dir/examples" "$work/examples"
  echo "== $(basename "$readme") line $line_number, in $work"
  if (
    cd "$work" || exit 1
    export PATH="$bin:$PATH"
    unset DLPORTIO_LIBRARY FTD2XX_LIBRARY AVRSIM_TARGET QUARNEL_CONFIG_PATH
    while IFS= read -r line || [ -n "$line" ]; do
      [[ $line =~ ^[[:space:]]*(#|$) ]] && continue
      run_line "$line" || exit 1
    done <"$block"
  ); then
    passed=$((passed + 1))
  else
    echo "!! example at line $line_number failed"
    failed=$((failed + 1))
  fi
  rm -rf "$work"
done

skipped=$(cat "$blocks/skipped")
echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
