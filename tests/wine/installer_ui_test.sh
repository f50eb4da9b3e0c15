#!/usr/bin/env bash
# The installer's own interface during a patch, under Xvfb. With /q the
# program sets it to none before the first configure call and no window at
# all appears; a plain run sets basic UI with progress only, and no window but
# our own result boxes appears.
#
# On Windows basic UI shows the installer's progress bar during the call.
# Wine's msi.dll has no such window (it shows only a package's own dialogs, at
# full or reduced UI), so here the level handed to the installer is read from
# the relay trace, and the windows are checked for anything besides our boxes.
source "$(dirname "$0")/patch_lib.sh"
source "$(dirname "$0")/box_lib.sh"
wine_setup

# watch_windows OUT ARGS...: runs spinstall.exe with ARGS on the display,
# writes the name of every window that becomes visible meanwhile to OUT, one
# line each, and closes each with Return (the only windows expected are our
# message boxes). The relay trace goes to OUT.trace.
watch_windows() {
  local out="$1"
  shift
  : >"$out"
  WINEDEBUG=+relay wine "$SPINSTALL_EXE" "$@" >/dev/null 2>"$out.trace" &
  local pid=$! window deadline=$((SECONDS + 120)) seen=" "
  while kill -0 "$pid" 2>/dev/null; do
    ((SECONDS < deadline)) || { kill "$pid"; fail "the program was still running after 120 s"; }
    for window in $(visible_windows); do
      [[ "$seen" == *" $window "* ]] && continue
      seen+="$window "
      xdotool getwindowname "$window" >>"$out" 2>/dev/null || echo "(unnamed)" >>"$out"
      sleep 0.3
      xdotool key --window "$window" Return 2>/dev/null || true
    done
    sleep 0.05
  done
  wait "$pid" || true
}

# expect_ui_level TRACE LEVEL: MsiSetInternalUI was called once, with LEVEL
# (hexadecimal, 8 digits) and no window, before the first configure call.
expect_ui_level() {
  local calls
  calls=$(grep -a -o 'Call msi\.\(MsiSetInternalUI([0-9a-f,]*)\|MsiConfigureProductExW\)' "$1" |
    sed 's/^Call msi\.//' | uniq | head -n2 | paste -sd ' ')
  [ "$calls" = "MsiSetInternalUI($2,00000000) MsiConfigureProductExW" ] ||
    fail "expected MsiSetInternalUI($2) before the first configure call, traced: $calls"
}

# A prefix on its own display with the German and French demo products at the
# candidate version, tracing the installer settings as well.
prepare() {
  wine_new_display_prefix "$1"
  reg_set 'HKCU\Software\Wine\Debug' RelayInclude REG_SZ \
    'user32.MessageBoxW;msi.MsiConfigureProductExW;msi.MsiSetInternalUI;msi.MsiEnableLogW'
  install_demo de "$FROM_VERSION"
  install_demo fr "$FROM_VERSION"
}

step "/q: no installer interface, no window at all"
prepare quiet
watch_windows "$WINE_SCRATCH/quiet" /q
[ ! -s "$WINE_SCRATCH/quiet" ] || fail "/q showed windows: $(paste -sd '|' "$WINE_SCRATCH/quiet")"
expect_ui_level "$WINE_SCRATCH/quiet.trace" 00000002
[ "$(traced_configure_calls "$WINE_SCRATCH/quiet.trace" | wc -l)" -eq 2 ] || fail "/q did not patch both"
expect_version "${DEMO_CODE[de]}" "$TO_VERSION"

step "plain run: basic UI with progress only; nothing but our two boxes"
prepare plain
watch_windows "$WINE_SCRATCH/plain"
expect_ui_level "$WINE_SCRATCH/plain.trace" 00000043
expected=$(printf '%s\n%s' "$(message 1031 312)" "$(message 1036 312)")
[ "$(cat "$WINE_SCRATCH/plain")" = "$expected" ] ||
  fail "expected the windows [$expected], saw [$(cat "$WINE_SCRATCH/plain")]"
expect_version "${DEMO_CODE[fr]}" "$TO_VERSION"
echo "PASS"
