#!/usr/bin/env bash
# The demo family's packages as the build made them (products/quillmark): in
# every member's baseline and upgraded package, the engine is a versioned file
# (File.Version and File.Language from its version resource, no MsiFileHash
# row) while the text files keep their hashes; the engine's registry value
# follows the release; the letter template's component is only in the upgrade;
# every other component keeps its code (a minor update must). Then one
# upgraded package, of a language the other tests leave alone, installs under
# Wine with the files, version and registry value of its release.
source "$(dirname "$0")/patch_lib.sh"
wine_setup

# row PACKAGE TABLE KEY: the row of TABLE whose first field is KEY, from
# msiinfo's export (tab-separated).
row() { msiinfo export "$1" "$2" | tr -d '\r' | awk -F'\t' -v key="$3" '$1 == key'; }

step "the tables of every member's packages"
members=0
while read -r code; do
  baseline=$(built_package "$code" "$FROM_VERSION")
  upgraded=$(built_package "$code" "$TO_VERSION")
  [ -n "$baseline" ] && [ -n "$upgraded" ] || fail "$code: no package at $FROM_VERSION and $TO_VERSION"
  for release in "$FROM_VERSION" "$TO_VERSION"; do
    msi=$(built_package "$code" "$release")
    [ "$(row "$msi" File quillmark.dll | cut -f5,6)" = "$release"$'\t'0 ] ||
      fail "$msi: File quillmark.dll is [$(row "$msi" File quillmark.dll)], expected version $release, language 0"
    [ -z "$(row "$msi" MsiFileHash quillmark.dll)" ] || fail "$msi: the engine has an MsiFileHash row"
    for text in readme.txt quillmark.dat; do
      [ -n "$(row "$msi" MsiFileHash "$text")" ] || fail "$msi: no MsiFileHash row for $text"
    done
    [ "$(row "$msi" Registry EngineRelease | cut -f5)" = "$release" ] ||
      fail "$msi: EngineRelease is [$(row "$msi" Registry EngineRelease)], expected $release"
    [ "$(row "$msi" Property ProductName | cut -f2)" = "$(table_field "$code" 3)" ] ||
      fail "$msi: ProductName is not the table's"
  done
  [ -z "$(row "$baseline" Component Templates)" ] || fail "$baseline: has the letter template"
  [ -n "$(row "$upgraded" Component Templates)" ] || fail "$upgraded: has no letter template"
  [ "$(msiinfo export "$upgraded" Component | grep -v '^Templates' | sort)" = \
    "$(msiinfo export "$baseline" Component | sort)" ] || fail "$code: a component changed between releases"
  members=$((members + 1))
done < <(carried_targets)
[ "$members" -eq 21 ] || fail "expected 21 members, saw $members"

step "an upgraded package installs"
code=$(table_code 2070)
wine_new_prefix upgraded
cp "$(built_package "$code" "$TO_VERSION")" "$WINE_SCRATCH/upgraded.msi"
install_msis "$WINE_SCRATCH/upgraded.msi"
expect_version "$code" "$TO_VERSION"
folder=$(demo_folder "$code")
expect_files "$folder" "$(release_files "$TO_VERSION")"
# The installer's own reading of the engine's version resource.
seen=$(product_state "$(wine_path "$folder/quillmark.dll")" | sed 's/.* FileVersion //')
[ "$seen" = "$TO_VERSION 0" ] || fail "MsiGetFileVersionW reads [$seen] from the installed engine"
# A 32-bit package: the 64-bit prefix keeps its HKLM\Software in Wow6432Node.
key="HKLM\\Software\\Wow6432Node\\Quillmark\\Writer 16.1\\$(table_field "$code" 4)"
wine reg query "$key" /v EngineRelease 2>/dev/null | tr -d '\r' | grep -q "REG_SZ *$TO_VERSION$" ||
  fail "no EngineRelease $TO_VERSION under $key"
echo "PASS"
