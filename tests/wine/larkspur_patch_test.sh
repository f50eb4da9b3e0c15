#!/usr/bin/env bash
# An ordinary release patch of the Larkspur family (products/larkspur), 1.0.0
# to 1.0.1 for both members, made with "msp_tool create" from the build's
# packages: applied with "msiexec /p" in one prefix and by spinstall.exe /q
# carrying it in another, it leaves each prefix exactly as a fresh install of
# 1.0.1 (versions, features, every file, both registry views, HKCU, the
# environment), with the patch registered. The products' versions have three
# fields, and so has the version rule the program carries: an installed
# 1.0.0 is the rule's 1.0.0, 1.0.1 is not.
source "$(dirname "$0")/state_lib.sh"
wine_setup

FROM=1.0.0
TO=1.0.1
mapfile -t CODES < <(larkspur_codes)
pairs=()
for code in "${CODES[@]}"; do pairs+=("$(larkspur_package "$code" "$FROM")" "$(larkspur_package "$code" "$TO")"); done

step "msp_tool create $FROM -> $TO for ${#CODES[@]} members"
patch="$WINE_SCRATCH/larkspur-$TO.msp"
"$SPINSTALL_MSP_TOOL" create "$patch" "${pairs[@]}" --title "Larkspur Studio $TO" \
  >"$WINE_SCRATCH/create.log" 2>&1 || fail "msp_tool create failed: $(cat "$WINE_SCRATCH/create.log")"
code=$(msiinfo suminfo "$patch" | sed -n 's/^Revision number (UUID): //p')
[ "$(msiinfo suminfo "$patch" | sed -n 's/^Keywords: //p')" = "$TO;$FROM," ] ||
  fail "the patch's version rule is not the packages' own: $(msiinfo suminfo "$patch")"

step "msiexec /p"
wine_new_prefix msiexec
install_larkspur "$FROM" "${CODES[@]}"
wine msiexec /p "$(wine_path "$patch")" /qn >"$WINE_SCRATCH/msiexec-p.log" 2>&1 ||
  fail "msiexec /p failed, see $WINE_SCRATCH/msiexec-p.log"
for member in "${CODES[@]}"; do expect_patch_listed "$member" "$code"; done
expect_same_as_fresh "$TO" "${CODES[@]}"

step "spinstall.exe /q carrying the patch"
program_around "$patch" larkspur
wine_new_prefix program
install_larkspur "$FROM" "${CODES[@]}"
run_quiet /q /log "$(wine_path "$WINE_SCRATCH/program.log")"
[ "$(traced_configure_calls "$WINE_SCRATCH/run.log" | cut -f1 | tr '\n' ' ')" = "${CODES[*]} " ] ||
  fail "spinstall.exe did not configure each member once: $(cat "$WINE_SCRATCH/program.log")"
for member in "${CODES[@]}"; do expect_patch_listed "$member" "$code"; done
expect_same_as_fresh "$TO" "${CODES[@]}"

step "a second run finds both up to date"
run_quiet /q
[ -z "$(traced_configure_calls "$WINE_SCRATCH/run.log")" ] || fail "the second run applied the patch again"
echo "PASS"
