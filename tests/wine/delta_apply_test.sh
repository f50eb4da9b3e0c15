#!/usr/bin/env bash
# Deltas made by msptool_delta, applied by Wine's mspatcha.dll (a real
# decoder of Windows-made deltas) through ApplyPatchToFileW, as the
# installer's PatchFiles action applies them: for every case of the delta
# tests (tests/tools/support/delta_cases.cpp) the engine must write the
# upgraded file byte for byte. An old file that is not the delta's must be
# refused.
source "$(dirname "$0")/lib.sh"
wine_setup

maker="$(dirname "$SPINSTALL_MSP_TOOL")/delta_case_maker"
[ -x "$maker" ] || fail "no $maker: build the tools"
cases="$WINE_SCRATCH/cases"
mkdir -p "$cases"
step "writing the cases"
"$maker" "$cases" || fail "delta_case_maker failed"

wine_new_prefix delta
count=0
while read -r name; do
  # A delta of several old files (NAME.old, NAME.old2, ...) must serve each.
  for old in "$cases/$name".old*; do
    step "$name: $(stat -c %s "$old") -> $(stat -c %s "$cases/$name.new") bytes, delta $(stat -c %s "$cases/$name.delta")"
    run_tool apply_delta "$(wine_path "$cases/$name.delta")" "$(wine_path "$old")" \
      "$(wine_path "$cases/$name.out")" >"$WINE_SCRATCH/$name.log" 2>&1 ||
      fail "$name: the patch engine refused the delta on ${old##*/}: $(tr -d '\r' <"$WINE_SCRATCH/$name.log")"
    cmp "$cases/$name.out" "$cases/$name.new" || fail "$name: the patch engine made other bytes from ${old##*/}"
    rm -f "$cases/$name.out"
    count=$((count + 1))
  done
done <"$cases/list.txt"
[ "$count" -ge 10 ] || fail "only $count cases applied"

step "an old file that is not the delta's is refused"
other="$cases/other.old"
cp "$cases/scattered_edits.old" "$other"
printf 'X' | dd of="$other" bs=1 seek=100 conv=notrunc status=none
if run_tool apply_delta "$(wine_path "$cases/scattered_edits.delta")" "$(wine_path "$other")" \
  "$(wine_path "$cases/other.out")" >"$WINE_SCRATCH/other.log" 2>&1; then
  fail "the patch engine applied the delta to another old file"
fi
echo "$count deltas applied exactly"
