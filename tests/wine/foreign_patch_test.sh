#!/usr/bin/env bash
# A patch made by another tool is carried: a product of our own built with the
# installer's MsiDatabaseImportW and a patch for it written with
# StgCreateDocfile (tools/foreign_patch.cpp), whose keywords (property 5) are
# "PatchSourceList". The check refuses it as it is; "msp_tool stamp" gives it
# the version rule; a build with -DSPINSTALL_PACKAGE carries it and the
# descriptors the neutral template makes; the program applies it.
source "$(dirname "$0")/patch_lib.sh"
wine_setup

PRODUCT="{6E2B9C41-73D5-4A08-B1F6-0C9D2E8A5B37}"
UPGRADE="{A4D17E93-58C2-4F6B-9E01-3B7C5D2F8A64}"
PATCH="{D93A5F20-6C18-47E4-8B2D-F51E0A7C3964}"
FROM=2.4.1.0
TO=2.4.7.0
work="$WINE_SCRATCH/foreign"
mkdir -p "$work/idt" "$work/product" "$work/old" "$work/new"
printf 'Heronmark Viewer %s\r\n' "$FROM" >"$work/old/viewer.txt"
printf 'Heronmark Viewer %s, with the fixes of the update\r\n' "$TO" >"$work/new/viewer.txt"
for template in "$SPINSTALL_SOURCE_DIR"/tests/wine/products/foreign/*.idt.in; do
  name="${template##*/}"
  sed -e "s/@PRODUCT_CODE@/$PRODUCT/" -e "s/@UPGRADE_CODE@/$UPGRADE/" -e "s/@VERSION@/$FROM/" \
    -e "s/@COMPONENT_GUID@/$(derived_guid "$PRODUCT viewer.txt")/" \
    -e "s/@FILE_SIZE@/$(stat -c %s "$work/old/viewer.txt")/" "$template" >"$work/idt/${name%.in}"
done
gcab -c -n "$work/product/viewer.cab" "$work/old/viewer.txt" >/dev/null || fail "gcab failed"
gcab -c -n "$work/patch.cab" "$work/new/viewer.txt" >/dev/null || fail "gcab failed"

wine_new_prefix foreign
step "building the product with MsiDatabaseImportW and installing it at $FROM"
run_tool foreign_patch product "$(wine_path "$work/idt")" "$(wine_path "$work/product/viewer.msi")" \
  "$(derived_guid "$PRODUCT package")" || fail "foreign_patch could not build the product"
install_msis "$work/product/viewer.msi"
expect_version "$PRODUCT" "$FROM"
installed="$(programs_dir)/Heronmark/viewer.txt"
cmp -s "$installed" "$work/old/viewer.txt" || fail "the product did not install viewer.txt"

step "writing the patch with StgCreateDocfile"
run_tool foreign_patch patch "$(wine_path "$work/vendor.msp")" "$(wine_path "$work/patch.cab")" \
  "$PRODUCT" "$UPGRADE" "$PATCH" "$FROM" "$TO" "viewer.txt:$(stat -c %s "$work/new/viewer.txt")" ||
  fail "foreign_patch could not write the patch"

step "the check refuses its keywords; msp_tool stamp gives it the version rule"
! "$SPINSTALL_MSP_TOOL" check "$work/vendor.msp" 2>"$work/check.log" ||
  fail "the check accepted keywords that are no version rule"
grep -q 'version rule (property 5) "PatchSourceList"' "$work/check.log" ||
  fail "the check gave another reason: $(cat "$work/check.log")"
"$SPINSTALL_MSP_TOOL" stamp "$work/vendor.msp" "$work/stamped.msp" "$TO;$FROM," >"$work/stamp.log" 2>&1 ||
  fail "msp_tool stamp failed: $(cat "$work/stamp.log")"
grep -q "Windows patch shape: 1 transform pairs" "$work/stamp.log" ||
  fail "the stamped patch lost its shape: $(cat "$work/stamp.log")"

step "building spinstall.exe around the stamped patch"
program_around "$work/stamped.msp" foreign
build="$PROGRAM_BUILD"
grep -q "^ProductCode=$PRODUCT"$'\r'"\$" "$build/carried/descriptors/206.txt" ||
  fail "descriptor 206 is not for $PRODUCT"
[ ! -e "$build/carried/descriptors/207.txt" ] || fail "one target, yet a descriptor 207"

step "the program applies it"
run_quiet /q
expect_version "$PRODUCT" "$TO"
product_state "$PRODUCT" | grep -qx "$PRODUCT patch $PATCH" || fail "MsiEnumPatchesExW does not list $PATCH"
cmp -s "$installed" "$work/new/viewer.txt" || fail "viewer.txt was not replaced"
echo "PASS"
