#!/usr/bin/env bash
# The install run of the real program under Wine: which message boxes appear,
# in which language, with which caption, text and icon, which products the
# installer is asked to patch, and that the temporary package is cleaned up.
#
# Wine's msi.dll answers 0 from MsiConfigureProductExW: the German product's
# outcome is 301.
# shellcheck source=box_lib.sh
source "$(dirname "$0")/box_lib.sh"
wine_setup

# The configure call the program must make for demo product KEY: install level
# 0, install state 5 and PATCH="<the temporary package>" (the first name the
# run generates, MSP2) REBOOT=ReallySuppress, as Wine's trace escapes it.
expected_configure() {
  printf '%s\t00000000\t00000005\tPATCH=\\"C:\\\\users\\\\%s\\\\Temp\\\\MSP2\\" REBOOT=ReallySuppress' \
    "${DEMO_CODE[$1]}" "$(id -un)"
}

# expect_configure_calls LOG [KEY...]: exactly these products were configured.
expect_configure_calls() {
  local log="$1" expected="" key
  shift
  for key in "$@"; do expected+="${expected:+$'\n'}$(expected_configure "$key")"; done
  local actual
  actual=$(traced_configure_calls "$log")
  [ "$actual" = "$expected" ] || fail "configure calls: expected [$expected], traced [$actual]"
}

# expect_temp_files NAMES...: the prefix's TMP holds exactly these files,
# besides the run logs (spinstall-*) every run leaves there.
expect_temp_files() {
  local actual
  actual=$(ls "$(wine_temp_dir)" | { grep -v '^spinstall-' || true; } | paste -sd ' ')
  [ "$actual" = "$*" ] || fail "TMP holds [$actual], expected [$*]"
}

expect_exit_0() { [ "$(cat "$1/exit")" = 0 ] || fail "the program exited $(cat "$1/exit")"; }

step "one product per outcome: German 301, French up to date (no box), Japanese 308"
wine_new_display_prefix outcomes
install_demo de 16.1.63.10
install_demo fr 16.1.84.0
install_demo ja 16.1.50.0
run="$WINE_SCRATCH/outcomes"
LC_ALL=C run_with_boxes "$run"
expect_exit_0 "$run"
expect_box_count "$run" 2
expect_box "$run" 1 0x50040 "$(message 1031 312)" "$(message 1031 301 "${DEMO_NAME[de]}")"
expect_box "$run" 2 0x50010 "$(message 1041 311)" "$(message 1041 308 "${DEMO_NAME[ja]}")"
expect_configure_calls "$run/trace.log" de
expect_temp_files ""
keep_shot "$run" 1 301-de
keep_shot "$run" 2 308-ja

step "the installer fails: 300 with its result code, in the product's language"
wine_new_display_prefix failure
install_demo de 16.1.63.10
remove_install_sources
run="$WINE_SCRATCH/failure"
LC_ALL=C run_with_boxes "$run"
expect_exit_0 "$run"
expect_configure_calls "$run/trace.log" de
result=$(traced_configure_results "$run/trace.log")
[ "$result" != 0 ] || fail "Wine configured a product whose sources are gone"
expect_box_count "$run" 1
expect_box "$run" 1 0x50010 "$(message 1031 311)" "$(message 1031 300 "$result")"
expect_temp_files ""
keep_shot "$run" 1 300-de

step "/q: the same installer call, no box at all, exit 0"
wine_new_prefix quiet
install_demo de 16.1.63.10
install_demo fr 16.1.84.0
install_demo ja 16.1.50.0
LC_ALL=C run_quiet /q || fail "/q exited $?"
[ -z "$(traced_box_calls "$WINE_SCRATCH/run.log")" ] || fail "/q called MessageBoxW"
expect_configure_calls "$WINE_SCRATCH/run.log" de
expect_temp_files ""  # the driver's loop ran to its end

step "no target product installed: 307 in the user's language (English)"
wine_new_display_prefix nothing
run="$WINE_SCRATCH/nothing"
LC_ALL=C run_with_boxes "$run"
expect_exit_0 "$run"
expect_box_count "$run" 1
expect_box "$run" 1 0x50010 "$(message 1033 311)" "$(message 1033 307)"
expect_configure_calls "$run/trace.log"
expect_temp_files MSP2  # an early end leaves the temporary package
keep_shot "$run" 1 307-en

step "every installed product up to date: one 306 in the user's language (French)"
rm "$(wine_temp_dir)/MSP2"
install_demo de 16.1.84.0
install_demo fr 16.1.84.0
run="$WINE_SCRATCH/uptodate"
# Wine takes the user's locale from LC_ALL even where the system has no
# compiled fr_FR locale (LANG alone then falls back to English).
LANG=fr_FR.UTF-8 LC_ALL=fr_FR.UTF-8 run_with_boxes "$run"
expect_exit_0 "$run"
expect_box_count "$run" 1
# The name is the last product's: French comes after German in the target list.
expect_box "$run" 1 0x50010 "$(message 1036 313)" "$(message 1036 306 "${DEMO_NAME[fr]}")"
expect_configure_calls "$run/trace.log"
expect_temp_files ""
keep_shot "$run" 1 306-fr

echo "PASS"
