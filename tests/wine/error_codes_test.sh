#!/usr/bin/env bash
# A failure without a system error still shows a code of its own: a TMP of 246
# characters or more leaves no room for a temporary name, and the 300 box says
# 206 (the file name is too long), never 0.
source "$(dirname "$0")/box_lib.sh"
wine_setup

wine_new_display_prefix error_codes
deep="$WINE_SCRATCH/t"
while [ "$(wine_path "$deep" | wc -c)" -le 250 ]; do deep+="/dddddddddddddddddddddddddddddd"; done
mkdir -p "$deep"
# The program's environment takes TMP from the user's registry settings.
reg_set 'HKCU\Environment' TMP REG_SZ "$(wine_path "$deep")"

step "a TMP too long for a name: 300 with 206 in the user's language"
run="$WINE_SCRATCH/long_tmp"
LC_ALL=C run_with_boxes "$run"
[ "$(cat "$run/exit")" = 0 ] || fail "the program exited $(cat "$run/exit")"
expect_box_count "$run" 1
expect_box "$run" 1 0x50010 "$(message 1033 311)" "$(message 1033 300 206)"
[ -z "$(ls -A "$deep")" ] || fail "something was written to the long TMP"

echo "PASS"
