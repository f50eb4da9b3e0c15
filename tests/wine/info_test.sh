#!/usr/bin/env bash
# /i under Wine: one box captioned "Info" with the carried package's targets,
# candidate versions and upgrade version, shown even with /q, after the
# patch-list export and without extracting for an /e given after it.
# shellcheck source=box_lib.sh
source "$(dirname "$0")/box_lib.sh"
wine_setup

# The information text of the carried package: every target on its own line.
info_text() {
  printf 'Products:\n%s\nTarget:\n\t16.1.63.10,\nUpgrade:\n\t16.1.84.0' "$(carried_targets)"
}

# expect_info_box DIR: DIR recorded exactly the one information box.
expect_info_box() {
  [ "$(cat "$1/exit")" = 0 ] || fail "the program exited $(cat "$1/exit")"
  expect_box_count "$1" 1
  expect_box "$1" 1 0x50030 Info "$(info_text)"
}

wine_new_display_prefix info
temp="$(wine_temp_dir)"

step "/i: the information box; its temporary package stays (MSP2)"
run_with_boxes "$WINE_SCRATCH/info" /i
expect_info_box "$WINE_SCRATCH/info"
keep_shot "$WINE_SCRATCH/info" 1 info
cmp -s "$temp/MSP2" "$SPINSTALL_PACKAGE" || fail "/i left no MSP2 holding the package"

step "/q /i: the box all the same; a second process goes on with MSP3"
run_with_boxes "$WINE_SCRATCH/quiet-info" /q /i
expect_info_box "$WINE_SCRATCH/quiet-info"
cmp -s "$temp/MSP3" "$SPINSTALL_PACKAGE" || fail "/q /i left no MSP3 holding the package"

step "/p list.txt /i /e x: the export, then the box; the /e after /i is never read"
run_with_boxes "$WINE_SCRATCH/all" /p list.txt /i /e x
expect_info_box "$WINE_SCRATCH/all"
[ -s list.txt ] || fail "/p list.txt wrote nothing before the box"
[ ! -e x ] || fail "/e x after /i extracted the package"

echo "PASS"
