#!/usr/bin/env bash
# Patch scenarios of the Larkspur family (products/larkspur) that real
# products need of msp_tool. "larkspur_scenarios.sh [NAME...]" runs the
# scenarios named (all by default), each on its own, reporting PASS or FAIL;
# the script fails when one does. wine_larkspur_scenarios
# (larkspur_scenarios_test.sh) runs them all, with the environment
# tests/wine/CMakeLists.txt gives the tests.
#   cumulative       one patch from 1.0.0 and from 1.0.1 to 1.0.2: each target
#                    listed once in property 7, a transform pair per baseline;
#                    from either release, a fresh install of 1.0.2
#   uncompressed     a changed uncompressed file reaches the installed product
#   title            a --title outside ASCII is read back by msi.dll exactly
#   same_version     a versioned file whose bytes change while its version
#                    stays is refused (Windows would keep the old file)
#   removable_env    a removable patch that adds an Environment row is refused
#                    (Windows makes it not uninstallable); --not-removable takes it
#   delta            the cumulative patch with --delta: the 4 MiB library goes
#                    as one delta from both baselines' versions; from either
#                    release, through msiexec /p and spinstall.exe carrying it,
#                    a fresh install of 1.0.2; a replaced library fails that
#                    product (1603) and keeps the file, the other is patched
source "$(dirname "$0")/state_lib.sh"
wine_setup

mapfile -t CODES < <(larkspur_codes)
STUDIO="${CODES[0]}"

# create OUT PAIRS... [OPTIONS]: msp_tool create, its messages in create.log.
create() { "$SPINSTALL_MSP_TOOL" create "$@" >"$WINE_SCRATCH/create.log" 2>&1; }

# apply PATCH: msiexec /p in the current prefix.
apply() {
  wine msiexec /p "$(wine_path "$1")" /qn >"$WINE_SCRATCH/msiexec-p.log" 2>&1 ||
    fail "msiexec /p $1 failed"
}

# variant NAME RELEASE: a copy of release RELEASE's files to change, printed.
variant() {
  local dir="$WINE_SCRATCH/$1-files"
  rm -rf "$dir"
  cp -r "$(larkspur_files "$2")" "$dir"
  printf '%s\n' "$dir"
}

summary() { msiinfo suminfo "$1" | sed -n "s/^$2: //p"; }

scenario_cumulative() {
  local pairs=()
  local code patch
  for code in "${CODES[@]}"; do
    pairs+=("$(larkspur_package "$code" 1.0.0)" "$(larkspur_package "$code" 1.0.2)"
      "$(larkspur_package "$code" 1.0.1)" "$(larkspur_package "$code" 1.0.2)")
  done
  patch="$WINE_SCRATCH/cumulative.msp"
  create "$patch" "${pairs[@]}" || fail "create refused: $(cat "$WINE_SCRATCH/create.log")"
  [ "$(summary "$patch" Template)" = "$(printf '%s;' "${CODES[@]}" | sed 's/;$//')" ] ||
    fail "property 7 is $(summary "$patch" Template), expected each target once"
  [ "$(summary "$patch" Keywords)" = "1.0.2;1.0.0,1.0.1," ] ||
    fail "property 5 is $(summary "$patch" Keywords)"
  local from
  for from in 1.0.0 1.0.1; do
    wine_new_prefix "cumulative-$from"
    install_larkspur "$from" "${CODES[@]}"
    apply "$patch"
    expect_same_as_fresh 1.0.2 "${CODES[@]}"
  done
}

scenario_delta() {
  local pairs=()
  local code patch from dll status=0
  for code in "${CODES[@]}"; do
    pairs+=("$(larkspur_package "$code" 1.0.0)" "$(larkspur_package "$code" 1.0.2)"
      "$(larkspur_package "$code" 1.0.1)" "$(larkspur_package "$code" 1.0.2)")
  done
  patch="$WINE_SCRATCH/delta.msp"
  create "$patch" "${pairs[@]}" --delta || fail "create refused: $(cat "$WINE_SCRATCH/create.log")"
  grep -q ": delta larkspur.dll: .* from 2 baseline versions" "$WINE_SCRATCH/create.log" ||
    fail "the library is not one delta of both baselines: $(cat "$WINE_SCRATCH/create.log")"
  [ "$(stat -c %s "$patch")" -lt $(($(stat -c %s "$(larkspur_files 1.0.2)/larkspur.dll") / 20)) ] ||
    fail "the delta patch is $(stat -c %s "$patch") bytes, not a twentieth of the library"
  local baselines=()
  for code in "${CODES[@]}"; do baselines+=("$(larkspur_package "$code" 1.0.0)" "$(larkspur_package "$code" 1.0.1)"); done
  "$SPINSTALL_MSP_TOOL" check --authored "$patch" --baselines "${baselines[@]}" >"$WINE_SCRATCH/check.log" 2>&1 ||
    fail "check refused the delta patch: $(cat "$WINE_SCRATCH/check.log")"
  [ "$(grep -c "larkspur.dll: delta of .* as the File row says" "$WINE_SCRATCH/check.log")" -eq 4 ] ||
    fail "check did not prove the delta for each baseline: $(cat "$WINE_SCRATCH/check.log")"
  for from in 1.0.0 1.0.1; do
    wine_new_prefix "delta-$from"
    install_larkspur "$from" "${CODES[@]}"
    apply "$patch"
    expect_same_as_fresh 1.0.2 "${CODES[@]}"
  done
  program_around "$patch" larkspur-delta
  wine_new_prefix delta-program
  install_larkspur 1.0.0 "${CODES[@]}"
  run_quiet /q || fail "spinstall.exe /q exited $?"
  expect_same_as_fresh 1.0.2 "${CODES[@]}"
  # spinstall.exe, which configures each product on its own: Wine's msiexec
  # /p reports only the last product's outcome.
  wine_new_prefix delta-replaced
  install_larkspur 1.0.1 "${CODES[@]}"
  dll=$(find "$(larkspur_folder "$STUDIO")" -name larkspur.dll)
  printf 'X' | dd of="$dll" bs=1 seek=100 conv=notrunc status=none
  cp "$dll" "$WINE_SCRATCH/replaced.dll"
  status=$(exit_code /q /exitcode)
  [ "$status" = 1603 ] || fail "spinstall.exe /q with a replaced library exited $status, expected 1603"
  cmp -s "$dll" "$WINE_SCRATCH/replaced.dll" || fail "the failed installation changed the replaced library"
  expect_version "${CODES[1]}" 1.0.2
}

scenario_uncompressed() {
  local files patch
  files=$(variant uncompressed 1.0.1)
  printf 'Larkspur Studio 1.0.1: the release notes, now in the product.\r\n' >"$files/notes.txt"
  make_larkspur_package "$WINE_SCRATCH/uncompressed/package.msi" "$STUDIO" 1.0.1 "$files"
  patch="$WINE_SCRATCH/uncompressed.msp"
  create "$patch" "$(larkspur_package "$STUDIO" 1.0.0)" "$WINE_SCRATCH/uncompressed/package.msi" ||
    fail "create refused: $(cat "$WINE_SCRATCH/create.log")"
  wine_new_prefix uncompressed
  install_larkspur 1.0.0 "$STUDIO"
  apply "$patch"
  expect_version "$STUDIO" 1.0.1
  cmp -s "$(larkspur_folder "$STUDIO")/docs/notes.txt" "$files/notes.txt" ||
    fail "the changed uncompressed notes.txt was not installed"
}

scenario_title() {
  local title="Larkspur Café 1.0.1 — mise à jour" patch seen
  patch="$WINE_SCRATCH/title.msp"
  create "$patch" "$(larkspur_package "$STUDIO" 1.0.0)" "$(larkspur_package "$STUDIO" 1.0.1)" \
    --title "$title" || fail "create refused: $(cat "$WINE_SCRATCH/create.log")"
  wine_new_prefix title
  seen=$(run_tool summary_text "$(wine_path "$patch")" 2 | tr -d '\r' | sed -n 's/^2 //p')
  [ "$seen" = "$title" ] || fail "msi.dll reads the title '$seen', expected '$title'"
}

scenario_same_version() {
  local files
  files=$(variant same_version 1.0.1)
  # The 1.0.0 library with one byte more: other bytes, the same version.
  cp "$(larkspur_files 1.0.0)/larkspur.dll" "$files/larkspur.dll"
  printf '\0' >>"$files/larkspur.dll"
  make_larkspur_package "$WINE_SCRATCH/same_version/package.msi" "$STUDIO" 1.0.1 "$files"
  ! create "$WINE_SCRATCH/same_version.msp" "$(larkspur_package "$STUDIO" 1.0.0)" \
    "$WINE_SCRATCH/same_version/package.msi" || fail "create took a changed file of the same version"
  grep -q "larkspur.dll" "$WINE_SCRATCH/create.log" ||
    fail "create refused without naming larkspur.dll: $(cat "$WINE_SCRATCH/create.log")"
}

scenario_removable_env() {
  local upgraded="$WINE_SCRATCH/removable_env.msi"
  cp "$(larkspur_package "$STUDIO" 1.0.1)" "$upgraded"
  msibuild "$upgraded" -q "INSERT INTO \`Environment\` (\`Environment\`, \`Name\`, \`Value\`, \`Component_\`) VALUES ('LarkspurData', '=-*LARKSPUR_DATA', '[INSTALLDIR]data', 'Core')" ||
    fail "msibuild could not add the Environment row"
  ! create "$WINE_SCRATCH/removable_env.msp" "$(larkspur_package "$STUDIO" 1.0.0)" "$upgraded" ||
    fail "create made a removable patch that adds an Environment row"
  grep -q "Environment" "$WINE_SCRATCH/create.log" ||
    fail "create refused without naming Environment: $(cat "$WINE_SCRATCH/create.log")"
  create "$WINE_SCRATCH/removable_env.msp" "$(larkspur_package "$STUDIO" 1.0.0)" "$upgraded" \
    --not-removable || fail "create refused the patch not removable: $(cat "$WINE_SCRATCH/create.log")"
}

names=("$@")
[ "${#names[@]}" -gt 0 ] || names=(cumulative uncompressed title same_version removable_env delta)
failed=0
for name in "${names[@]}"; do
  scenario="scenario_$name"
  declare -F "$scenario" >/dev/null || fail "no scenario $name"
  step "$name"
  # A scenario's own prefixes end with it.
  if (trap wine_cleanup EXIT && "$scenario"); then echo "PASS $name"; else
    echo "FAIL $name"
    failed=1
  fi
done
[ "$failed" = 0 ] || fail "some scenarios failed"
echo "PASS"
