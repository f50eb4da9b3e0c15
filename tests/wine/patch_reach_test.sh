#!/usr/bin/env bash
# The ProductVersion change reaches every target product code, whatever the
# product's family: all 21 codes installed as products of the other family
# (another upgrade code, other files) at the candidate version end at the
# upgrade version with the patch registered, their files untouched.
source "$(dirname "$0")/patch_lib.sh"
wine_setup

mapfile -t CODES < <(carried_targets)
[ "${#CODES[@]}" -eq 21 ] || fail "the carried package names ${#CODES[@]} targets, expected 21"

wine_new_prefix reach
step "installing ${#CODES[@]} products of the other family at $FROM_VERSION"
msis=()
for code in "${CODES[@]}"; do
  msis+=("$WINE_SCRATCH/other-$code.msi")
  other_msi "${msis[-1]}" "$code" "$FROM_VERSION"
done
install_msis "${msis[@]}"

step "one run applies the patch to each of them"
run_quiet /q
calls="$(traced_configure_calls "$WINE_SCRATCH/run.log" | wc -l)"
[ "$calls" -eq "${#CODES[@]}" ] || fail "expected ${#CODES[@]} MsiConfigureProductExW calls, saw $calls"
state="$(product_state "${CODES[@]}")"
for code in "${CODES[@]}"; do
  grep -qx "$code VersionString $TO_VERSION" <<<"$state" ||
    fail "$code did not reach $TO_VERSION: $(grep "^$code" <<<"$state")"
  grep -qx "$code patch $PATCH_CODE" <<<"$state" || fail "$code does not list the patch"
  expect_files "$(other_folder "$code")" "$OTHER_FILES"
done
echo "PASS"
