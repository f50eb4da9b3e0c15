#!/usr/bin/env bash
# /e under Wine: the carried package written byte for byte, to a given path or
# to the next free MSPn in TMP, and the program a GUI executable that needs no
# DLL beyond Windows' own.
source "$(dirname "$0")/lib.sh"
wine_setup

# expect_package FILE: FILE holds exactly the carried package.
expect_package() {
  [ -f "$1" ] || fail "no file $1"
  cmp -s "$1" "$SPINSTALL_PACKAGE" || fail "$1 is not the carried package ($(stat -c %s "$1") bytes)"
}

# expect_silent_success: the last quiet run exited 0 and showed no box.
expect_silent_success() {
  [ -z "$(traced_box_calls "$WINE_SCRATCH/run.log")" ] || fail "/e showed a message box"
}

step "the executable: GUI subsystem, importing only KERNEL32 and the C runtime"
headers="$WINE_SCRATCH/objdump.txt"
x86_64-w64-mingw32-objdump -p "$SPINSTALL_EXE" >"$headers"
grep -q '^Subsystem[[:space:]]*00000002' "$headers" || fail "not a GUI-subsystem executable"
mapfile -t dlls < <(sed -n 's/^[[:space:]]*DLL Name: //p' "$headers" | tr 'A-Z' 'a-z' | sort -u)
((${#dlls[@]} > 0)) || fail "objdump listed no imported DLL"
# Every other DLL is loaded at run time from System32 only, so that no DLL
# planted beside the program is loaded before its first line runs.
[ "${dlls[*]}" = "kernel32.dll msvcrt.dll" ] || fail "the executable imports ${dlls[*]}"
# The loader takes the load configuration from the data directory: there it
# must be, with DependentLoadFlags (offset 78) LOAD_LIBRARY_SEARCH_SYSTEM32.
read -r _ _ rva size _ < <(grep 'Load Configuration Directory' "$headers")
section=$(x86_64-w64-mingw32-objdump -h "$SPINSTALL_EXE" | awk '$2 == ".loadcfg" {print $4, $6}')
[ "$((16#$rva)) $((16#$size))" != "0 0" ] || fail "the data directory names no load configuration"
base=$(sed -n 's/^ImageBase[[:space:]]*//p' "$headers")
[ "$((16#${section% *} - 16#$base))" = "$((16#$rva))" ] ||
  fail "the load configuration entry is not the _load_config_used section"
flags=$(od -An -tu2 -j $((16#${section#* } + 78)) -N2 "$SPINSTALL_EXE" | tr -d ' ')
[ "$flags" = 2048 ] || fail "DependentLoadFlags is $flags, not LOAD_LIBRARY_SEARCH_SYSTEM32"

wine_new_prefix extract
temp="$(wine_temp_dir)"

step "/e PATH writes the carried package there, and exits 0"
run_quiet /e "$(wine_path "$WINE_SCRATCH/x.msp")" || fail "/e PATH exited $?"
expect_package "$WINE_SCRATCH/x.msp"
expect_silent_success

step "/e PATH over a longer existing file leaves exactly the package"
head -c $(($(stat -c %s "$SPINSTALL_PACKAGE") + 4096)) /dev/urandom >"$WINE_SCRATCH/old.msp"
run_quiet /e "$(wine_path "$WINE_SCRATCH/old.msp")" || fail "/e PATH exited $?"
expect_package "$WINE_SCRATCH/old.msp"

step "/e alone writes MSP2 into TMP"
# Besides the run logs (spinstall-*) of the runs before.
[ -z "$(ls "$temp" | grep -v '^spinstall-')" ] || fail "the prefix's TMP is not empty: $(ls "$temp")"
run_quiet /e || fail "/e exited $?"
expect_package "$temp/MSP2"
expect_silent_success

step "/e in a second process skips the MSP2 of the first: MSP3"
run_quiet /e || fail "/e exited $?"
expect_package "$temp/MSP3"
cmp -s "$temp/MSP2" "$SPINSTALL_PACKAGE" || fail "the second run changed MSP2"

step "planted MSP2 and MSP3 stay untouched, MSP4 is written"
rm -f "$temp"/MSP*
printf 'planted two\r\n' >"$temp/MSP2"
printf 'planted three\r\n' >"$temp/MSP3"
run_quiet /e || fail "/e exited $?"
[ "$(cat "$temp/MSP2")" = $'planted two\r' ] || fail "the planted MSP2 was changed"
[ "$(cat "$temp/MSP3")" = $'planted three\r' ] || fail "the planted MSP3 was changed"
expect_package "$temp/MSP4"

step "a link planted at MSP2 is neither followed nor replaced"
rm -f "$temp"/MSP*
victim="$WINE_SCRATCH/victim"
ln -s "$victim" "$temp/MSP2"  # dangling: the name looks free to a plain check
run_quiet /e || fail "/e exited $?"
[ ! -e "$victim" ] || fail "the extraction wrote through the link planted at MSP2"
[ "$(readlink "$temp/MSP2")" = "$victim" ] || fail "the link planted at MSP2 was replaced"
expect_package "$temp/MSP3"

echo "PASS"
