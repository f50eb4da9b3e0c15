#!/usr/bin/env bash
# /p under Wine: the carried descriptors appended as blocks (five asterisks,
# the descriptor's bytes, CR LF) to the named list or to a default one named
# after the first target product, without a message box.
source "$(dirname "$0")/lib.sh"
wine_setup

# The blocks one export appends: one per carried descriptor.
blocks() {
  local descriptor
  IFS=: read -ra descriptors <<<"$SPINSTALL_DESCRIPTORS"
  for descriptor in "${descriptors[@]}"; do
    printf '*****\r\n'
    cat "$descriptor"
    printf '\r\n'
  done
}

expect_no_box() {
  [ -z "$(traced_box_calls "$WINE_SCRATCH/run.log")" ] || fail "$1 showed a message box"
}

wine_new_prefix patchlist
blocks >one-export
blocks >>two-exports
blocks >>two-exports

step "/p list.txt twice: two identical blocks"
run_quiet /p list.txt || fail "/p exited $?"
expect_no_box /p
cmp -s list.txt one-export || fail "after one run list.txt is not one export's blocks"
run_quiet /p list.txt || fail "/p exited $?"
cmp -s list.txt two-exports || fail "after two runs list.txt is not two exports' blocks"

step "/p onto a list whose last line has no end: CR LF first, then the blocks"
printf 'last line' >unended.txt
run_quiet /p unended.txt || fail "/p exited $?"
{ printf 'last line\r\n'; cat one-export; } >unended-expected
cmp -s unended.txt unended-expected || fail "the unended list did not get its line end and blocks"

step "/p alone: patchlistXXXX.txt, XXXX after the first '-' of the first target"
first="$(target_code 1)"
part="${first#*-}"
default="patchlist${part:0:4}.txt"
run_quiet /p || fail "/p exited $?"
expect_no_box /p
cmp -s "$default" one-export || fail "/p alone wrote no $default with the blocks: $(ls)"
cmp -s "$(wine_temp_dir)/MSP2" "$SPINSTALL_PACKAGE" || fail "/p alone left no MSP2 in TMP"

echo "PASS"
