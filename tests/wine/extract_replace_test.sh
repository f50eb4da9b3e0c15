#!/usr/bin/env bash
# /e PATH under Wine puts the package in PATH's place in one step: through a
# link the link stays and its target is replaced; a hidden file stays hidden.
# A file another program holds without sharing deletion (sharing writing or
# not) and a read-only file make /e fail with the file intact. No file of the
# attempt is left beside it.
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

# extract_to NAME: /e onto NAME in the folder; prints its exit status.
extract_to() {
  local status=0
  run_quiet /exitcode /e "$(wine_path "$dir/$1")" || status=$?
  echo "$status"
}

# hold_and_extract SHARE: extract_to held.msp while the holder keeps it open
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
  extract_to held.msp
  touch "$WINE_SCRATCH/release"
  wait "$holder" || fail "the holder exited $?"
}

for share in rw r; do
  step "/e onto a file held with sharing $share but not deletion fails with 32, the file intact"
  [ "$(hold_and_extract "$share")" = 32 ] || fail "/e did not fail with 32 (sharing violation)"
  [ "$(cat "$dir/held.msp")" = old ] || fail "the held file was changed"
  # Wine's ReplaceFileW first makes an empty rfXXXX.tmp beside the file (to
  # move the old one out of the way) and leaves it when the replace fails.
  find "$dir" -name 'rf*.tmp' -empty -delete
  expect_only held.msp
done

# attrib ARGS: Wine's attrib; the attribute letters it shows for a file.
attrib() { wine cmd /c attrib "$@" 2>/dev/null | tr -d '\r' | sed 's/ *[A-Z]:.*//'; }

# ReplaceFileW needs write access to the file it replaces: a read-only file is
# refused with ERROR_ACCESS_DENIED, as Windows documents.
step "/e keeps a hidden file hidden; a read-only one fails with 5 and stays as it was"
rm -f "$dir"/*
printf 'old' | tee "$dir/hidden.msp" >"$dir/readonly.msp"
attrib +h "$(wine_path "$dir/hidden.msp")" >/dev/null
attrib +r "$(wine_path "$dir/readonly.msp")" >/dev/null
[ "$(extract_to hidden.msp) $(extract_to readonly.msp)" = "0 5" ] || fail "/e did not exit 0, then 5"
cmp -s "$dir/hidden.msp" "$SPINSTALL_PACKAGE" || fail "the hidden file is not the package"
[[ "$(attrib "$(wine_path "$dir/hidden.msp")")" == *H* ]] || fail "the file lost its hidden attribute"
[ "$(cat "$dir/readonly.msp")" = old ] || fail "the read-only file was changed"
[[ "$(attrib "$(wine_path "$dir/readonly.msp")")" == *R* ]] || fail "the file lost its read-only attribute"
expect_only hidden.msp readonly.msp

echo "PASS"
