#!/usr/bin/env bash
# A patch that needs a restart, under Wine's installer: the restart product
# (products/restart.wxs.in) schedules one while a patch is applied, and Wine's
# installer then answers 3010 and restarts nothing. The configure call carries
# REBOOT=ReallySuppress (the installer's own log shows it); a plain run shows
# 301 and then the restart question, in the user's language; /q shows nothing
# and exits 3010; /forcerestart requests the restart.
#
# Wine's InitiateShutdownW is a stub that answers 120 (not implemented) and
# restarts nothing: the request is seen in Wine's fixme line, which shows its
# flags and reason, and the run, having made no restart, exits 3010.
source "$(dirname "$0")/patch_lib.sh"
source "$(dirname "$0")/box_lib.sh"
wine_setup

CODE="$(target_code 6)"
NAME="Quillmark Neustart"

# Installs the restart product at the candidate version in the current prefix.
install_restart_product() {
  local work
  work="$(mktemp -d "$WINE_SCRATCH/restart.XXXXXX")"
  sed -e "s/@PRODUCT_CODE@/$CODE/" -e "s/@VERSION@/$FROM_VERSION/" \
    "$SPINSTALL_SOURCE_DIR/tests/wine/products/restart.wxs.in" >"$work/restart.wxs"
  (cd "$work" && wixl -o restart.msi restart.wxs) >"$work/build.log" 2>&1 ||
    fail "cannot build the restart product, see $work/build.log"
  install_msis "$work/restart.msi"
  rm -rf "$work"
}

# The fixme line of Wine's InitiateShutdownW stub for a request with FLAGS:
# no machine name, no message, no grace period, the planned installation
# reason 0x80040002 (printed as a signed number).
shutdown_request() { printf 'fixme:advapi:InitiateShutdownW (null), (null), 0, %s, -2147221502 stub' "$1"; }

step "a plain run: 301, then the restart question in the user's language (French)"
wine_new_display_prefix plain
install_restart_product
run="$WINE_SCRATCH/plain"
log="$WINE_SCRATCH/plain.log"
# Return presses the question's default button, Yes.
LANG=fr_FR.UTF-8 LC_ALL=fr_FR.UTF-8 run_with_boxes "$run" /log "$(wine_path "$log")"
expect_box_count "$run" 2
expect_box "$run" 1 0x50040 "$(message 1031 312)" "$(message 1031 301 "$NAME")"
expect_box "$run" 2 0x50024 "$(message 1036 317)" "$(message 1036 316)"
keep_shot "$run" 2 restart-fr
grep -qaF "$(shutdown_request 4)" "$run/trace.log" || fail "no restart was requested after Yes"
expect_logged "$log" "restart: needed, asking (no restart option without /q: /promptrestart)"
expect_logged "$log" "restart: needed, requesting it (answered Yes)"
expect_logged "$log" "restart requested: result 120 ("
expect_logged "$log" "result: 1 patched, 0 failed, 0 up to date, 0 not a candidate version, restart required: yes, exit code 3010"
# The installer lists the properties of the configure call.
grep -qaF 'Property(S): REBOOT = ReallySuppress' "$log.installer.log" ||
  fail "the installer's log does not show REBOOT=ReallySuppress"
expect_version "$CODE" "$TO_VERSION"

step "/q /exitcode: nothing shown, no restart, 3010"
wine_new_prefix quiet
install_restart_product
log="$WINE_SCRATCH/quiet.log"
status=$(WINEDEBUG=fixme+advapi,+relay exit_code /q /exitcode /log "$(wine_path "$log")")
[ "$status" = 3010 ] || fail "/q /exitcode gave [$status], expected 3010"
[ -z "$(traced_box_calls "$WINE_SCRATCH/exit_code.log")" ] || fail "/q called MessageBoxW"
! grep -qa 'InitiateShutdownW' "$WINE_SCRATCH/exit_code.log" || fail "/q requested a restart"
expect_logged "$log" "restart: needed, not made (no restart option with /q: /norestart)"

step "/q /forcerestart /exitcode: the restart is requested without a question"
wine_new_prefix force
install_restart_product
log="$WINE_SCRATCH/force.log"
status=$(WINEDEBUG=fixme+advapi,+relay exit_code /q /forcerestart /exitcode /log "$(wine_path "$log")")
[ "$status" = 3010 ] || fail "/forcerestart under Wine gave [$status], expected 3010 (no restart made)"
[ -z "$(traced_box_calls "$WINE_SCRATCH/exit_code.log")" ] || fail "/q /forcerestart called MessageBoxW"
# Restart, and other users' sessions logged off.
grep -qaF "$(shutdown_request 5)" "$WINE_SCRATCH/exit_code.log" || fail "no forced restart was requested"
expect_logged "$log" "restart: needed, requesting it (/forcerestart)"
expect_logged "$log" "restart requested: result 120 ("
echo "PASS"
