# What the patch tests share, on top of the harness (lib.sh): installing the
# family's members, where their files live, their installed state, and what
# the installer says about a product's version and patches.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

programs_dir() { printf '%s\n' "$WINEPREFIX/drive_c/Program Files (x86)"; }
# The folder a member of the family installs to.
demo_folder() { printf '%s\n' "$(programs_dir)/Quillmark/$(table_field "$1" 4)"; }

# Installs the databases MSI... into the current prefix, one after the other.
install_msis() {
  local msi
  for msi in "$@"; do
    wine msiexec /i "$(wine_path "$msi")" /qn >"$WINE_SCRATCH/msiexec.log" 2>&1 ||
      fail "msiexec could not install $msi"
  done
}

# What msi.dll says about products CODE...: "CODE VersionString V" and one
# "CODE patch P" line per patch.
product_state() { run_tool patch_state "$@" | tr -d '\r'; }

expect_version() {
  local code="$1" version="$2" seen
  seen=$(product_state "$code" | sed -n "s/^$code VersionString //p")
  [ "$seen" = "$version" ] || fail "$code: VersionString is '$seen', expected '$version'"
}

# expect_patch_listed CODE [PATCH [UNINSTALLABLE]]: product CODE lists the
# patch (the carried one by default), registered as uninstallable (1) or not.
expect_patch_listed() {
  local patch="${2:-$PATCH_CODE}" uninstallable="${3:-1}" state
  state=$(product_state "$1")
  grep -qx "$1 patch $patch" <<<"$state" || fail "$1: MsiEnumPatchesExW does not list the patch $patch"
  grep -qx "$1 uninstallable $patch $uninstallable" <<<"$state" ||
    fail "$1: the patch $patch is not registered with Uninstallable $uninstallable: $(grep uninstallable <<<"$state")"
}

expect_no_patch() {
  ! product_state "$1" | grep -q " patch " || fail "$1: already lists a patch"
}

# Installs the build's packages of the family's members CODE... at release
# VERSION.
install_members() {
  local version="$1" code msis=()
  shift
  for code in "$@"; do
    msis+=("$WINE_SCRATCH/member-$code-$version.msi")
    cp "$(built_package "$code" "$version")" "${msis[-1]}"
  done
  install_msis "${msis[@]}"
}

# The installed state of the family's members CODE... in the current prefix:
# their versions, a checksum of every file under Quillmark and the family's
# registry values (a 32-bit package: HKLM\Software is in Wow6432Node).
installed_state() {
  local code
  for code in "$@"; do product_state "$code" | grep " VersionString "; done
  (cd "$(programs_dir)" && find Quillmark -type f -print0 | sort -z | xargs -0 -r sha256sum)
  wine reg query 'HKLM\Software\Wow6432Node\Quillmark' /s 2>/dev/null | tr -d '\r'
}

# Writes to OUT the installed state of a fresh install of members CODE... at
# the upgrade version, in a prefix of its own.
fresh_upgrade_state() {
  local out="$1"
  shift
  wine_new_prefix fresh-upgrade
  install_members "$TO_VERSION" "$@"
  installed_state "$@" >"$out"
}

# expect_files FOLDER EXPECTED: FOLDER holds exactly the files of EXPECTED,
# byte for byte.
expect_files() {
  local folder="$1" expected="$2" have want file
  [ -d "$folder" ] || fail "no folder $folder"
  have=$(cd "$folder" && find . -type f | sort | tr '\n' ' ')
  want=$(cd "$expected" && find . -type f | sort | tr '\n' ' ')
  [ "$have" = "$want" ] || fail "$folder holds [$have], expected [$want]"
  for file in "$expected"/*; do
    cmp -s "$folder/${file##*/}" "$file" || fail "$folder/${file##*/} differs from $file"
  done
}

# The end state of products CODE... in the current prefix: what msi.dll says
# and a checksum of every installed file, one line each.
end_state() {
  product_state "$@"
  (cd "$(programs_dir)" && find Quillmark -type f -print0 | sort -z | xargs -0 -r sha256sum)
}
