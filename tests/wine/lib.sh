# The Wine harness: sourced by every tests/wine/*_test.sh.
#
# It runs the real spinstall.exe in throw-away Wine prefixes: one base prefix
# per build (made once with wineboot), copied for every scenario; the demo
# family's packages (products/quillmark, made by the build) installed with
# msiexec; runs without a display (message boxes return at once) or under
# Xvfb, where every message box is recorded (caption, full text, icon, style,
# screenshot) and closed with Return.
#
# Environment (set by tests/wine/CMakeLists.txt): SPINSTALL_EXE, SPINSTALL_PACKAGE,
# SPINSTALL_DESCRIPTORS (the carried descriptor files, ':'-separated),
# SPINSTALL_BUILD_DIR, SPINSTALL_SOURCE_DIR, SPINSTALL_WINE_TOOLS, SPINSTALL_MSP_TOOL.
# SPINSTALL_WINE_KEEP=1 keeps the scenario prefixes for a look afterwards.
# Everything is written under $SPINSTALL_BUILD_DIR/wine.
#
# Sourcing defines functions and nothing else; a test then calls wine_setup
# once. Message-box recording is in box_lib.sh, the patch tests' helpers in
# patch_lib.sh.

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

step() { echo "--- [${SECONDS}s] $*"; }

wine_cleanup() {
  local prefix
  for prefix in "${WINE_PREFIXES[@]}"; do
    WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
    [ "${SPINSTALL_WINE_KEEP:-0}" = 1 ] || rm -rf "$prefix"
  done
  stop_xvfb
}

# The outside commands the harness runs, checked once so that a missing one is
# named at the start instead of failing deep inside a product build.
WINE_COMMANDS=(wine wineboot wineserver wixl msibuild msiinfo msidump cmake Xvfb xdotool import md5sum)

# Checks the environment and the commands, makes this test's scratch folder
# the current directory, and removes every prefix and display when the test
# ends. Every test calls it once, before anything else of the harness.
wine_setup() {
  set -euo pipefail
  shopt -u patsub_replacement 2>/dev/null || true  # '&' in a replacement is just '&'
  : "${SPINSTALL_EXE:?}" "${SPINSTALL_PACKAGE:?}" "${SPINSTALL_DESCRIPTORS:?}" "${SPINSTALL_BUILD_DIR:?}"
  : "${SPINSTALL_SOURCE_DIR:?}" "${SPINSTALL_WINE_TOOLS:?}" "${SPINSTALL_MSP_TOOL:?}"
  local command
  for command in "${WINE_COMMANDS[@]}"; do
    command -v "$command" >/dev/null || fail "$command missing: run scripts/setup"
  done

  WINE_WORK="$SPINSTALL_BUILD_DIR/wine"
  WINE_TEST_NAME="$(basename "$0" .sh)"
  WINE_SCRATCH="$WINE_WORK/$WINE_TEST_NAME"  # this test's files, made afresh
  WINE_SHOTS="$WINE_WORK/shots"
  WINE_PREFIXES=()
  WINE_XVFB_PID=""
  [ -s "$SPINSTALL_BUILD_DIR/package-facts.txt" ] ||
    fail "no $SPINSTALL_BUILD_DIR/package-facts.txt: build the windows preset first"
  PRODUCT_TABLE="$SPINSTALL_SOURCE_DIR/products/quillmark/targets.md"
  PRODUCT_PACKAGES="$SPINSTALL_BUILD_DIR/products/quillmark/packages.txt"
  [ -s "$PRODUCT_PACKAGES" ] || fail "no $PRODUCT_PACKAGES: build the windows preset first"
  # The demo family members the tests install, by language.
  declare -gA DEMO_CODE DEMO_NAME
  local key rule
  for key in "${!DEMO_LANGUAGE[@]}"; do
    DEMO_CODE[$key]=$(table_code "${DEMO_LANGUAGE[$key]}")
    [ -n "${DEMO_CODE[$key]}" ] || fail "$PRODUCT_TABLE has no member in language ${DEMO_LANGUAGE[$key]}"
    DEMO_NAME[$key]=$(table_field "${DEMO_CODE[$key]}" 3)
  done
  rule=$(package_fact keywords)
  TO_VERSION="${rule%%;*}"  # the upgrade version
  FROM_VERSION="${rule#*;}"
  FROM_VERSION="${FROM_VERSION%%,*}"  # the first candidate version
  PATCH_CODE=$(package_fact patch-code)

  # No Mono or Gecko installer dialogs; quiet Wine unless a run asks for traces.
  export WINEDLLOVERRIDES="mscoree=;mshtml="
  export WINEDEBUG=-all
  unset DISPLAY WAYLAND_DISPLAY

  rm -rf "$WINE_SCRATCH"
  mkdir -p "$WINE_SCRATCH" "$WINE_SHOTS"
  cd "$WINE_SCRATCH"  # the program's current directory in every run
  trap wine_cleanup EXIT
}

# ---------------------------------------------------------------- prefixes

# Sets a registry value in the current prefix: reg_set KEY NAME TYPE DATA.
reg_set() {
  wine reg add "$1" /v "$2" /t "$3" /d "$4" /f >>"$WINE_WORK/base.log" 2>&1 ||
    fail "cannot set $1\\$2"
}

# The base prefix, made once per build, with four settings for the box runs:
# a +relay trace shows only the calls of MessageBoxW (with their style) and
# MsiConfigureProductExW (with product and command line); Wine draws the
# caption bar itself, as there is no window manager on Xvfb; the dialog font
# falls back to a Debian CJK font for Chinese, Japanese and Korean text; and
# Wine's Marlett (fonts-wine), which Debian's Wine does not pick up from its
# data folder, is in the prefix's Fonts folder for the caption's close button.
# (Wine's Tahoma is left out: its bold face, the caption's, has no CJK fallback.)
wine_base_prefix() {
  local base="$WINE_WORK/base" stamp
  # Made again when Wine or these settings change.
  stamp=$({ wine --version; declare -f wine_base_prefix reg_set; } | md5sum)
  [ "$(cat "$base/.ready" 2>/dev/null)" = "$stamp" ] && return 0
  step "making the base prefix (once per build)"
  rm -rf "$base"
  (
    export WINEPREFIX="$base"
    wineboot -i >"$WINE_WORK/base.log" 2>&1 || fail "wineboot failed, see $WINE_WORK/base.log"
    reg_set 'HKCU\Software\Wine\Debug' RelayInclude REG_SZ 'user32.MessageBoxW;msi.MsiConfigureProductExW'
    reg_set 'HKCU\Software\Wine\X11 Driver' Decorated REG_SZ N
    local link='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
    reg_set "$link" Tahoma REG_MULTI_SZ 'wqy-microhei.ttc,WenQuanYi Micro Hei'
    reg_set "$link" 'Microsoft Sans Serif' REG_MULTI_SZ 'wqy-microhei.ttc,WenQuanYi Micro Hei'
    wineserver -w
    cp /usr/share/wine/fonts/marlett.ttf "$base/drive_c/windows/Fonts/" ||
      fail "Wine's Marlett font is missing: install fonts-wine"
  )
  echo "$stamp" >"$base/.ready"
}

# Makes a fresh copy of the base prefix for scenario NAME and makes it current
# (WINEPREFIX). The previous scenario's server and display are stopped; every
# prefix is removed when the test ends.
copy_base_prefix() {
  wine_base_prefix
  local prefix="$WINE_WORK/prefixes/$WINE_TEST_NAME-$1"
  [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null || true
  stop_xvfb
  unset DISPLAY
  rm -rf "$prefix"
  mkdir -p "$(dirname "$prefix")"
  cp -a "$WINE_WORK/base" "$prefix"
  WINE_PREFIXES+=("$prefix")
  export WINEPREFIX="$prefix"
}

# Starts the current prefix's wineserver for good (a run then takes a fraction
# of a second), holding none of the test's output streams open.
start_wineserver() { wineserver -p </dev/null >/dev/null 2>&1; }

# A fresh prefix for scenario NAME without a display: a message box returns at
# once.
wine_new_prefix() {
  copy_base_prefix "$1"
  start_wineserver
}

# The same with a display of its own (Xvfb) for message boxes: Wine's desktop
# process starts with the prefix's first program and serves every later window,
# so the display must be there before anything runs in the prefix.
wine_new_display_prefix() {
  copy_base_prefix "$1"
  start_xvfb
  export DISPLAY="$WINE_DISPLAY"
  start_wineserver
}

# The Linux path of the current prefix's temporary directory (TMP inside).
wine_temp_dir() {
  local dir="$WINEPREFIX/drive_c/users/$(id -un)/Temp"
  [ -d "$dir" ] || fail "no temporary directory $dir in the prefix"
  printf '%s\n' "$dir"
}

# A Linux path as the Windows program sees it (drive Z: is the root).
wine_path() { printf 'Z:%s\n' "${1//\//\\}"; }

# ---------------------------------------------------------------- running

# Runs spinstall.exe with ARGS in the current prefix without a display (a
# message box would return at once), tracing the relayed calls into
# $WINE_SCRATCH/run.log. Returns the program's exit status.
run_quiet() {
  local status=0
  WINEDEBUG=+relay wine "$SPINSTALL_EXE" "$@" >"$WINE_SCRATCH/run.log" 2>&1 || status=$?
  return "$status"
}

# The MessageBoxW calls in trace LOG, one line each.
traced_box_calls() { grep -a 'Call user32\.MessageBoxW(' "$1" || true; }

# exit_code ARGS...: runs spinstall.exe with ARGS from a batch file and prints
# its exit code in full (a Unix exit status keeps only the low 8 bits). Wine's
# messages go to $WINE_SCRATCH/exit_code.log.
exit_code() {
  printf '@"%s" %s\r\n@echo exit=%%ERRORLEVEL%%\r\n' "$(wine_path "$SPINSTALL_EXE")" "$*" \
    >"$WINE_SCRATCH/run.bat"
  # cmd ends with the same code: not a failure of the pipeline.
  { wine cmd /c "$(wine_path "$WINE_SCRATCH/run.bat")" 2>"$WINE_SCRATCH/exit_code.log" || true; } |
    tr -d '\r' | sed -n 's/^exit=//p'
}

# The lines of run log LOG without their timestamps and process ids.
logged_lines() { tr -d '\r' <"$1" | sed 's/^[0-9-]* [0-9:.]* \[[0-9]*\] //'; }

# expect_logged LOG TEXT: some line of LOG, without its timestamp and process
# id, begins with TEXT (a result code's text is the system's own, which
# differs under Wine).
expect_logged() {
  logged_lines "$1" | T="$2" awk 'index($0, ENVIRON["T"]) == 1 { found = 1 } END { exit !found }' || {
    cat "$1" >&2
    fail "the log does not say: $2"
  }
}

# The MsiConfigureProductExW calls in trace LOG, one per line: the product code,
# install level, install state (hexadecimal) and command line, tab-separated;
# the command line as Wine's trace escapes it (\\ for \, \" for ").
traced_configure_calls() {
  sed -n 's/.*Call msi\.MsiConfigureProductExW([0-9a-f]* L"\([^"]*\)",\([0-9a-f]*\),\([0-9a-f]*\),[0-9a-f]* L"\(.*\)") ret=.*/\1\t\2\t\3\t\4/p' "$1"
}

# The results of the MsiConfigureProductExW calls in trace LOG, in decimal.
traced_configure_results() {
  local value
  for value in $(sed -n 's/.*Ret  msi\.MsiConfigureProductExW() retval=\([0-9a-f]*\) .*/\1/p' "$1"); do
    echo $((16#$value))
  done
}

# Runs a test tool (probe, boxtext) from the build's wine-tools folder.
run_tool() {
  local tool="$1"
  shift
  wine "$SPINSTALL_WINE_TOOLS/$tool.exe" "$@"
}

# ---------------------------------------------------------------- products

# A fact of the carried package as msp_tool read it at build time
# (package-facts.txt): keywords (property 5, the version rule), targets
# (property 7) or patch-code.
package_fact() { sed -n "s/^$1=//p" "$SPINSTALL_BUILD_DIR/package-facts.txt" | tr -d '\r'; }

# The carried package's target product codes, one a line.
carried_targets() { package_fact targets | tr ';' '\n'; }

# The Nth (1-based) of them.
target_code() { carried_targets | sed -n "${1}p"; }

# The languages of the demo family members the tests install (their codes and
# names: wine_setup, from the family's table).
declare -A DEMO_LANGUAGE=([de]=1031 [fr]=1036 [ja]=1041)

# A fixed GUID derived from TEXT, in registry form.
derived_guid() {
  local h
  h=$(printf '%s' "$1" | md5sum | tr 'a-f' 'A-F')
  printf '{%s-%s-%s-%s-%s}\n' "${h:0:8}" "${h:8:4}" "${h:12:4}" "${h:16:4}" "${h:20:12}"
}

# The rows of the family's table (products/quillmark/targets.md), one a line:
# product code, language, name and folder, tab-separated.
table_rows() {
  sed -n 's/^| *\({[^ |]*}\) *| *\([0-9]*\) *| *\([^|]*[^ |]\) *| *\([^|]*[^ |]\) *|$/\1\t\2\t\3\t\4/p' \
    "$PRODUCT_TABLE"
}

# Field N of product CODE's row: 1 the code, 2 the language, 3 the name, 4 the folder.
table_field() { table_rows | awk -F'\t' -v code="$1" -v n="$2" '$1 == code { print $n; exit }'; }

# The product code of the table's member in LANGUAGE.
table_code() { table_rows | awk -F'\t' -v language="$1" '$2 == language { print $1; exit }'; }

# The package the build made of product CODE at release VERSION (packages.txt:
# product code, release, path); nothing for a version never released.
built_package() {
  awk -F'\t' -v code="$1" -v version="$2" '$1 == code && $2 == version { print $3 }' "$PRODUCT_PACKAGES"
}

# The files of release VERSION as the build staged them, the engine built in.
release_files() { printf '%s\n' "$SPINSTALL_BUILD_DIR/products/quillmark/$1/files"; }

# make_package OUT CODE LANGUAGE NAME FOLDER VERSION FILES [UPGRADE_CODE]: a
# package of the family's template made as the build makes them, for product
# CODE at VERSION from the files in FILES, in Quillmark\FOLDER.
make_package() {
  cmake -DTEMPLATE="$SPINSTALL_SOURCE_DIR/products/quillmark/quillmark.wxs" -DFILES="$7" \
    -DOUTPUT="$1" -DCODE="$2" -DLANGUAGE="$3" -DNAME="$4" -DFOLDER="$5" -DVERSION="$6" \
    ${8:+-DUPGRADE_CODE="$8"} -P "$SPINSTALL_SOURCE_DIR/cmake/MakeProductPackage.cmake" \
    >"$WINE_SCRATCH/package.log" 2>&1 ||
    fail "cannot make the package of $2 $6, see $WINE_SCRATCH/package.log"
}

# Puts at OUT the package of demo product KEY (de, fr, ja) at VERSION: the
# build's, or for a version the family never released one made the same way
# from the baseline's files.
demo_msi() {
  local out="$1" code="${DEMO_CODE[$2]}" version="$3" built
  built=$(built_package "$code" "$version")
  if [ -n "$built" ]; then
    cp "$built" "$out"
  else
    make_package "$out" "$code" "${DEMO_LANGUAGE[$2]}" "${DEMO_NAME[$2]}" \
      "$(table_field "$code" 4)" "$version" "$(release_files "$FROM_VERSION")"
  fi
}

# Installs demo product KEY (de, fr, ja) at VERSION into the current prefix,
# from a copy of its package in the scratch folder.
install_demo() {
  local key="$1" version="$2"
  local msi="$WINE_SCRATCH/demo-$key-$version.msi"
  demo_msi "$msi" "$key" "$version"
  wine msiexec /i "$(wine_path "$msi")" /qn >"$WINE_SCRATCH/msiexec.log" 2>&1 ||
    fail "msiexec could not install $key $version"
}

# Removes every installation source of the installed demo products: the
# installer's cached packages in the prefix and the MSIs they came from. A
# product then cannot be configured any more.
remove_install_sources() {
  rm -f "$WINEPREFIX"/drive_c/windows/Installer/*.msi "$WINE_SCRATCH"/demo-*.msi
}

# program_around PACKAGE NAME: spinstall.exe built around PACKAGE (with the
# descriptors the neutral template makes), its logs named NAME; sets
# PROGRAM_BUILD to the build folder and SPINSTALL_EXE to the program. One
# folder, kept between runs, serves every test: another package rebuilds only
# what carries it.
program_around() {
  local package="$1"
  PROGRAM_BUILD="$WINE_WORK/around-build"
  rm -rf "$PROGRAM_BUILD/carried"  # nothing of another package's is left there
  cmake -S "$SPINSTALL_SOURCE_DIR" -B "$PROGRAM_BUILD" -G "Unix Makefiles" -DBUILD_TESTING=OFF \
    -DCMAKE_TOOLCHAIN_FILE="$SPINSTALL_SOURCE_DIR/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=MinSizeRel -DSPINSTALL_PACKAGE="$package" \
    -DSPINSTALL_DESCRIPTORS= >"$WINE_SCRATCH/$2-configure.log" 2>&1 ||
    fail "configuring failed, see $WINE_SCRATCH/$2-configure.log"
  nice -n 10 cmake --build "$PROGRAM_BUILD" --target spinstall -j2 >"$WINE_SCRATCH/$2-build.log" 2>&1 ||
    fail "the build failed, see $WINE_SCRATCH/$2-build.log"
  cmp -s "$PROGRAM_BUILD/carried/package.msp" "$package" || fail "the build carries another package"
  SPINSTALL_EXE="$PROGRAM_BUILD/spinstall.exe"
}

# ---------------------------------------------------------------- expected texts

# A catalogue text as the program shows it, from the catalogue as the build
# read it (catalogue.txt): message LANGUAGE ID [ARGUMENT],
# the argument put in for %s or %d. Printed without a trailing line break.
message() {
  local line text
  line=$(grep -m1 "^$1 $2=" "$SPINSTALL_BUILD_DIR/catalogue.txt") ||
    fail "no message $2 in language $1"
  text="${line#*=}"
  text="${text//\\n/$'\n'}"
  text="${text//%s/${3:-}}"
  text="${text//%d/${3:-}}"
  printf '%s' "$text"
}

# ---------------------------------------------------------------- message boxes

# Starts Xvfb on a display number it picks itself; sets WINE_DISPLAY.
start_xvfb() {
  local numberFile="$WINE_SCRATCH/display"
  : >"$numberFile"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$numberFile" \
    >"$WINE_SCRATCH/xvfb.log" 2>&1 &
  WINE_XVFB_PID=$!
  local tries
  for tries in $(seq 100); do
    [ -s "$numberFile" ] && break
    sleep 0.05
  done
  [ -s "$numberFile" ] || fail "Xvfb did not start, see $WINE_SCRATCH/xvfb.log"
  WINE_DISPLAY=":$(head -n1 "$numberFile")"
}

stop_xvfb() {
  [ -n "$WINE_XVFB_PID" ] || return 0
  kill "$WINE_XVFB_PID" 2>/dev/null || true
  wait "$WINE_XVFB_PID" 2>/dev/null || true
  WINE_XVFB_PID=""
}
