#!/usr/bin/env bash
# /e PATH under Wine puts the package in PATH's place in one step: through a
# link the link stays and its target is replaced; over a file another program
# holds open, it is written in place when that program shares writing, and
# fails with the old file intact when it does not. No file of the attempt is
# left beside it.
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
wine_setup

wine_new_prefix extract_replace
dir="$WINE_SCRATCH/out"
mkdir -p "$dir"

# expect_only NAME...: the folder holds exactly these names.
expect_only() {
  [ "$(ls -A "$dir" | sort | tr '\n' ' ')" = "$(printf '%s\n' "$@" | sort | tr '\n' ' ')" ] ||
    fail "the folder holds: $(ls -A "$dir" | tr '\n' ' ')"
}

step "/e through a link replaces the link's target and keeps the link"
printf 'old' >"$dir/old.msp"
ln -s old.msp "$dir/link.msp"
run_quiet /e "$(wine_path "$dir/link.msp")" || fail "/e exited $?"
[ -L "$dir/link.msp" ] || fail "the link was replaced"
cmp -s "$dir/old.msp" "$SPINSTALL_PACKAGE" || fail "the link's target is not the package"
expect_only link.msp old.msp
rm -f "$dir"/*

# hold_and_extract SHARE: /e onto held.msp while the holder keeps it open
# with SHARE (rw or r).
hold_and_extract() {
  printf 'old' >"$dir/held.msp"
  rm -f "$WINE_SCRATCH/release" "$WINE_SCRATCH/holder.out"
  run_tool holder "$(wine_path "$dir/held.msp")" "$1" "$(wine_path "$WINE_SCRATCH/release")" \
    >"$WINE_SCRATCH/holder.out" 2>/dev/null &
  local holder=$!
  for _ in $(seq 200); do
    grep -qs held "$WINE_SCRATCH/holder.out" && break
    kill -0 "$holder" 2>/dev/null || fail "the holder could not open the file"
    sleep 0.05
  done
  grep -qs held "$WINE_SCRATCH/holder.out" || fail "the holder did not report its hold"
  run_quiet /e "$(wine_path "$dir/held.msp")" || fail "/e exited $?"
  touch "$WINE_SCRATCH/release"
  wait "$holder" || fail "the holder exited $?"
}

step "/e onto a file held with read and write sharing writes it in place"
hold_and_extract rw
cmp -s "$dir/held.msp" "$SPINSTALL_PACKAGE" || fail "the held file is not the package"
expect_only held.msp

step "/e onto a file held without write sharing fails and keeps the old file"
hold_and_extract r
[ "$(cat "$dir/held.msp")" = old ] || fail "the held file was changed"
expect_only held.msp

echo "PASS"
