#!/usr/bin/env bash
# The same sources give the same files in any build folder and in both
# builds: a copy of the source tree, configured in two other folders as the
# windows and the host build, makes every product package, every DLL built
# into one, the carried package and spinstall.exe byte for byte as this build
# did, and the host build carries the windows build's package. Both reuse this
# build's msp_tool (its own output is the same from any folder; building it
# twice more would only cost time).
source "$(dirname "$0")/lib.sh"
wine_setup

# build NAME TARGETS... -- CMAKE ARGUMENTS...: configures the copy in folder
# NAME and builds TARGETS there.
build() {
  local folder="$WINE_SCRATCH/$1" targets=()
  shift
  while [ "$1" != -- ]; do
    targets+=("$1")
    shift
  done
  shift
  {
    cmake -S "$source" -B "$folder" -DBUILD_TESTING=OFF -DSPINSTALL_MSP_TOOL="$SPINSTALL_MSP_TOOL" "$@" &&
      nice -n 10 cmake --build "$folder" -j2 --target "${targets[@]}"
  } >"$folder.log" 2>&1 || fail "the build in $folder failed, see $folder.log"
}

# same FILE FOLDER...: FILE (relative to this build) is in each FOLDER, the same.
same() {
  local file="$1" folder
  shift
  [ -s "$SPINSTALL_BUILD_DIR/$file" ] || fail "this build has no $file"
  for folder in "$@"; do
    cmp "$SPINSTALL_BUILD_DIR/$file" "$WINE_SCRATCH/$folder/$file" ||
      fail "$file of the build in $folder differs from this build's"
  done
}

step "a copy of the source in another folder"
source="$WINE_SCRATCH/elsewhere/source"
mkdir -p "$source"
tar -C "$SPINSTALL_SOURCE_DIR" --exclude=./build --exclude=./.git -cf - . | tar -C "$source" -xf -

step "the windows build of the copy"
build windows spinstall larkspur_packages -- \
  -DCMAKE_TOOLCHAIN_FILE="$source/cmake/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=MinSizeRel \
  -DSPINSTALL_PE_LOAD_CONFIG="$SPINSTALL_BUILD_DIR/host-tools/pe_load_config"
step "the host build of the copy"
build host spinstall_carried larkspur_packages -- -DCMAKE_BUILD_TYPE=RelWithDebInfo

step "comparing packages, DLLs, the carried package and the program"
mapfile -t made < <(cd "$SPINSTALL_BUILD_DIR" && find products -name '*.msi' -o -name '*.dll' | sort)
[ "${#made[@]}" -gt 40 ] || fail "this build made only ${#made[@]} packages and DLLs"
for file in "${made[@]}"; do same "$file" windows host; done
same carried/package.msp windows host
same spinstall.exe windows
echo "PASS: ${#made[@]} packages and DLLs, the carried package and spinstall.exe"
