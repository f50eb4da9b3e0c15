#!/usr/bin/env bash
# "msp_tool transform BEFORE AFTER" is the exact difference of any two
# packages: msi.dll's own MsiDatabaseApplyTransformW (tools/apply_transform.cpp)
# applied to BEFORE gives a database whose every table equals AFTER's, as
# msitools' msidump (not our reader) exports them. The pairs are packages no
# test wrote by hand: the wixl-built demo products (code page 65001, names in
# three scripts), one whose upgrade adds a table with a string of 70,000 bytes,
# adds a stream and deletes rows, and one of more than 65,535 strings whose upgrade changes
# nearly all of them (long string references in the databases and in the
# transform).
source "$(dirname "$0")/lib.sh"
wine_setup
wine_new_prefix transform

work="$WINE_SCRATCH/pairs"
mkdir -p "$work"

# A table of N notes (keys n00000...) whose texts say WORDS, as an .idt file.
notes_idt() {
  local out="$1" first="$2" last="$3" words="$4"
  printf 'Note\tText\tSize\r\ns72\tl0\ti4\r\nNote\tNote\r\n' >"$out"
  seq "$first" "$last" | awk -v w="$words" '{ printf "n%05d\tline %d of the %s\t%d\r\n", $1, $1, w, $1 }' >>"$out"
}

# The tables of database MSI as msidump exports them, into folder OUT, rows
# sorted (the installer keeps its own row order); the summary information is
# no table.
dump_tables() {
  local msi="$1" out="$2" idt
  mkdir -p "$out"
  (cd "$out" && msidump -t "$msi") >/dev/null 2>&1 || fail "msidump cannot read $msi"
  rm -f "$out/_SummaryInformation.idt"
  for idt in "$out"/*.idt; do
    { head -n 3 "$idt"; tail -n +4 "$idt" | LC_ALL=C sort; } >"$idt.sorted"
    mv "$idt.sorted" "$idt"
  done
}

round_trip() {
  local name="$1" before="$2" after="$3"
  step "$name: msp_tool transform, then MsiDatabaseApplyTransformW"
  "$SPINSTALL_MSP_TOOL" transform "$before" "$after" "$work/$name.mst" ||
    fail "msp_tool transform failed for $name"
  run_tool apply_transform "$(wine_path "$before")" "$(wine_path "$work/$name.mst")" \
    "$(wine_path "$work/$name-applied.msi")" || fail "msi.dll could not apply the $name transform"
  dump_tables "$work/$name-applied.msi" "$work/$name-applied"
  dump_tables "$after" "$work/$name-after"
  [ "$(ls "$work/$name-after" | wc -l)" -gt 20 ] || fail "msidump exported too few tables of $after"
  diff -r "$work/$name-applied" "$work/$name-after" >"$work/$name.diff" ||
    fail "$name: the transformed database differs from the upgrade: $(head -c 2000 "$work/$name.diff")"
  # The releases' own cabinets differ, and a transform carries tables, not a
  # package's cabinet (a patch brings its own): diff names that stream apart.
  extra=$("$SPINSTALL_MSP_TOOL" diff "$after" "$work/$name-applied.msi" |
    grep -v -e '^no difference$' -e '(no transform carries it)$' || true)
  [ -z "$extra" ] || fail "$name: our reader sees a difference that msidump does not: $extra"
}

for key in de fr ja; do
  demo_msi "$work/$key-old.msi" "$key" 16.1.63.10
  demo_msi "$work/$key-new.msi" "$key" 16.1.84.0
  round_trip "demo-$key" "$work/$key-old.msi" "$work/$key-new.msi"
done

# A table added with a 70,000-byte string (its length needs the pool's long
# entry), rows deleted from two tables, a row changed, a Binary row whose
# stream the transform carries.
long="$(head -c 70000 /dev/zero | tr '\0' 'q')"
printf 'Name\tBody\r\ns72\tL0\r\nEssay\tName\r\nshort\tone line\r\nlong\t%s\r\n' "$long" >"$work/Essay.idt"
mkdir -p "$work/Binary"
printf 'Name\tData\r\ns72\tv0\r\nBinary\tName\r\nlogo\tlogo.ibd\r\n' >"$work/Binary.idt"
seq 1 2000 >"$work/Binary/logo.ibd"
cp "$work/de-new.msi" "$work/long.msi"
(
  cd "$work"
  msibuild long.msi -i Essay.idt &&
    msibuild long.msi -i Binary.idt &&
    msibuild long.msi -q "DELETE FROM InstallUISequence WHERE Sequence > 1000" &&
    msibuild long.msi -q "DELETE FROM AdminExecuteSequence WHERE Action = 'InstallFiles'" &&
    msibuild long.msi -q "UPDATE File SET FileSize = 4242 WHERE File = 'readme.txt'"
) >"$work/long.log" 2>&1 || fail "cannot build the long-string package, see $work/long.log"
round_trip long "$work/de-old.msi" "$work/long.msi"

# 70,000 notes before, nearly all rewritten after, some deleted, some added.
notes_idt "$work/Note.idt" 0 69999 notes
cp "$work/de-old.msi" "$work/many-old.msi"
(cd "$work" && msibuild many-old.msi -i Note.idt) >"$work/many.log" 2>&1 ||
  fail "cannot build the many-strings package, see $work/many.log"
notes_idt "$work/Note.idt" 5 70009 "revised notes"
cp "$work/de-new.msi" "$work/many-new.msi"
(cd "$work" && msibuild many-new.msi -i Note.idt) >>"$work/many.log" 2>&1 ||
  fail "cannot build the many-strings package, see $work/many.log"
round_trip many "$work/many-old.msi" "$work/many-new.msi"
