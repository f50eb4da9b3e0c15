#!/usr/bin/env bash
# /e PATH under Wine puts the package in PATH's place in one step: through a
# link the link stays and its target is replaced; a hidden file stays hidden;
# a file another program holds open without sharing deletion, whether or not
# it shares writing, and a read-only file make /e fail with the old file
# intact. No file of the attempt is left beside it.
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
# with SHARE (rw or r); prints /e's exit status.
hold_and_extract() {
  printf 'old' >"$dir/held.msp"
  rm -f "$WINE_SCRATCH/release" "$WINE_SCRATCH/holder.out"
  run_tool holder "$(wine_path "$dir/held.msp")" "$1" "$(wine_path "$WINE_SCRATCH/release")" \
    >"$WINE_SCRATCH/holder.out" 2>/dev/null &
  local holder=$! status=0
  for _ in $(seq 200); do
    grep -qs held "$WINE_SCRATCH/holder.out" && break
    kill -0 "$holder" 2>/dev/null || fail "the holder could not open the file"
    sleep 0.05
  done
  grep -qs held "$WINE_SCRATCH/holder.out" || fail "the holder did not report its hold"
  run_quiet /exitcode /e "$(wine_path "$dir/held.msp")" || status=$?
  touch "$WINE_SCRATCH/release"
  wait "$holder" || fail "the holder exited $?"
  echo "$status"
}

# Wine's ReplaceFileW, without a backup name, first makes an empty rfXXXX.tmp
# in the folder (GetTempFileNameW) to move the old file out of the way, and
# leaves it when the replace fails; Windows makes none. Removes it, when empty.
drop_wine_leftover() {
  local leftover
  for leftover in "$dir"/rf*.tmp; do
    [ -e "$leftover" ] || continue
    [ ! -s "$leftover" ] || fail "$leftover is not empty"
    rm -f "$leftover"
  done
}

# A holder that shares writing but not deletion refuses the replace: the file
# is never written in place, whatever it shares.
for share in rw r; do
  step "/e onto a file held with sharing $share fails with 32 and keeps the old file"
  status=$(hold_and_extract "$share")
  [ "$status" = 32 ] || fail "/e exited $status, expected 32 (sharing violation)"
  [ "$(cat "$dir/held.msp")" = old ] || fail "the held file was changed"
  drop_wine_leftover
  expect_only held.msp
done
rm -f "$dir"/*

# attributes FILE: the attribute letters Wine's attrib shows for FILE.
attributes() { wine cmd /c attrib "$(wine_path "$1")" 2>/dev/null | tr -d '\r' | sed 's/ *[A-Z]:.*//'; }

step "/e onto a hidden file replaces it and keeps it hidden"
printf 'old' >"$dir/hidden.msp"
wine cmd /c attrib +h "$(wine_path "$dir/hidden.msp")" >/dev/null 2>&1
[[ "$(attributes "$dir/hidden.msp")" == *H* ]] || fail "attrib could not hide the file"
run_quiet /exitcode /e "$(wine_path "$dir/hidden.msp")" || fail "/e exited $?"
cmp -s "$dir/hidden.msp" "$SPINSTALL_PACKAGE" || fail "the hidden file is not the package"
[[ "$(attributes "$dir/hidden.msp")" == *H* ]] || fail "the file lost its hidden attribute"
expect_only hidden.msp
rm -f "$dir"/*

# ReplaceFileW needs write access to the file it replaces: a read-only file
# is refused with ERROR_ACCESS_DENIED, as Windows documents, before anything
# is written.
step "/e onto a read-only file fails with 5 and keeps the old file"
printf 'old' >"$dir/readonly.msp"
wine cmd /c attrib +r "$(wine_path "$dir/readonly.msp")" >/dev/null 2>&1
status=0
run_quiet /exitcode /e "$(wine_path "$dir/readonly.msp")" || status=$?
[ "$status" = 5 ] || fail "/e exited $status, expected 5 (access denied)"
[ "$(cat "$dir/readonly.msp")" = old ] || fail "the read-only file was changed"
[[ "$(attributes "$dir/readonly.msp")" == *R* ]] || fail "the file lost its read-only attribute"
expect_only readonly.msp

echo "PASS"
