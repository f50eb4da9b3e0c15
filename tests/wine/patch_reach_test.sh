#!/usr/bin/env bash
# The carried patch reaches every member of the family: all 21 targets
# installed at the baseline release end at the upgrade version with the
# patch registered, in one run.
source "$(dirname "$0")/patch_lib.sh"
wine_setup

mapfile -t CODES < <(carried_targets)
[ "${#CODES[@]}" -eq 21 ] || fail "the carried package names ${#CODES[@]} targets, expected 21"

wine_new_prefix reach
step "installing the ${#CODES[@]} members at $FROM_VERSION"
install_members "$FROM_VERSION" "${CODES[@]}"

step "one run applies the patch to each of them"
run_quiet /q
calls="$(traced_configure_calls "$WINE_SCRATCH/run.log" | wc -l)"
[ "$calls" -eq "${#CODES[@]}" ] || fail "expected ${#CODES[@]} MsiConfigureProductExW calls, saw $calls"
state="$(product_state "${CODES[@]}")"
for code in "${CODES[@]}"; do
  grep -qx "$code VersionString $TO_VERSION" <<<"$state" ||
    fail "$code did not reach $TO_VERSION: $(grep "^$code" <<<"$state")"
  grep -qx "$code patch $PATCH_CODE" <<<"$state" || fail "$code does not list the patch"
done
echo "PASS"
