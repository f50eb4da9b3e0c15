#!/usr/bin/env bash
# The carried patch under Wine's installer: the demo family in three languages,
# a product of another family that carries a target product code, and a
# lookalike (the demo family's files under another upgrade code), all at the
# candidate version. One run moves all five to the upgrade version and gives
# the demo family, and only the demo family, the patched files; a second run
# finds nothing to do.
source "$(dirname "$0")/patch_lib.sh"
wine_setup

OTHER="$(target_code 4)"
LOOKALIKE="$(target_code 5)"
CODES=("${DEMO_CODE[de]}" "${DEMO_CODE[fr]}" "${DEMO_CODE[ja]}" "$OTHER" "$LOOKALIKE")
BASELINE_FILES="$(release_files "$FROM_VERSION")"

wine_new_prefix apply
step "installing the demo family (de, fr, ja), the other product and the lookalike at $FROM_VERSION"
for key in de fr ja; do install_demo "$key" "$FROM_VERSION"; done
install_other "$OTHER" "$FROM_VERSION"
install_lookalike "$LOOKALIKE" "$FROM_VERSION"
for code in "${CODES[@]}"; do
  expect_version "$code" "$FROM_VERSION"
  expect_no_patch "$code"
done
for key in de fr ja; do expect_files "$(demo_folder "${DEMO_CODE[$key]}")" "$BASELINE_FILES"; done
expect_files "$(other_folder "$OTHER")" "$OTHER_FILES"
expect_files "$(lookalike_folder "$LOOKALIKE")" "$BASELINE_FILES"

step "first run: the patch is applied to each product"
run_quiet
[ "$(traced_configure_calls "$WINE_SCRATCH/run.log" | wc -l)" -eq 5 ] ||
  fail "expected 5 MsiConfigureProductExW calls, saw: $(traced_configure_calls "$WINE_SCRATCH/run.log")"
for code in "${CODES[@]}"; do
  expect_version "$code" "$TO_VERSION"
  expect_patch_listed "$code"
done
for key in de fr ja; do expect_files "$(demo_folder "${DEMO_CODE[$key]}")" "$(patched_files)"; done
expect_files "$(other_folder "$OTHER")" "$OTHER_FILES"
expect_files "$(lookalike_folder "$LOOKALIKE")" "$BASELINE_FILES"
cp "$WINE_SCRATCH/run.log" "$WINE_SCRATCH/first-run.log"

step "second run: every product is up to date"
run_quiet
[ -z "$(traced_configure_calls "$WINE_SCRATCH/run.log")" ] || fail "the second run applied the patch again"
boxes="$(traced_box_calls "$WINE_SCRATCH/run.log")"
[ "$(printf '%s\n' "$boxes" | grep -c .)" -eq 1 ] || fail "expected one box, saw: $boxes"
for code in "${CODES[@]}"; do expect_version "$code" "$TO_VERSION"; done
for key in de fr ja; do expect_files "$(demo_folder "${DEMO_CODE[$key]}")" "$(patched_files)"; done
expect_files "$(other_folder "$OTHER")" "$OTHER_FILES"
expect_files "$(lookalike_folder "$LOOKALIKE")" "$BASELINE_FILES"
echo "PASS"
