#!/usr/bin/env bash
# The carried patch under Wine's installer, for the demo family in German,
# French, Japanese and the fourth target's language, all at the baseline
# release. One run leaves each product exactly as a fresh install of its
# upgraded package (every file, the registry values, ProductVersion) with the
# patch registered as uninstallable; a second run finds nothing to do. Then a
# second patch, made with "msp_tool create" from 16.1.84.0 to a later release
# and not removable, applies on top of the first.
source "$(dirname "$0")/patch_lib.sh"
wine_setup

CODES=("${DEMO_CODE[de]}" "${DEMO_CODE[fr]}" "${DEMO_CODE[ja]}" "$(target_code 4)")

step "a fresh install of the upgraded packages, for comparison"
fresh_upgrade_state "$WINE_SCRATCH/fresh.state" "${CODES[@]}"

wine_new_prefix apply
step "installing ${#CODES[@]} members at $FROM_VERSION"
install_members "$FROM_VERSION" "${CODES[@]}"
for code in "${CODES[@]}"; do
  expect_version "$code" "$FROM_VERSION"
  expect_no_patch "$code"
done

step "first run: the patch is applied to each product"
run_quiet
[ "$(traced_configure_calls "$WINE_SCRATCH/run.log" | wc -l)" -eq "${#CODES[@]}" ] ||
  fail "expected ${#CODES[@]} MsiConfigureProductExW calls, saw: $(traced_configure_calls "$WINE_SCRATCH/run.log")"
for code in "${CODES[@]}"; do expect_patch_listed "$code"; done
installed_state "${CODES[@]}" >"$WINE_SCRATCH/patched.state"
diff -u "$WINE_SCRATCH/fresh.state" "$WINE_SCRATCH/patched.state" ||
  fail "the patched products differ from a fresh install of the upgraded packages"

step "second run: every product is up to date"
run_quiet
[ -z "$(traced_configure_calls "$WINE_SCRATCH/run.log")" ] || fail "the second run applied the patch again"
boxes="$(traced_box_calls "$WINE_SCRATCH/run.log")"
[ "$(printf '%s\n' "$boxes" | grep -c .)" -eq 1 ] || fail "expected one box, saw: $boxes"

step "a second patch, from $TO_VERSION to a later release, applies after the first"
DE="${DEMO_CODE[de]}"
LATER="${TO_VERSION%.*}.$((${TO_VERSION##*.} + 7))"
files="$WINE_SCRATCH/later-files"
cp -r "$(release_files "$TO_VERSION")" "$files"
printf 'Fixed in %s.\r\n' "$LATER" >>"$files/readme.txt"
make_package "$WINE_SCRATCH/later.msi" "$DE" 1031 "${DEMO_NAME[de]}" "$(table_field "$DE" 4)" \
  "$LATER" "$files"
# Made not removable: Wine registers what MsiPatchMetadata's AllowRemoval says.
"$SPINSTALL_MSP_TOOL" create "$WINE_SCRATCH/second.msp" "$(built_package "$DE" "$TO_VERSION")" \
  "$WINE_SCRATCH/later.msi" --not-removable >"$WINE_SCRATCH/create.log" 2>&1 ||
  fail "msp_tool create failed: $(cat "$WINE_SCRATCH/create.log")"
second=$(msiinfo suminfo "$WINE_SCRATCH/second.msp" | sed -n 's/^Revision number (UUID): //p')
[ "$second" != "$PATCH_CODE" ] || fail "the second patch has the first one's code"
wine msiexec /p "$(wine_path "$WINE_SCRATCH/second.msp")" /qn >"$WINE_SCRATCH/second.log" 2>&1 ||
  fail "msiexec /p of the second patch failed"
expect_version "$DE" "$LATER"
expect_patch_listed "$DE"
expect_patch_listed "$DE" "$second" 0
cmp -s "$(demo_folder "$DE")/readme.txt" "$files/readme.txt" ||
  fail "the second patch did not bring its readme.txt"
echo "PASS"
