#!/usr/bin/env bash
# A patch of the family that carries its changed engine DLL as a binary
# delta (msp_tool create --delta): applied with "msiexec /p" and by
# spinstall.exe carrying it, the product equals a fresh install of the
# upgraded package (versions, every installed file, registry values). Where
# the installed DLL is not the baseline's (a user replaced it), the patch
# engine cannot apply the delta: the installation fails with 1603 and the
# replaced file stays as it was. (Wine's rollback also drops the product's
# registration, which Windows' rollback restores: not checked.)
source "$(dirname "$0")/patch_lib.sh"
wine_setup

CODE="${DEMO_CODE[de]}"
work="$WINE_SCRATCH/delta"
mkdir -p "$work"
patch="$work/delta.msp"
DELTA_PATCH=$(derived_guid "delta patch")
step "msp_tool create --delta"
"$SPINSTALL_MSP_TOOL" create "$patch" "$(built_package "$CODE" "$FROM_VERSION")" \
  "$(built_package "$CODE" "$TO_VERSION")" --delta --patch-code "$DELTA_PATCH" >"$work/create.log" 2>&1 ||
  fail "msp_tool create --delta failed: $(cat "$work/create.log")"
grep -q ": delta quillmark.dll: " "$work/create.log" ||
  fail "the engine DLL is not carried as a delta: $(cat "$work/create.log")"
grep -q ": whole readme.txt: .*unversioned" "$work/create.log" ||
  fail "an unversioned file went as a delta by default: $(cat "$work/create.log")"
"$SPINSTALL_MSP_TOOL" check --authored "$patch" >"$work/check.log" 2>&1 ||
  fail "the check refused the delta patch: $(cat "$work/check.log")"

fresh_upgrade_state "$WINE_SCRATCH/fresh.state" "$CODE"

step "msiexec /p"
wine_new_prefix delta-msiexec
install_members "$FROM_VERSION" "$CODE"
wine msiexec /p "$(wine_path "$patch")" /qn >"$work/msiexec.log" 2>&1 ||
  fail "msiexec /p failed, see $work/msiexec.log"
installed_state "$CODE" >"$WINE_SCRATCH/msiexec.state"
diff -u "$WINE_SCRATCH/fresh.state" "$WINE_SCRATCH/msiexec.state" ||
  fail "msiexec /p left another state than a fresh install of the upgrade"

step "spinstall.exe carrying the delta patch"
program_around "$patch" delta
wine_new_prefix delta-program
install_members "$FROM_VERSION" "$CODE"
run_quiet /q || fail "spinstall.exe /q exited $?"
installed_state "$CODE" >"$WINE_SCRATCH/program.state"
diff -u "$WINE_SCRATCH/fresh.state" "$WINE_SCRATCH/program.state" ||
  fail "spinstall.exe left another state than a fresh install of the upgrade"
expect_patch_listed "$CODE" "$DELTA_PATCH"

step "an installed DLL that is not the baseline's"
wine_new_prefix delta-replaced
install_members "$FROM_VERSION" "$CODE"
dll="$(demo_folder "$CODE")/quillmark.dll"
printf 'X' | dd of="$dll" bs=1 seek=100 conv=notrunc status=none
cp "$dll" "$work/replaced.dll"
status=0
wine msiexec /p "$(wine_path "$patch")" /qn >"$work/replaced.log" 2>&1 || status=$?
[ "$status" -eq $((1603 % 256)) ] || fail "msiexec /p on a replaced DLL exited $status, expected 1603"
cmp -s "$dll" "$work/replaced.dll" || fail "the failed installation did not keep the replaced DLL"
echo "PASS"
