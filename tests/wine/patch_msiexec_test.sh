#!/usr/bin/env bash
# spinstall.exe adds nothing and loses nothing against the installer's own
# tool: the package it extracts, applied with "msiexec /p", leaves the German
# demo product and the other product in the same end state as spinstall.exe
# itself (versions, registered patches, every installed file).
source "$(dirname "$0")/patch_lib.sh"
wine_setup

DE="${DEMO_CODE[de]}"
OTHER="$(target_code 4)"

install_products() {
  install_demo de "$FROM_VERSION"
  install_other "$OTHER" "$FROM_VERSION"
}

wine_new_prefix program
install_products
step "applying the patch with spinstall.exe"
run_quiet /q
end_state "$DE" "$OTHER" >"$WINE_SCRATCH/program.state"

wine_new_prefix msiexec
install_products
step "extracting the package with spinstall.exe /e and applying it with msiexec /p"
package="$WINE_SCRATCH/extracted.msp"
run_quiet /e "$(wine_path "$package")"
cmp -s "$package" "$SPINSTALL_PACKAGE" || fail "the extracted package is not the carried one"
wine msiexec /p "$(wine_path "$package")" /qn >"$WINE_SCRATCH/msiexec-p.log" 2>&1 ||
  fail "msiexec /p failed, see $WINE_SCRATCH/msiexec-p.log"
end_state "$DE" "$OTHER" >"$WINE_SCRATCH/msiexec.state"

# The end state is the patched one, not merely the same in both prefixes.
expect_version "$DE" "$TO_VERSION"
expect_version "$OTHER" "$TO_VERSION"
expect_patch_listed "$DE"
expect_patch_listed "$OTHER"
expect_files "$(demo_folder "$DE")" "$(patched_files)"
expect_files "$(other_folder "$OTHER")" "$OTHER_FILES"
diff -u "$WINE_SCRATCH/program.state" "$WINE_SCRATCH/msiexec.state" ||
  fail "msiexec /p left another end state than spinstall.exe"
echo "PASS"
