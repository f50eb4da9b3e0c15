#!/usr/bin/env bash
# /? under Wine: the usage box in the user's language and nothing else; the
# installed product keeps its version, no package is extracted. With /q,
# nothing is shown either.
source "$(dirname "$0")/patch_lib.sh"
source "$(dirname "$0")/box_lib.sh"
wine_setup

DE="${DEMO_CODE[de]}"

wine_new_display_prefix usage
install_demo de "$FROM_VERSION"

step "/?: the options in a box, no installation"
run="$WINE_SCRATCH/usage"
LC_ALL=C run_with_boxes "$run" '/?'
[ "$(cat "$run/exit")" = 0 ] || fail "the program exited $(cat "$run/exit")"
expect_box_count "$run" 1
expect_box "$run" 1 0x50040 "$(message 1033 315)" "$(message 1033 314)"
keep_shot "$run" 1 usage-en
[ -z "$(traced_configure_calls "$run/trace.log")" ] || fail "/? configured a product"
expect_version "$DE" "$FROM_VERSION"
[ -z "$(ls "$(wine_temp_dir)" | grep -v '^spinstall-')" ] || fail "/? left files in TMP"

step "/HELP in French: the French box"
run="$WINE_SCRATCH/usage-fr"
LANG=fr_FR.UTF-8 LC_ALL=fr_FR.UTF-8 run_with_boxes "$run" /HELP
expect_box_count "$run" 1
expect_box "$run" 1 0x50040 "$(message 1036 315)" "$(message 1036 314)"
keep_shot "$run" 1 usage-fr

step "/q /?: nothing shown, nothing installed"
run_quiet /q '/?' || fail "/q /? exited $?"
[ -z "$(traced_box_calls "$WINE_SCRATCH/run.log")" ] || fail "/q /? called MessageBoxW"
[ -z "$(traced_configure_calls "$WINE_SCRATCH/run.log")" ] || fail "/q /? configured a product"
expect_version "$DE" "$FROM_VERSION"
echo "PASS"
