#!/usr/bin/env bash
# The run log under Wine's installer: a quiet run that patches the German demo
# product logs the configure call's result 0 in its default log, in UTF-8 with
# CR LF, and the installer's own log beside it names the product; a product
# whose sources are gone gives 1612 in the log and, with /exitcode, as the
# exit status. A link planted at the installer log's name, beside a /log or
# a default log, is passed over: the installer writes the next name, never
# the link's target.
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

# expect_passed_over LOG: a link to victim planted as LOG's installer log is
# still there and victim untouched: the installer wrote LOG.installer-2.log.
expect_passed_over() {
  [ -L "$1.installer.log" ] && [ "$(cat "$WINE_SCRATCH/victim")" = victim ] || fail "victim written"
  grep -qaF "$DE" "$1.installer-2.log" || fail "the installer's log does not name $DE"
}
printf victim >"$WINE_SCRATCH/victim"

# The default name is the start time to the second and the process id: Wine
# gives the next runs of a prefix ids a little above the last one, so links
# planted for those ids and the next seconds catch the run, as an attacker's
# would; the installer's log passes them over.
step "/q patches the German product: its default log in TMP says so, past planted links"
wine_new_prefix runlog
install_demo de 16.1.63.10
temp="$(wine_temp_dir)"
# The run logs in TMP (not the installer's logs beside them), with find's tests.
runs() { find "$temp" -regextype posix-extended -regex '.*/spinstall-[0-9]{8}-[0-9]{6}-[0-9]+\.log' "$@"; }
run_quiet /q /? || fail "/q /? exited $?"
last=$(runs | sed 's/.*-\([0-9]*\)\.log$/\1/')
touch "$WINE_SCRATCH/planted"
now=$(date +%s)
for second in $(seq "$now" $((now + 8))); do
  stamp=$(date -d "@$second" +%Y%m%d-%H%M%S)
  for pid in $(seq $((last + 4)) 4 $((last + 200))); do
    ln -s "$WINE_SCRATCH/victim" "$temp/spinstall-$stamp-$pid.log.installer.log"
  done
done
run_quiet /q || fail "/q exited $?"
logs=($(runs -newer "$WINE_SCRATCH/planted"))
[ "${#logs[@]}" -eq 1 ] && [ -f "${logs[0]}" ] || fail "expected one new run log in TMP, saw: ${logs[*]}"
log="${logs[0]}"
[ "$(grep -c $'\r$' "$log")" -eq "$(wc -l <"$log")" ] || fail "not every line of $log ends in CR LF"
expect_logged "$log" "mode: install, quiet"
expect_logged "$log" "$(configure_line 0)"
expect_logged "$log" "box 301 not shown (quiet): $(message 1031 301 "${DEMO_NAME[de]}" | tr '\n' ' ')"
expect_logged "$log" "result: 1 patched, 0 failed, 0 up to date, 0 not a candidate version, restart required: no, exit code 0"
expect_logged "$log" "installer log: $TEMP_DIR\\$(basename "$log").installer-2.log, result 0 ("
expect_passed_over "$log"

step "the product's sources are gone: 1612 in the log and as the /exitcode status"
wine_new_prefix gone
install_demo de 16.1.63.10
remove_install_sources
log="$WINE_SCRATCH/gone.log"
status=$(exit_code /q /exitcode /log "$(wine_path "$log")")
[ "$status" = 1612 ] || fail "/exitcode gave [$status], expected 1612"
expect_logged "$log" "$(configure_line 1612)"
expect_logged "$log" "result: 0 patched, 1 failed, 0 up to date, 0 not a candidate version, restart required: no, exit code 1612"
step "/log: a link planted at the installer log's name is passed over"
wine_new_prefix planted
install_demo de 16.1.63.10
log="$WINE_SCRATCH/planted.log"
ln -s "$WINE_SCRATCH/victim" "$log.installer.log"
run_quiet /q /log "$(wine_path "$log")" || fail "/q exited $?"
expect_passed_over "$log"
echo "PASS"
