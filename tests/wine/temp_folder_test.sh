#!/usr/bin/env bash
# TMP naming a folder that is gone: the package goes to the system's own
# temporary folder (TEMP here, the next of GetTempPathW's sources), never to
# the root of the current drive (Z:\, the host's /) or of C:, and TMP is
# pointed there for Wine's installer, which runs in the program's process and
# takes its own temporary files from TMP: the product is patched, and the
# default run log lies beside the package.
source "$(dirname "$0")/patch_lib.sh"
wine_setup

DE="${DEMO_CODE[de]}"

# The names at the two roots that a package (MSPn) or a log could take.
root_names() { ls -a / "$WINEPREFIX/drive_c" | grep -E '^(MSP|spinstall-)' || true; }

step "TMP names C:\\gone: patched, with the package and the log in TEMP"
wine_new_prefix gone
install_demo de "$FROM_VERSION"
# Wine builds a process's TMP from the registry, not from the host's.
reg_set 'HKCU\Environment' TMP REG_SZ 'C:\gone'
[ "$(wine cmd /c 'echo %TMP%' | tr -d '\r')" = 'C:\gone' ] || fail "TMP is not C:\\gone in the prefix"
[ ! -e "$WINEPREFIX/drive_c/gone" ] || fail "C:\\gone exists"
temp="$(wine_temp_dir)"
before=$(root_names)
status=$(exit_code /q /exitcode)
[ "$status" = 0 ] || fail "/q /exitcode gave [$status], expected 0"
[ "$(root_names)" = "$before" ] || fail "a file appeared at a drive's root: $(root_names)"
expect_version "$DE" "$TO_VERSION"
expect_patch_listed "$DE"
logs=("$temp"/spinstall-*[0-9].log)  # not the installer's log beside it
[ "${#logs[@]}" -eq 1 ] && [ -f "${logs[0]}" ] || fail "expected one run log in TEMP, saw: ${logs[*]}"
expect_logged "${logs[0]}" "package C:\\users\\$(id -un)\\Temp\\MSP2: "
expect_logged "${logs[0]}" "TMP \"C:\\gone\" names nothing that exists: set to \"C:\\users\\$(id -un)\\Temp\\\" for the installer"
expect_logged "${logs[0]}" "result: 1 patched, 0 failed, 0 up to date, 0 not a candidate version, restart required: no, exit code 0"
[ ! -e "$temp/MSP2" ] || fail "the run left its package behind"
echo "PASS"
