# The Larkspur family (products/larkspur) under Wine, on top of patch_lib.sh:
# its table and packages, installing its members, and their installed state
# (product versions, feature states, every file with its checksum, both
# registry views, the user's registry, the environment) compared with a fresh
# install of a release.
# shellcheck source=patch_lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/patch_lib.sh"

larkspur_dir() { printf '%s\n' "$SPINSTALL_BUILD_DIR/products/larkspur"; }

# The rows of products/larkspur/targets.md, one a line: product code, language,
# name, folder and code page, tab-separated.
larkspur_rows() {
  local cell=' *\([^|]*[^ |]\) *|'
  sed -n "s/^| *\({[^ |]*}\) *| *\([0-9]*\) *|$cell$cell *\([0-9]*\) *|\$/\1\t\2\t\3\t\4\t\5/p" \
    "$SPINSTALL_SOURCE_DIR/products/larkspur/targets.md"
}

# Field N of member CODE's row: 1 the code, 2 the language, 3 the name, 4 the
# folder, 5 the code page.
larkspur_field() { larkspur_rows | awk -F'\t' -v code="$1" -v n="$2" '$1 == code { print $n; exit }'; }

larkspur_codes() { larkspur_rows | cut -f1; }

# The releases the build packaged, lowest first.
larkspur_releases() { cut -f2 "$(larkspur_dir)/packages.txt" | awk '!seen[$0]++'; }

# The build's package of member CODE at release VERSION.
larkspur_package() {
  local package
  package=$(awk -F'\t' -v code="$1" -v version="$2" '$1 == code && $2 == version { print $3 }' \
    "$(larkspur_dir)/packages.txt")
  [ -n "$package" ] || fail "the build made no Larkspur package of $1 at $2"
  printf '%s\n' "$package"
}

# The files of release VERSION as the build staged them.
larkspur_files() { printf '%s\n' "$(larkspur_dir)/$1/files"; }

# The features of the package at PACKAGE, one a line.
package_features() { msiinfo export "$1" Feature | tr -d '\r' | tail -n +4 | cut -f1 | sort; }

# The installed state of member CODE's features, one a line, as msi.dll
# answers for each feature of its package at release VERSION.
larkspur_features() {
  local features
  mapfile -t features < <(package_features "$(larkspur_package "$1" "$2")")
  run_tool feature_state "$1" "${features[@]}" | tr -d '\r'
}

# The folder member CODE installs to, in the 64-bit Program Files.
larkspur_folder() { printf '%s\n' "$WINEPREFIX/drive_c/Program Files/Larkspur/$(larkspur_field "$1" 4)"; }

# Installs members CODE... at release VERSION into the current prefix, each
# from the build's folder, where its uncompressed file lies beside it.
install_larkspur() {
  local version="$1" code
  shift
  for code in "$@"; do
    wine msiexec /i "$(wine_path "$(larkspur_package "$code" "$version")")" /qn \
      >"$WINE_SCRATCH/msiexec.log" 2>&1 || fail "msiexec could not install $code $version"
  done
}

# A registry key and everything below it, as "wine reg query /s" lists it;
# nothing for a key that is not there.
registry_tree() {
  echo "[$1]"
  wine reg query "$1" /s 2>/dev/null | tr -d '\r' || true
}

# The installed state of members CODE... in the current prefix, one fact a
# line: what msi.dll says of each product and its features, every file under
# Larkspur in both Program Files folders, the family's keys in the 64-bit and
# the 32-bit view of HKLM and in HKCU, and LARKSPUR_HOME in the machine's
# environment.
larkspur_state() {
  local code root
  for code in "$@"; do
    product_state "$code" | grep " VersionString "
    # The features of the last release's package: a patch adds none.
    larkspur_features "$code" "$(larkspur_releases | tail -n 1)"
  done
  for root in "Program Files" "Program Files (x86)"; do
    [ -d "$WINEPREFIX/drive_c/$root/Larkspur" ] || continue
    (cd "$WINEPREFIX/drive_c/$root" && find Larkspur -type f -print0 | sort -z | xargs -0 -r sha256sum) |
      sed "s|^|$root: |"
  done
  registry_tree 'HKLM\Software\Larkspur'
  registry_tree 'HKLM\Software\Wow6432Node\Larkspur'
  registry_tree 'HKCU\Software\Larkspur'
  wine reg query 'HKLM\System\CurrentControlSet\Control\Session Manager\Environment' \
    /v LARKSPUR_HOME 2>/dev/null | tr -d '\r' | grep LARKSPUR_HOME || echo "no LARKSPUR_HOME"
}

# expect_same_as_fresh VERSION CODE...: the current prefix holds members
# CODE... exactly as a fresh install of release VERSION leaves them. The fresh
# state is made once per test in a prefix of its own; the current prefix
# stays current.
expect_same_as_fresh() {
  local version="$1" here="$WINEPREFIX" fresh
  shift
  fresh="$WINE_SCRATCH/fresh-$version-$(printf '%s' "$*" | md5sum | cut -c1-8).state"
  larkspur_state "$@" >"$WINE_SCRATCH/current.state"
  if [ ! -s "$fresh" ]; then
    wine_new_prefix "fresh-$version"
    install_larkspur "$version" "$@"
    larkspur_state "$@" >"$fresh"
    wineserver -k 2>/dev/null || true
    export WINEPREFIX="$here"
    start_wineserver
  fi
  diff -u "$fresh" "$WINE_SCRATCH/current.state" ||
    fail "the products differ from a fresh install of $version"
}

# make_larkspur_package OUT CODE VERSION FILES: a package of member CODE at
# VERSION from the files in FILES, made as the build makes them, with its
# uncompressed file beside it.
make_larkspur_package() {
  local out="$1" code="$2" products="$SPINSTALL_SOURCE_DIR/products/larkspur"
  mkdir -p "$(dirname "$out")"
  make_family_package "$products/larkspur.wxs" "$out" "$code" "$(larkspur_field "$code" 2)" \
    "$(larkspur_field "$code" 3)" "$(larkspur_field "$code" 4)" "$3" "$4" \
    -DCODEPAGE="$(larkspur_field "$code" 5)" -DARCH=x64 -DAFTER="$products/after_wixl.cmake"
  cp "$4/notes.txt" "$(dirname "$out")/notes.txt"
}
