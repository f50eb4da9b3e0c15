#!/usr/bin/env bash
# A patch that needs a restart (products/restart.wxs.in: Wine's installer then
# answers 3010). A plain run shows 301, then the restart question in the
# user's language; /q shows nothing and exits 3010; /forcerestart requests the
# restart. Wine's InitiateShutdownW is a stub answering 120 (not implemented):
# its fixme line shows the request's flags and reason; the run then exits 3010.
source "$(dirname "$0")/patch_lib.sh"
source "$(dirname "$0")/box_lib.sh"
wine_setup

CODE="$(target_code 6)"

# A fresh prefix (COMMAND NAME) with the restart product at the candidate version.
restart_prefix() {
  "$1" "$2"
  sed -e "s/@PRODUCT_CODE@/$CODE/" -e "s/@VERSION@/$FROM_VERSION/" \
    "$SPINSTALL_SOURCE_DIR/tests/wine/products/restart.wxs.in" >"$WINE_SCRATCH/restart.wxs"
  (cd "$WINE_SCRATCH" && wixl -o restart.msi restart.wxs) >"$WINE_SCRATCH/wixl.log" 2>&1 ||
    fail "cannot build the restart product, see $WINE_SCRATCH/wixl.log"
  install_msis "$WINE_SCRATCH/restart.msi"
}

# Wine's fixme line for a request with FLAGS, reason 0x80040002 (printed signed).
shutdown_request() { printf 'fixme:advapi:InitiateShutdownW (null), (null), 0, %s, -2147221502 stub' "$1"; }

step "a plain run: 301, then the restart question in the user's language (French)"
restart_prefix wine_new_display_prefix plain
run="$WINE_SCRATCH/plain"
log="$WINE_SCRATCH/plain.log"
# Return presses the question's default button, Yes.
LANG=fr_FR.UTF-8 LC_ALL=fr_FR.UTF-8 run_with_boxes "$run" /log "$(wine_path "$log")"
expect_box_count "$run" 2
expect_box "$run" 1 0x50040 "$(message 1031 312)" "$(message 1031 301 "Quillmark Neustart")"
expect_box "$run" 2 0x50024 "$(message 1036 317)" "$(message 1036 316)"
keep_shot "$run" 2 restart-fr
grep -qaF "$(shutdown_request 4)" "$run/trace.log" || fail "no restart was requested after Yes"
expect_logged "$log" "restart: needed, requesting it (answered Yes)"
expect_logged "$log" "restart requested: result 120 ("
grep -qaF 'Property(S): REBOOT = ReallySuppress' "$log.installer.log" ||
  fail "the installer's log does not show REBOOT=ReallySuppress"
expect_version "$CODE" "$TO_VERSION"

step "/q /exitcode: nothing shown, no restart, 3010"
restart_prefix wine_new_prefix quiet
status=$(WINEDEBUG=fixme+advapi,+relay exit_code /q /exitcode)
[ "$status" = 3010 ] || fail "/q /exitcode gave [$status], expected 3010"
[ -z "$(traced_box_calls "$WINE_SCRATCH/exit_code.log")" ] || fail "/q called MessageBoxW"
! grep -qa 'InitiateShutdownW' "$WINE_SCRATCH/exit_code.log" || fail "/q requested a restart"

step "/q /forcerestart /exitcode: the restart is requested without a question"
restart_prefix wine_new_prefix force
log="$WINE_SCRATCH/force.log"
status=$(WINEDEBUG=fixme+advapi,+relay exit_code /q /forcerestart /exitcode /log "$(wine_path "$log")")
[ "$status" = 3010 ] || fail "/forcerestart under Wine gave [$status], expected 3010 (no restart made)"
[ -z "$(traced_box_calls "$WINE_SCRATCH/exit_code.log")" ] || fail "/q /forcerestart called MessageBoxW"
grep -qaF "$(shutdown_request 5)" "$WINE_SCRATCH/exit_code.log" || fail "no forced restart was requested"
expect_logged "$log" "restart: needed, requesting it (/forcerestart)"
echo "PASS"
