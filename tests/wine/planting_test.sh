#!/usr/bin/env bash
# A msi.dll planted beside the program (say, in a downloads folder that is also
# the current directory) is never loaded: the program takes msi.dll from the
# system folder only, and still reaches the real installer service.
#
# Wine loads its own msi.dll whatever lies beside a program unless told to
# prefer native DLLs, so every run here is told so (msi=n,b); the first step
# shows that a plain LoadLibrary("msi.dll") then does load the planted one.
source "$(dirname "$0")/lib.sh"
wine_setup

export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;msi=n,b"
wine_new_prefix planting
install_demo de 16.1.63.10
folder="$WINE_SCRATCH/downloads"
mkdir -p "$folder"
cp "$SPINSTALL_EXE" "$SPINSTALL_WINE_TOOLS/msi.dll" "$SPINSTALL_WINE_TOOLS/loadlib.exe" "$folder/"
cd "$folder"

step "control: a plain LoadLibrary from that folder loads the planted msi.dll"
wine ./loadlib.exe msi.dll >/dev/null 2>&1 || fail "loadlib could not load msi.dll"
[ -e msi.dll.planted ] || fail "the planted msi.dll was not loaded, so this test proves nothing"
rm msi.dll.planted

step "/q: installs through the system's msi.dll, never the planted one"
SPINSTALL_EXE="$folder/spinstall.exe" run_quiet /q || fail "/q exited $?"
[ ! -e msi.dll.planted ] || fail "/q loaded the planted msi.dll"
[ "$(traced_configure_calls "$WINE_SCRATCH/run.log" | cut -f1)" = "${DEMO_CODE[de]}" ] ||
  fail "/q did not configure the German product through the system's msi.dll"

step "/i and /p: the same"
for args in /i "/p list.txt"; do
  SPINSTALL_EXE="$folder/spinstall.exe" run_quiet $args || fail "$args exited $?"
  [ ! -e msi.dll.planted ] || fail "$args loaded the planted msi.dll"
done

echo "PASS"
