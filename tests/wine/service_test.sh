#!/usr/bin/env bash
# The program's discovery and summary reader over Wine's real msi.dll, through
# the probe tool: installed demo products and package files. The expected
# values are the ones the host stand-in answers for the equivalent products
# file (pinned by the host program tests), so both services agree.
source "$(dirname "$0")/lib.sh"
wine_setup

# expect_lines ACTUAL_FILE EXPECTED_TEXT
expect_lines() {
  if [ "$(cat "$1")" != "$2" ]; then
    echo "expected:" >&2
    printf '%s\n' "$2" >&2
    echo "probe said:" >&2
    cat "$1" >&2
    fail "the real installer service answered otherwise"
  fi
}

# The probe's lines for one product: state, installed, version, name, language.
product_lines() {
  printf '%s state %s\n%s installed %s\n%s VersionString %s\n%s ProductName %s\n%s Language %s' \
    "$1" "$2" "$1" "$3" "$1" "$4" "$1" "$5" "$1" "$6"
}

wine_new_prefix service
install_demo de 16.1.63.10
install_demo fr 16.1.63.10
absent="$(target_code 4)"

step "installed products: state 5, name, language and version; an absent one: nothing"
run_tool probe product "${DEMO_CODE[de]}" "${DEMO_CODE[fr]}" "$absent" >"$WINE_SCRATCH/products.txt" ||
  fail "probe product failed"
# An unknown product's state is INSTALLSTATE_UNKNOWN (-1); its fields stay empty.
expect_lines "$WINE_SCRATCH/products.txt" "$(
  product_lines "${DEMO_CODE[de]}" 5 yes 16.1.63.10 "${DEMO_NAME[de]}" 1031
  echo
  product_lines "${DEMO_CODE[fr]}" 5 yes 16.1.63.10 "${DEMO_NAME[fr]}" 1036
  echo
  product_lines "$absent" -1 no '' '' ''
)"

step "the carried package: 21 target codes, upgrade 16.1.84.0, candidates 16.1.63.10,"
targets=$(carried_targets | paste -sd ';')
[ "$(tr ';' '\n' <<<"$targets" | wc -l)" -eq 21 ] || fail "the carried package names no 21 targets"
run_tool probe package "$(wine_path "$SPINSTALL_PACKAGE")" >"$WINE_SCRATCH/package.txt" ||
  fail "probe package failed"
expect_lines "$WINE_SCRATCH/package.txt" "package targets $targets
package upgrade 16.1.84.0
package candidates 16.1.63.10,"

step "values of 2048 characters and more arrive whole after msi.dll's more-data answer"
long_targets=""
for i in $(seq 60); do long_targets+="${long_targets:+;}$(derived_guid "long target $i")"; done
long_candidates=""
for i in $(seq 200); do long_candidates+="16.1.63.$i,"; done
((${#long_targets} > 2048 && ${#long_candidates} > 2048)) || fail "the long values are too short"
# 60 small products, each at 1.0.0.0 and 1.0.1.0, give a patch of 60 targets;
# stamp gives it the 200 candidates.
mkdir -p "$WINE_SCRATCH/long"
echo small >"$WINE_SCRATCH/long/small.txt"
pairs=()
for code in $(tr ';' ' ' <<<"$long_targets"); do
  for version in 1.0.0.0 1.0.1.0; do
    cat >"$WINE_SCRATCH/long/small.wxs" <<WXS
<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="$code" Name="Small" Language="1033" Version="$version" Manufacturer="Small"
           UpgradeCode="$(derived_guid "long family")">
    <Package InstallerVersion="200" Compressed="yes"/>
    <Media Id="1" Cabinet="small.cab" EmbedCab="yes"/>
    <Directory Id="TARGETDIR" Name="SourceDir"><Directory Id="INSTALLDIR" Name="Small">
      <Component Id="Small" Guid="$(derived_guid "$code small")">
        <File Id="small.txt" Source="small.txt" KeyPath="yes"/>
      </Component>
    </Directory></Directory>
    <Feature Id="Small" Level="1"><ComponentRef Id="Small"/></Feature>
  </Product>
</Wix>
WXS
    pairs+=("$WINE_SCRATCH/long/${code:1:8}-$version.msi")
    (cd "$WINE_SCRATCH/long" && wixl -o "${pairs[-1]}" small.wxs) || fail "wixl failed for $code"
  done
done
"$SPINSTALL_MSP_TOOL" create "$WINE_SCRATCH/short.msp" "${pairs[@]}" \
  --title "A package with long summary values" &&
  "$SPINSTALL_MSP_TOOL" stamp "$WINE_SCRATCH/short.msp" "$WINE_SCRATCH/long.msp" \
    "16.1.84.0;$long_candidates" >/dev/null ||
  fail "msp_tool could not make the long package"
run_tool probe package "$(wine_path "$WINE_SCRATCH/long.msp")" >"$WINE_SCRATCH/long.txt" ||
  fail "probe package failed"
expect_lines "$WINE_SCRATCH/long.txt" "package targets $long_targets
package upgrade 16.1.84.0
package candidates $long_candidates"

step "a file that is no package: both reads fail"
printf 'not a package\r\n' >"$WINE_SCRATCH/text.msp"
run_tool probe package "$(wine_path "$WINE_SCRATCH/text.msp")" >"$WINE_SCRATCH/text.txt" ||
  fail "probe package failed"
grep -q '^package targets-failed ' "$WINE_SCRATCH/text.txt" &&
  grep -q '^package rule-failed ' "$WINE_SCRATCH/text.txt" ||
  fail "reading a text file as a package did not fail: $(cat "$WINE_SCRATCH/text.txt")"

echo "PASS"
