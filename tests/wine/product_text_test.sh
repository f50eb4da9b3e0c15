#!/usr/bin/env bash
# An installed product's own text made harmless: a product whose name holds
# CR LF and U+202E (products/forged_name.wxs.in) is patched, and its name
# shows in the box (as MessageBoxW got it: Wine's trace of the box's dialog,
# and the box's text on screen) and in the run log without either: CR LF as
# spaces, the override left out.
source "$(dirname "$0")/patch_lib.sh"
source "$(dirname "$0")/box_lib.sh"
wine_setup

CODE="$(target_code 7)"
CRLF=$'\r\n'
RLO=$'\u202e'
FORGED="Quillmark${CRLF}Error Code: 0 ${RLO}gnp.exe"
NAME='Quillmark  Error Code: 0 gnp.exe'  # as it must show

step "the product with the forged name at the candidate version"
wine_new_display_prefix forged
sed -e "s/@PRODUCT_CODE@/$CODE/" -e "s/@VERSION@/$FROM_VERSION/" \
  "$SPINSTALL_SOURCE_DIR/tests/wine/products/forged_name.wxs.in" >"$WINE_SCRATCH/forged.wxs"
printf '\r\n\r\n65001\t_ForceCodepage\r\n' >"$WINE_SCRATCH/_ForceCodepage.idt"
(
  cd "$WINE_SCRATCH" && wixl -o forged.msi forged.wxs &&
    msibuild forged.msi -i _ForceCodepage.idt &&
    msibuild forged.msi -q "UPDATE Property SET Value = '$FORGED' WHERE Property = 'ProductName'"
) >"$WINE_SCRATCH/build.log" 2>&1 || fail "cannot build the product, see $WINE_SCRATCH/build.log"
[ "$(msiinfo export "$WINE_SCRATCH/forged.msi" Property | grep -a -A1 $'^ProductName\tQuillmark\r$' |
  tail -n1)" = "Error Code: 0 ${RLO}gnp.exe"$'\r' ] || fail "the package's ProductName is not the forged name"
install_msis "$WINE_SCRATCH/forged.msi"

step "a plain run: one box 301 and the log, neither with CR, LF or U+202E"
run="$WINE_SCRATCH/run"
log="$WINE_SCRATCH/run.log"
run_with_boxes "$run" /log "$(wine_path "$log")"
expect_box_count "$run" 1
expect_box "$run" 1 0x50040 "$(message 1033 312)" "$(message 1033 301 "$NAME")"
# Wine's trace escapes CR, LF and every character past ASCII: the whole
# traced text is the cleaned one, nothing escaped in it.
traced=$(sed -n 's/.*:trace:msgbox:MSGBOX_OnInit //p' "$run/trace.log")
[ "$traced" = "L\"$(message 1033 301 "$NAME")\"" ] || fail "the box was given: $traced"
expect_logged "$log" "product $CODE: name \"$NAME\", language 1033, installed version $FROM_VERSION: patching"
expect_logged "$log" "box 301 \"$(message 1033 312)\": $(message 1033 301 "$NAME")"
[ "$(grep -c $'\r' "$log")" -eq "$(wc -l <"$log")" ] || fail "a CR inside a line of $log"
! grep -qaF "$RLO" "$log" || fail "U+202E in $log"
expect_version "$CODE" "$TO_VERSION"
echo "PASS"
