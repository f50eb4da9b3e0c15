#!/usr/bin/env bash
# The run log under Wine's installer: a quiet run that patches the German demo
# product logs the configure call's result 0 in its default log, in UTF-8 with
# CR LF, and the installer's own log beside it names the product; a product
# whose sources are gone gives 1612 in the log and, with /exitcode, as the
# exit status.
source "$(dirname "$0")/lib.sh"
wine_setup

DE="${DEMO_CODE[de]}"

# The prefix's TMP as the program names it.
TEMP_DIR="C:\\users\\$(id -un)\\Temp"

# The configure line for the German product and the package at MSP2, up to
# the result code and the opening of its text.
configure_line() {
  printf 'configure %s with PATCH="%s\\MSP2" REBOOT=ReallySuppress: result %s (' "$DE" "$TEMP_DIR" "$1"
}

step "/q patches the German product: its default log in TMP says so"
wine_new_prefix runlog
install_demo de 16.1.63.10
run_quiet /q || fail "/q exited $?"
temp="$(wine_temp_dir)"
logs=("$temp"/spinstall-*-[0-9]*[0-9].log)
[ "${#logs[@]}" -eq 1 ] && [ -f "${logs[0]}" ] || fail "expected one run log in TMP, saw: ${logs[*]}"
log="${logs[0]}"
[ "$(grep -c $'\r$' "$log")" -eq "$(wc -l <"$log")" ] || fail "not every line of $log ends in CR LF"
expect_logged "$log" "mode: install, quiet"
expect_logged "$log" "$(configure_line 0)"
expect_logged "$log" "box 301 not shown (quiet): $(message 1031 301 "${DEMO_NAME[de]}" | tr '\n' ' ')"
expect_logged "$log" "result: 1 patched, 0 failed, 0 up to date, 0 not a candidate version, restart required: no, exit code 0"
installer="$log.installer.log"
expect_logged "$log" "installer log: $TEMP_DIR\\$(basename "$installer"), result 0 ("
[ -s "$installer" ] || fail "no installer log beside the run log"
grep -qaF "$DE" "$installer" || fail "the installer log does not name $DE"

step "the product's sources are gone: 1612 in the log and as the /exitcode status"
wine_new_prefix gone
install_demo de 16.1.63.10
remove_install_sources
log="$WINE_SCRATCH/gone.log"
status=$(exit_code /q /exitcode /log "$(wine_path "$log")")
[ "$status" = 1612 ] || fail "/exitcode gave [$status], expected 1612"
expect_logged "$log" "$(configure_line 1612)"
expect_logged "$log" "result: 0 patched, 1 failed, 0 up to date, 0 not a candidate version, restart required: no, exit code 1612"
echo "PASS"
