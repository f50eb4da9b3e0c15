#!/usr/bin/env bash
# The wrapper's overhead over the installer's own tool: wine spinstall.exe /q
# against wine msiexec /p package.msp /qn, each on a fresh prefix with the
# German demo product at the candidate version (making the prefix is not
# timed). Called by bench/run with the environment the Wine harness needs.
# Each prefix is removed as soon as its run is measured (they are large), and
# the harness removes any left when this ends.
# shellcheck source=../tests/wine/patch_lib.sh
source "$SPINSTALL_SOURCE_DIR/tests/wine/patch_lib.sh"
wine_setup
runs=${BENCH_RUNS:-3}

now() { date +%s.%N; }
# time_run LABEL COMMAND...: one fresh prefix, one timed command; the seconds
# in `elapsed`. Not in a subshell: the harness must see every prefix made.
time_run() {
  wine_new_prefix "bench-$1"
  install_demo de "$FROM_VERSION"
  local start end
  start=$(now)
  "${@:2}" >/dev/null 2>&1
  end=$(now)
  expect_version "${DEMO_CODE[de]}" "$TO_VERSION"
  wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
  elapsed=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')
}

package="$WINE_SCRATCH/package.msp"
cp "$SPINSTALL_PACKAGE" "$package"
total_ours=0 total_theirs=0
for ((i = 0; i < runs; i++)); do
  time_run spinstall wine "$SPINSTALL_EXE" /q
  total_ours=$(awk -v a="$total_ours" -v b="$elapsed" 'BEGIN { print a + b }')
  time_run msiexec wine msiexec /p "$(wine_path "$package")" /qn
  total_theirs=$(awk -v a="$total_theirs" -v b="$elapsed" 'BEGIN { print a + b }')
done
rm -f "$package"
awk -v a="$total_ours" -v b="$total_theirs" -v n="$runs" 'BEGIN {
  printf "spinstall.exe /q: %.2f s, msiexec /p: %.2f s (mean of %d fresh prefixes each), ratio %.2f\n", a / n, b / n, n, a / b }'
