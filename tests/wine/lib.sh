# A minimal stand-in for the Wine harness (the harness branch replaces this
# file; the functions below keep its names and meaning): throw-away prefixes
# copied from one base prefix per build, demo products built with wixl and
# installed with msiexec, and quiet runs of spinstall.exe with a relay trace of
# MessageBoxW and MsiConfigureProductExW.
#
# Environment (set by tests/wine/CMakeLists.txt): SPINSTALL_EXE, SPINSTALL_PACKAGE,
# SPINSTALL_BUILD_DIR, SPINSTALL_SOURCE_DIR, SPINSTALL_WINE_TOOLS.
# SPINSTALL_WINE_KEEP=1 keeps the scenario prefixes for a look afterwards.

set -euo pipefail

: "${SPINSTALL_EXE:?}" "${SPINSTALL_PACKAGE:?}" "${SPINSTALL_BUILD_DIR:?}"
: "${SPINSTALL_SOURCE_DIR:?}" "${SPINSTALL_WINE_TOOLS:?}"

WINE_WORK="$SPINSTALL_BUILD_DIR/wine"
WINE_TEST_NAME="$(basename "$0" .sh)"
WINE_SCRATCH="$WINE_WORK/$WINE_TEST_NAME"

export WINEDLLOVERRIDES="mscoree=;mshtml="
export WINEDEBUG=-all
unset DISPLAY WAYLAND_DISPLAY

rm -rf "$WINE_SCRATCH"
mkdir -p "$WINE_SCRATCH"
WINE_PREFIXES=()

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

step() { echo "--- $*"; }

wine_cleanup() {
  local prefix
  for prefix in "${WINE_PREFIXES[@]}"; do
    WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
    [ "${SPINSTALL_WINE_KEEP:-0}" = 1 ] || rm -rf "$prefix"
  done
}
trap wine_cleanup EXIT

# The base prefix, made once per build; the relay trace it sets up shows only
# the calls of MessageBoxW and MsiConfigureProductExW.
wine_base_prefix() {
  local base="$WINE_WORK/base"
  [ -f "$base/.ready" ] && return 0
  step "making the base prefix (once per build)"
  rm -rf "$base"
  (
    export WINEPREFIX="$base"
    wineboot -i >"$WINE_WORK/base.log" 2>&1 || fail "wineboot failed, see $WINE_WORK/base.log"
    wine reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /t REG_SZ \
      /d 'user32.MessageBoxW;msi.MsiConfigureProductExW' /f >>"$WINE_WORK/base.log" 2>&1 ||
      fail "cannot set up the relay trace"
    wineserver -w
  )
  touch "$base/.ready"
}

# Makes a fresh scenario prefix NAME from the base and makes it current.
wine_new_prefix() {
  wine_base_prefix
  local prefix="$WINE_WORK/prefixes/$WINE_TEST_NAME-$1"
  [ -n "${WINEPREFIX:-}" ] && WINEPREFIX="$WINEPREFIX" wineserver -w
  rm -rf "$prefix"
  mkdir -p "$(dirname "$prefix")"
  cp -a "$WINE_WORK/base" "$prefix"
  WINE_PREFIXES+=("$prefix")
  export WINEPREFIX="$prefix"
}

# A Linux path as the Windows program sees it (drive Z: is the root).
wine_path() { printf 'Z:%s\n' "${1//\//\\}"; }

# Runs spinstall.exe with ARGS without a display (a message box returns at
# once), tracing the relayed calls into $WINE_SCRATCH/run.log.
run_quiet() {
  local status=0
  WINEDEBUG=+relay wine "$SPINSTALL_EXE" "$@" >"$WINE_SCRATCH/run.log" 2>&1 || status=$?
  wineserver -w
  return "$status"
}

# The MessageBoxW calls in trace LOG, one line each.
traced_box_calls() { grep -a 'Call user32\.MessageBoxW(' "$1" || true; }

# The MsiConfigureProductExW calls in trace LOG, one line each.
traced_configure_calls() { grep -a 'Call msi\.MsiConfigureProductExW(' "$1" || true; }

# Runs a test tool from the build's wine-tools folder.
run_tool() {
  local tool="$1"
  shift
  wine "$SPINSTALL_WINE_TOOLS/$tool.exe" "$@"
}

# The Nth (1-based) target product code of the carried package's definition.
target_code() {
  sed -n 's/^target *= *//p' "$SPINSTALL_SOURCE_DIR/resources/package.def" | sed -n "${1}p" | tr -d '\r'
}

declare -A DEMO_CODE=([de]="$(target_code 1)" [fr]="$(target_code 2)" [ja]="$(target_code 3)")
declare -A DEMO_LANGUAGE=([de]=1031 [fr]=1036 [ja]=1041)

# A fixed GUID derived from TEXT, in registry form.
derived_guid() {
  local h
  h=$(printf '%s' "$1" | md5sum | tr 'a-f' 'A-F')
  printf '{%s-%s-%s-%s-%s}\n' "${h:0:8}" "${h:8:4}" "${h:12:4}" "${h:16:4}" "${h:20:12}"
}

# Installs demo product KEY (de, fr, ja) at VERSION into the current prefix,
# into its own folder "Quillmark/Writer XXXXXXXX" (the code's first group).
install_demo() {
  local key="$1" version="$2" code="${DEMO_CODE[$1]}"
  local work
  work="$(mktemp -d "$WINE_SCRATCH/msi.XXXXXX")"
  cp "$SPINSTALL_SOURCE_DIR"/tests/wine/products/files/* "$work/"
  sed -e "s/@PRODUCT_CODE@/$code/" -e "s/@PRODUCT_NAME@/Quillmark/" \
    -e "s/@LANGUAGE@/${DEMO_LANGUAGE[$key]}/" -e "s/@VERSION@/$version/" \
    -e "s/@FOLDER@/Writer ${code:1:8}/" \
    -e "s/@README_GUID@/$(derived_guid "$code readme.txt")/" \
    -e "s/@DATA_GUID@/$(derived_guid "$code quillmark.dat")/" \
    "$SPINSTALL_SOURCE_DIR/tests/wine/products/demo.wxs.in" >"$work/demo.wxs"
  (cd "$work" && wixl -o demo.msi demo.wxs) >"$work/build.log" 2>&1 ||
    fail "cannot build the demo product $code $version, see $work/build.log"
  wine msiexec /i "$(wine_path "$work/demo.msi")" /qn >"$WINE_SCRATCH/msiexec.log" 2>&1 ||
    fail "msiexec could not install $key $version"
  wineserver -w
}
