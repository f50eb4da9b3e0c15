#!/usr/bin/env bash
# Every member of the Larkspur family (products/larkspur) installs with
# "msiexec /i /qn", at its first and its last release, side by side in one
# prefix each: the three-field version, the name exactly as msi.dll reads it
# (a Latin-1 name from a 1252 database), the features (the one of level 3 not
# installed), every file byte for byte under its name outside ASCII (the
# Japanese ones only in the UTF-8 member), the uncompressed file from beside
# the package, the library's version, the values in both registry views and
# in HKCU, and LARKSPUR_HOME.
source "$(dirname "$0")/state_lib.sh"
wine_setup

mapfile -t CODES < <(larkspur_codes)
[ "${#CODES[@]}" -ge 2 ] || fail "products/larkspur/targets.md has ${#CODES[@]} members"
mapfile -t RELEASES < <(larkspur_releases)
[ "${RELEASES[0]}" = 1.0.0 ] || fail "the first release is ${RELEASES[0]}, expected 1.0.0"

# Installed path below the member's folder, its file among the release's
# files, and the code page of the members that have it (any: every member).
FILES="readme.txt readme.txt any
bin/larkspur.dll larkspur.dll any
bin32/bridge32.ini bridge32.ini any
data/archive.dat archive.dat any
docs/Café.txt cafe.txt any
docs/notes.txt notes.txt any
docs/日本語/ガイド.txt guide_ja.txt 65001"

# registry_value KEY NAME: the data of value NAME of KEY, nothing when absent.
registry_value() {
  { wine reg query "$1" /v "$2" 2>/dev/null || true; } | tr -d '\r' |
    awk -v name="$2" '$1 == name && $2 ~ /^REG_/ { sub(/^ *[^ ]+ +[^ ]+ +/, ""); print }'
}

# expect_value KEY NAME DATA: value NAME of KEY holds DATA ("" for absent).
expect_value() {
  local seen
  seen=$(registry_value "$1" "$2")
  [ "$seen" = "$3" ] || fail "$1\\$2 is '$seen', expected '$3'"
}

# expect_member CODE VERSION: member CODE is installed at VERSION in the
# current prefix, as its package says.
expect_member() {
  local code="$1" version="$2" folder name codepage files want have
  folder=$(larkspur_folder "$code")
  name=$(larkspur_field "$code" 3)
  codepage=$(larkspur_field "$code" 5)
  files=$(larkspur_files "$version")
  expect_version "$code" "$version"
  have=$(run_tool probe product "$code" | tr -d '\r' | sed -n "s/^$code ProductName //p")
  [ "$have" = "$name" ] || fail "$code: msi.dll reads the name '$have', expected '$name'"

  # Local (3), and Samples absent (2). Wine 8.0 reads a feature as run from
  # source (4) when a component's key path is a registry value, as the
  # per-user settings' is; Windows reads local.
  have=$(larkspur_features "$code" "$version" | sed 's/ feature Studio 4$/ feature Studio 3/')
  want=$(printf '%s feature %s\n' "$code" "Documentation 3" "$code" "Samples 2" "$code" "Studio 3")
  [ "$have" = "$want" ] || fail "$code: the features are [$have], expected [$want]"

  want=""
  local path source members
  while read -r path source members; do
    [ "$members" = any ] || [ "$members" = "$codepage" ] || continue
    want+="$path"$'\n'
    cmp -s "$folder/$path" "$files/$source" || fail "$code: $path is not the release's $source"
  done <<<"$FILES"
  [ "$version" = 1.0.0 ] || {
    want+="whatsnew.txt"$'\n'
    cmp -s "$folder/whatsnew.txt" "$files/whatsnew.txt" || fail "$code: whatsnew.txt differs"
  }
  have=$(cd "$folder" && find . -type f | sed 's|^\./||' | sort)
  [ "$have" = "$(printf '%s' "$want" | sort)" ] ||
    fail "$code: $folder holds [$have], expected [$want]"
  have=$(product_state "$(wine_path "$folder/bin/larkspur.dll")" | sed 's/.* FileVersion //')
  [ "$have" = "$version.0 0" ] || fail "$code: MsiGetFileVersionW reads [$have] from the library"

  local key="Larkspur\\Studio 1.0\\$(larkspur_field "$code" 4)"
  expect_value "HKLM\\Software\\$key" Release "$version"
  expect_value "HKLM\\Software\\$key" BridgeRelease ""
  expect_value "HKLM\\Software\\Wow6432Node\\$key" BridgeRelease "$version"
  expect_value "HKLM\\Software\\Wow6432Node\\$key" Release ""
  expect_value "HKCU\\Software\\$key" SettingsRelease "$version"
}

for version in "${RELEASES[0]}" "${RELEASES[-1]}"; do
  step "every member at $version"
  wine_new_prefix "install-$version"
  install_larkspur "$version" "${CODES[@]}"
  for code in "${CODES[@]}"; do expect_member "$code" "$version"; done
  # One machine-wide variable: the member installed last set it.
  home=$(wine_path "$(larkspur_folder "${CODES[-1]}")")
  expect_value 'HKLM\System\CurrentControlSet\Control\Session Manager\Environment' LARKSPUR_HOME \
    "C:${home#Z:*drive_c}\\"
done
echo "PASS"
