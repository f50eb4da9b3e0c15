#!/usr/bin/env bash
# wine spinstall.exe /e against copy_file.exe (one CopyFileW) copying the same
# package, and against copy_file.exe /flush (the copy then FlushFileBuffers, as
# /e flushes its output), in one fresh prefix with its wineserver running. Called by
# bench/run with the environment the Wine harness needs, plus BENCH_COPY_EXE
# and BENCH_EXTRACT_RUNS; the harness removes the prefix when this ends.
# shellcheck source=../tests/wine/lib.sh
source "$SPINSTALL_SOURCE_DIR/tests/wine/lib.sh"
wine_setup

wine_new_prefix bench-extract
cp "$SPINSTALL_PACKAGE" package.msp
# Relative names for the files: the current folder is on drive Z:.
# Every output is a new file, as ext4 starts writing back a file truncated and
# rewritten as it is closed, which would hide part of a flush in the copy.
hyperfine -N --warmup 2 --runs "$BENCH_EXTRACT_RUNS" --export-json extract.json \
  --prepare "rm -f out.msp" "wine $SPINSTALL_EXE /e out.msp" \
  --prepare "rm -f copy.msp" "wine $BENCH_COPY_EXE package.msp copy.msp" \
  --prepare "rm -f flushed.msp" "wine $BENCH_COPY_EXE package.msp flushed.msp /flush" >/dev/null
cmp -s out.msp package.msp || fail "spinstall.exe /e did not write the package"
cmp -s copy.msp package.msp || fail "copy_file.exe did not copy the package"
cmp -s flushed.msp package.msp || fail "copy_file.exe /flush did not copy the package"
grep -o '"median": [0-9.e-]*' extract.json | awk '{ m[NR] = $2 } END {
  printf "spinstall.exe /e: %.1f ms, CopyFileW: %.1f ms, ratio %.2f\n", m[1] * 1e3, m[2] * 1e3, m[1] / m[2]
  printf "spinstall.exe /e: %.1f ms, CopyFileW then FlushFileBuffers: %.1f ms, ratio %.2f\n", m[1] * 1e3, m[3] * 1e3, m[1] / m[3] }'
rm -f out.msp copy.msp flushed.msp package.msp
