#!/usr/bin/env bash
# Two runs at once in one prefix, sharing one /log: the first stops in its
# first box (German product patched) while the second runs whole. Each takes
# a temporary package of its own (MSP2 is the first's, created exclusively
# and held, so the second passes it over for MSP3), each line of the shared
# log names its run's process id, and both products end patched.
#
# Not tried here: two configure calls of one product at the same moment.
# Windows Installer runs one installation at a time and answers the other
# 1618, which the program waits out; Wine's installer has no such lock, and
# the loser cannot open the product's cached package while the other holds
# it (a sharing violation), and answers 1627 although the product ends
# patched by the other run.
source "$(dirname "$0")/patch_lib.sh"
source "$(dirname "$0")/box_lib.sh"
wine_setup

DE="${DEMO_CODE[de]}"
FR="${DEMO_CODE[fr]}"

wine_new_display_prefix shared
install_demo de "$FROM_VERSION"
install_demo fr "$FROM_VERSION"
log="$WINE_SCRATCH/shared.log"
temp_dir="C:\\users\\$(id -un)\\Temp"

step "the first run stops in its first box"
wine "$SPINSTALL_EXE" /log "$(wine_path "$log")" >/dev/null 2>&1 &
first=$!
for tries in $(seq 300); do
  [ -n "$(visible_windows)" ] && break
  kill -0 "$first" 2>/dev/null || fail "the first run ended without a box"
  sleep 0.1
done
[ -n "$(visible_windows)" ] || fail "the first run showed no box"

step "the second run, whole, meanwhile"
status=$(exit_code /q /exitcode /log "$(wine_path "$log")")
[ "$status" = 0 ] || fail "the second run gave [$status], expected 0"

step "the first run's boxes closed"
deadline=$((SECONDS + 120))
while kill -0 "$first" 2>/dev/null; do
  ((SECONDS < deadline)) || fail "the first run was still running after 120 s"
  for window in $(visible_windows); do xdotool key --window "$window" Return 2>/dev/null || true; done
  sleep 0.2
done
wait "$first" || fail "the first run exited $?"

step "the shared log: every line names its run, each run's lines whole and in order"
tr -d '\r' <"$log" >"$WINE_SCRATCH/lines"
! grep -qvE '^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9:]{8}\.[0-9]{3} \[[0-9]+\] ' "$WINE_SCRATCH/lines" ||
  fail "a line of the shared log names no run"
mapfile -t runs < <(sed 's/^[^[]*\[\([0-9]*\)\] .*/\1/' "$WINE_SCRATCH/lines" | awk '!seen[$0]++')
[ "${#runs[@]}" -eq 2 ] || fail "expected two process ids in the shared log, saw: ${runs[*]}"
# lines_of PID: that run's lines without the timestamp and the id.
lines_of() { grep -F "] " "$WINE_SCRATCH/lines" | awk -v id="[$1]" '$3 == id' | cut -d' ' -f4-; }
for pid in "${runs[@]}"; do
  [[ "$(lines_of "$pid" | head -n1)" == "spinstall "* ]] || fail "run $pid's first line is not its start"
  [[ "$(lines_of "$pid" | tail -n1)" == "result: "* ]] || fail "run $pid's last line is not its result"
done
lines_of "${runs[0]}" | grep -qxF "mode: install" || fail "the first run's mode is not logged"
lines_of "${runs[0]}" | grep -qF "package $temp_dir\\MSP2: " || fail "the first run's package is not MSP2"
lines_of "${runs[1]}" | grep -qF "package $temp_dir\\MSP3: " || fail "the second run's package is not MSP3"
lines_of "${runs[1]}" | grep -qxF "result: 1 patched, 0 failed, 1 up to date, 0 not a candidate version, restart required: no, exit code 0" ||
  fail "the second run did not patch the French product alone"
expect_version "$DE" "$TO_VERSION"
expect_version "$FR" "$TO_VERSION"
echo "PASS"
