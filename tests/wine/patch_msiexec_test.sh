#!/usr/bin/env bash
# spinstall.exe adds nothing and loses nothing against the installer's own
# tool: the package it extracts, applied with "msiexec /p", leaves two members
# of the family in the same end state as spinstall.exe itself (versions,
# registered patches, every installed file, registry values), and that state
# is a fresh install of the upgraded packages. Then the version rule as the
# installer itself reads it, without spinstall.exe: a product at a version
# outside it.
source "$(dirname "$0")/patch_lib.sh"
wine_setup

CODES=("${DEMO_CODE[de]}" "$(target_code 4)")

fresh_upgrade_state "$WINE_SCRATCH/fresh.state" "${CODES[@]}"

wine_new_prefix program
install_members "$FROM_VERSION" "${CODES[@]}"
step "applying the patch with spinstall.exe"
run_quiet /q
end_state "${CODES[@]}" >"$WINE_SCRATCH/program.state"

wine_new_prefix msiexec
install_members "$FROM_VERSION" "${CODES[@]}"
step "extracting the package with spinstall.exe /e and applying it with msiexec /p"
package="$WINE_SCRATCH/extracted.msp"
run_quiet /e "$(wine_path "$package")"
cmp -s "$package" "$SPINSTALL_PACKAGE" || fail "the extracted package is not the carried one"
wine msiexec /p "$(wine_path "$package")" /qn >"$WINE_SCRATCH/msiexec-p.log" 2>&1 ||
  fail "msiexec /p failed, see $WINE_SCRATCH/msiexec-p.log"
end_state "${CODES[@]}" >"$WINE_SCRATCH/msiexec.state"
diff -u "$WINE_SCRATCH/program.state" "$WINE_SCRATCH/msiexec.state" ||
  fail "msiexec /p left another end state than spinstall.exe"
for code in "${CODES[@]}"; do expect_patch_listed "$code"; done
installed_state "${CODES[@]}" >"$WINE_SCRATCH/patched.state"
diff -u "$WINE_SCRATCH/fresh.state" "$WINE_SCRATCH/patched.state" ||
  fail "the patched products differ from a fresh install of the upgraded packages"

step "msiexec /p on a product at a version outside the rule"
wine_new_prefix outside
DE="${DEMO_CODE[de]}"
install_demo de 16.1.50.0
wine msiexec /p "$(wine_path "$SPINSTALL_PACKAGE")" /qn >"$WINE_SCRATCH/outside.log" 2>&1
# Windows refuses every transform here: their validation (the upper word of
# property 16) asks for the installed version to equal the baseline's. Wine
# 8.0 reads the lower word instead (language, product code, platform: all
# met) and moves the product to the upgrade version regardless.
expect_version "$DE" "$TO_VERSION"
echo "PASS"
