#!/usr/bin/env bash
# No DLL planted beside the program or in the current directory ever runs.
# Every DLL that a run loads (as Wine's loaddll trace lists them), and the
# names most often planted against installers, wait as copies of the planted
# test DLL in both folders, and Wine is told to prefer such native DLLs. A
# quiet install, /i on a display, /p, /? and /e then work as usual, and no
# planted copy leaves its marker.
# shellcheck source=box_lib.sh
source "$(dirname "$0")/box_lib.sh"
wine_setup

# Planted against installers, whether a run loads them or not. ole32 is a
# KnownDLL on Windows; under Wine, imm32 delay-loads it (program folder first)
# when a box activates an input method, which the program disables (/? loads
# no other DLL that imports ole32).
extra_names=(version uxtheme dwmapi cryptbase profapi userenv winmm msimg32 dbghelp ole32)
# KnownDLLs on Windows: the loader maps them from System32 whatever lies beside
# a program. Wine has no KnownDLLs and, told to prefer native DLLs, loads a
# planted copy of these static imports (and the first's own) instead:
known_dlls=(
  kernel32.dll kernelbase.dll # KERNEL32, which every program imports
  msvcrt.dll                  # the C runtime that MinGW's programs import
)
# Delay-loaded by Wine's own system DLLs. Windows resolves a delay load with
# the search path the program set (SetDefaultDllDirectories: System32 only);
# Wine's loader resolves it with the process's original path, the program's
# folder first:
wine_delay_loads=(
  msimg32.dll # by uxtheme, for the box's themed button
)

# The markers of planted copies that were loaded, one a line.
planted_markers() {
  local folder
  for folder in "$WINE_SCRATCH/downloads" "$WINE_SCRATCH/current"; do
    [ ! -d "$folder" ] || find "$folder" -name '*.planted' -printf '%P\n'
  done
}

# run_mode DIR ARGS: runs the program and fails first of all on a marker.
run_mode() {
  local status=0 markers
  (run_with_boxes "$@") || status=$?
  markers=$(planted_markers)
  [ -z "$markers" ] || fail "planted DLLs ran during ${*:2}: $(echo $markers)"
  ((status == 0)) || fail "the run ${*:2} failed"
}

# The runs, each checked for doing its job: runs DIR.
runs() {
  local dir="$1"
  step "a quiet install"
  run_mode "$dir/install" /q
  expect_box_count "$dir/install" 0
  [ "$(traced_configure_calls "$dir/install/trace.log" | cut -f1)" = "${DEMO_CODE[de]}" ] ||
    fail "the quiet install did not configure the German product"
  step "/i"
  run_mode "$dir/info" /i
  expect_box_count "$dir/info" 1
  step "/p"
  run_mode "$dir/list" /p list.txt
  expect_box_count "$dir/list" 0
  [ -s list.txt ] || fail "/p wrote no list"
  step "/?"
  run_mode "$dir/usage" /?
  expect_box_count "$dir/usage" 1
  step "/e"
  run_mode "$dir/extract" /e x.msp
  expect_box_count "$dir/extract" 0
  cmp -s x.msp "$SPINSTALL_PACKAGE" || fail "/e did not extract the package"
}

# The file names of the DLLs that the traces in DIR/*/trace.log show loaded.
loaded_names() {
  sed -n 's/.*:loaddll:.*Loaded L"\([^"]*\)".*/\1/p' "$1"/*/trace.log |
    sed 's/.*\\//' | tr 'A-Z' 'a-z' | grep -v '\.exe$' | sort -u
}

step "the DLLs that the runs load"
wine_new_display_prefix listing
install_demo de "$FROM_VERSION"
WINE_MORE_TRACES=+loaddll runs "$WINE_SCRATCH/listing"
mapfile -t names < <({ loaded_names "$WINE_SCRATCH/listing"; printf '%s.dll\n' "${extra_names[@]}"; } |
  grep -vxF -f <(printf '%s\n' "${known_dlls[@]}" "${wine_delay_loads[@]}") | sort -u)
echo "planted: ${names[*]}"
overrides=$(printf '%s\n' "${names[@]}" | sed 's/\.dll$//' | paste -sd,)
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;$overrides=n,b"

wine_new_display_prefix planted
install_demo de "$FROM_VERSION"
beside="$WINE_SCRATCH/downloads"
current="$WINE_SCRATCH/current"
mkdir -p "$beside" "$current"
cp "$SPINSTALL_EXE" "$SPINSTALL_WINE_TOOLS/loadlib.exe" "$beside/"
for name in "${names[@]}"; do
  cp "$SPINSTALL_WINE_TOOLS/msi.dll" "$beside/$name"
  cp "$SPINSTALL_WINE_TOOLS/msi.dll" "$current/$name"
done
cd "$current"

step "control: a plain LoadLibrary of version.dll loads the copy beside the program"
wine "$beside/loadlib.exe" version.dll >/dev/null 2>&1 || fail "loadlib could not load version.dll"
[ "$(planted_markers)" = version.dll.planted ] ||
  fail "the planted version.dll was not loaded, so this test proves nothing"
rm "$beside/version.dll.planted"

SPINSTALL_EXE="$beside/spinstall.exe" runs "$WINE_SCRATCH/planted"

echo "PASS"
