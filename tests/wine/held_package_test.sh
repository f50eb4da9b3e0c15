#!/usr/bin/env bash
# The extracted package cannot be changed or deleted by anyone else while the
# program still needs it: during the run (here, while the success box after
# the configure call is on screen) a Windows program's attempts to overwrite
# and to delete TMP\MSP2 fail, the file keeps the carried bytes, and the run
# deletes it at its end.
# shellcheck source=box_lib.sh
source "$(dirname "$0")/box_lib.sh"
wine_setup

wine_new_display_prefix held
install_demo de 16.1.63.10
temp=$(wine_temp_dir)
inside="C:\\users\\$(id -un)\\Temp\\MSP2"

step "running spinstall.exe and waiting for its first box"
wine "$SPINSTALL_EXE" >/dev/null 2>&1 &
pid=$!
window=""
for _ in $(seq 600); do
  window=$(visible_windows | head -n1)
  [ -n "$window" ] && break
  kill -0 "$pid" 2>/dev/null || fail "the program ended without a box"
  sleep 0.1
done
[ -n "$window" ] || fail "no box appeared"
[ -f "$temp/MSP2" ] || fail "no extracted package TMP\\MSP2 while the box is up"

step "overwriting and deleting the package from another Windows program"
wine cmd /c "echo swapped> $inside" >"$WINE_SCRATCH/write.log" 2>&1 || true
wine cmd /c "del /f $inside" >"$WINE_SCRATCH/del.log" 2>&1 || true
[ -f "$temp/MSP2" ] || fail "another program could delete the held package"
cmp -s "$temp/MSP2" "$SPINSTALL_PACKAGE" || fail "another program could change the held package"

xdotool key --window "$window" Return
wait "$pid" || fail "the program exited with $?"
[ ! -e "$temp/MSP2" ] || fail "the package was not deleted at the end of the run"
echo "PASS: the held package could be neither changed nor deleted, and was removed at the end"
