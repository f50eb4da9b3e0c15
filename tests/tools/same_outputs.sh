#!/usr/bin/env bash
# Runs every msp_tool command with two builds of it on the same inputs (the
# Quillmark family of BUILD_DIR, its carried package, the regression cases and,
# given, a bench product made as bench/run makes one) and compares what they
# print, their exit codes and the files they write: a refactoring of msp_tool
# changes none of them.
#   tests/tools/same_outputs.sh OLD_TOOL NEW_TOOL BUILD_DIR [BENCH_DIR]
set -uo pipefail
old=$(realpath $1) new=$(realpath $2) build=$(realpath $3) bench=${4:-}
work=$(mktemp -d)
pk=$build/products/quillmark/packages.txt
base=$(awk -F'\t' '$2=="16.1.63.10"{print $3}' "$pk")
upg=$(awk -F'\t' '$2=="16.1.84.0"{print $3}' "$pk")
mapfile -t B <<<"$base"; mapfile -t U <<<"$upg"
cases=()
add() { cases+=("$*"); }
for i in "${!B[@]}"; do add "create @OUT@/p.msp ${B[$i]} ${U[$i]}"; done
all=""; for i in "${!B[@]}"; do all="$all ${B[$i]} ${U[$i]}"; done
add "create @OUT@/all.msp$all"
add "create @OUT@/t.msp ${B[0]} ${U[0]} --patch-code {11111111-2222-3333-4444-555555555555} --title Übung --not-removable"
add "author $PWD/resources/package.def @OUT@/carried.msp"
add "diff ${B[0]} ${U[0]}"
add "diff ${B[1]} ${U[5]}"
add "transform ${B[0]} ${U[0]} @OUT@/t.mst"
add "transform ${B[3]} ${U[3]} @OUT@/t3.mst"
carried=$build/carried/package.msp
add "check $carried"
add "check --authored $carried --baselines ${B[*]}"
add "check $carried --baselines ${B[0]} ${B[1]}"
add "describe $carried $PWD/resources/descriptors/206.txt.in @OUT@/d.txt"
add "describe $carried $PWD/resources/descriptors/206.txt.in @OUT@/d3.txt 3"
add "stamp $carried @OUT@/s.msp 16.1.84.0;16.1.63.10,16.1.0.0,"
# refusals
add "create @OUT@/r.msp ${B[0]} ${U[1]}"
add "create @OUT@/r.msp ${B[0]}"
add "create @OUT@/r.msp ${B[0]} ${U[0]} --patch-code nope"
add "create @OUT@/r.msp ${B[0]} ${U[0]} --title"
add "check /nonexistent.msp"
add "check ${B[0]}"
add "check --authored ${B[0]}"
add "describe $carried $PWD/resources/descriptors/206.txt.in @OUT@/d.txt 99"
add "stamp $carried @OUT@/s2.msp 1.0"
add "diff /nonexistent ${U[0]}"
add "transform ${B[0]} /nonexistent @OUT@/x.mst"
add "frobnicate"
add ""
add "author /nonexistent @OUT@/x.msp"
for f in /work/shared/cases/*.msp; do add "check --authored $f"; add "diff $f ${B[0]}"; add "create @OUT@/c.msp $f ${U[0]}"; done
if [ -n "$bench" ]; then
  add "create @OUT@/b.msp $bench/baseline.msi $bench/upgraded.msi"
  add "create @OUT@/bi.msp $bench/baseline.msi $bench/image/upgraded.msi"
  add "diff $bench/baseline.msi $bench/upgraded.msi"
fi
same=0 differ=0
for n in "${!cases[@]}"; do
  for side in old new; do
    tool=${!side}; out=$work/$side/$n; mkdir -p "$out"
    cmd=${cases[$n]//@OUT@/$out}
    (cd "$build" && $tool $cmd >"$out.stdout" 2>"$out.stderr"; echo $? >"$out.rc")
    sed -i -e "s#$work/$side/#OUT/#g" -e "s/(process:[0-9]*)/(process)/; s/ [0-9:.]*: / /" "$out.stdout" "$out.stderr"
  done
  if diff -r "$work/old/$n" "$work/new/$n" >/dev/null && cmp -s "$work/old/$n.stdout" "$work/new/$n.stdout" &&
     cmp -s "$work/old/$n.stderr" "$work/new/$n.stderr" && cmp -s "$work/old/$n.rc" "$work/new/$n.rc"; then
    same=$((same + 1))
  else
    differ=$((differ + 1)); echo "DIFFERS: ${cases[$n]}"
    diff "$work/old/$n.stderr" "$work/new/$n.stderr" | head -5
  fi
done
echo "$same same, $differ differ (of ${#cases[@]}); outputs in $work"
