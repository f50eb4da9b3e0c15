#!/usr/bin/env bash
# The wrapper's overhead over the installer's own tool: wine spinstall.exe /q
# against wine msiexec /p package.msp /qn, each on a fresh prefix with the
# German demo product at the candidate version (making the prefix is not
# timed). Called by bench/run with the environment the Wine harness needs.
# shellcheck source=../tests/wine/patch_lib.sh
source "$SPINSTALL_SOURCE_DIR/tests/wine/patch_lib.sh"
wine_setup
runs=${BENCH_RUNS:-3}

now() { date +%s.%N; }
time_run() {  # time_run LABEL COMMAND...: one fresh prefix, one timed command
  wine_new_prefix "bench-$1-$RANDOM"
  install_demo de "$FROM_VERSION"
  local start end
  start=$(now)
  "${@:2}" >/dev/null 2>&1
  end=$(now)
  expect_version "${DEMO_CODE[de]}" "$TO_VERSION"
  WINEPREFIX="$WINEPREFIX" wineserver -k 2>/dev/null || true
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f\n", b - a }'
}

package="$WINE_SCRATCH/package.msp"
cp "$SPINSTALL_PACKAGE" "$package"
total_ours=0 total_theirs=0
for ((i = 0; i < runs; i++)); do
  ours=$(time_run spinstall wine "$SPINSTALL_EXE" /q | tail -n1)
  theirs=$(time_run msiexec wine msiexec /p "$(wine_path "$package")" /qn | tail -n1)
  total_ours=$(awk -v a="$total_ours" -v b="$ours" 'BEGIN { print a + b }')
  total_theirs=$(awk -v a="$total_theirs" -v b="$theirs" 'BEGIN { print a + b }')
done
awk -v a="$total_ours" -v b="$total_theirs" -v n="$runs" 'BEGIN {
  printf "spinstall.exe /q: %.2f s, msiexec /p: %.2f s (mean of %d fresh prefixes each), ratio %.2f\n", a / n, b / n, n, a / b }'
