#!/usr/bin/env bash
# Release builds: the same tree builds a byte-identical spinstall.exe in two
# clean build folders (from two copies of the source, at different times),
# unsigned and signed with a fixed signing time. Signed with a throw-away
# certificate, both the carried package and the program verify, one flipped
# byte fails verification, and the signed program works in every mode under
# Wine, /e giving exactly the signed package. A byte changed in the built
# package after signing stops the next build, and no program is signed; so do
# bytes appended to it, which its signature does not cover.
# shellcheck source=box_lib.sh
source "$(dirname "$0")/box_lib.sh"
wine_setup

# A throw-away CA and a code-signing certificate from it, as PKCS#12 with a
# password file: make_certificate DIR.
make_certificate() {
  local dir="$1"
  mkdir -p "$dir"
  (
    cd "$dir"
    openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 \
      -subj "/CN=spinstall test CA" -addext "basicConstraints=critical,CA:TRUE" \
      -addext "keyUsage=critical,keyCertSign"
    openssl req -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr -subj "/CN=spinstall test signer"
    printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >signer.ext
    openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 \
      -extfile signer.ext -out signer.pem
    printf 'not on any command line' >password
    openssl pkcs12 -export -inkey signer.key -in signer.pem -certfile ca.pem \
      -passout file:password -out signer.p12
  ) >"$dir/openssl.log" 2>&1 || fail "openssl could not make the certificates, see $dir/openssl.log"
}

# release_build SOURCE BUILD [CMAKE ARGUMENTS]: configures and builds spinstall.exe.
release_build() {
  local source="$1" build="$2"
  shift 2
  {
    cmake -S "$source" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$source/cmake/mingw-w64-x86_64.cmake" \
      -DCMAKE_BUILD_TYPE=MinSizeRel -DBUILD_TESTING=OFF "$@" &&
      nice -n 10 cmake --build "$build" --target spinstall -j2
  } >"$build.log" 2>&1 || fail "the build in $build failed, see $build.log"
}

# flipped COPY FILE OFFSET: COPY is FILE with the byte at OFFSET inverted.
flipped() {
  cp "$2" "$1"
  printf "\\x$(printf '%02x' $((0xff ^ $(od -An -tu1 -j "$3" -N1 "$2"))))" |
    dd of="$1" bs=1 seek="$3" conv=notrunc status=none
}

verifies() { osslsigncode verify -CAfile "$WINE_SCRATCH/certificate/ca.pem" -in "$1" >/dev/null 2>&1; }

step "two clean builds in other folders, from two copies of the source"
for copy in one two/deeper; do
  mkdir -p "$WINE_SCRATCH/$copy"
  tar -C "$SPINSTALL_SOURCE_DIR" --exclude=./build --exclude=./.git -cf - . |
    tar -C "$WINE_SCRATCH/$copy" -xf -
done
one="$WINE_SCRATCH/one/build-a"
two="$WINE_SCRATCH/two/deeper/other-build"
release_build "$WINE_SCRATCH/one" "$one"
sleep 1  # a link time stamp would differ
release_build "$WINE_SCRATCH/two/deeper" "$two"
cmp "$one/spinstall.exe" "$two/spinstall.exe" || fail "two unsigned builds differ"
for file in spinstall.exe carried/package.msp; do
  ! osslsigncode extract-signature -in "$one/$file" -out "$WINE_SCRATCH/none.p7" >/dev/null 2>&1 ||
    fail "a build without a certificate signed $file"
done

step "both signed with the same certificate and signing time"
make_certificate "$WINE_SCRATCH/certificate"
signing=(-DSPINSTALL_SIGN_PKCS12="$WINE_SCRATCH/certificate/signer.p12"
  -DSPINSTALL_SIGN_PASSWORD_FILE="$WINE_SCRATCH/certificate/password"
  -DSPINSTALL_SIGN_TIME="$(date +%s)")
release_build "$WINE_SCRATCH/one" "$one" "${signing[@]}"
sleep 1
release_build "$WINE_SCRATCH/two/deeper" "$two" "${signing[@]}"
cmp "$one/spinstall.exe" "$two/spinstall.exe" || fail "two signed builds differ"
! grep -q 'not on any command line' "$one.log" "$one/CMakeCache.txt" ||
  fail "the password is in the build log or the cache"

step "the program and the carried package verify; one flipped byte fails"
exe="$one/spinstall.exe"
package="$one/carried/package.msp"
verifies "$exe" || fail "the signed program does not verify"
verifies "$package" || fail "the signed package does not verify"
flipped "$WINE_SCRATCH/flipped.exe" "$exe" 4096
! verifies "$WINE_SCRATCH/flipped.exe" || fail "the program verifies with a flipped byte"
# A byte of the package's title, in its summary information.
at=$(grep -obUa 'Service Pack 1' "$package" | head -n1 | cut -d: -f1)
flipped "$WINE_SCRATCH/flipped.msp" "$package" "$at"
! verifies "$WINE_SCRATCH/flipped.msp" || fail "the package verifies with a flipped byte"

step "a byte flipped in the second build's signed package stops its next build"
rm "$two/spinstall.exe"
flipped "$WINE_SCRATCH/tampered.msp" "$two/carried/package.msp" "$at"
cp "$WINE_SCRATCH/tampered.msp" "$two/carried/package.msp"
! nice -n 10 cmake --build "$two" --target spinstall -j2 >"$two.tampered.log" 2>&1 ||
  fail "the build carried a package changed after it was signed"
# CMake wraps the message's lines.
tr -s ' \n' ' ' <"$two.tampered.log" | grep -q "carried/package.msp does not verify against" ||
  fail "the build did not say why it stopped, see $two.tampered.log"
[ ! -e "$two/spinstall.exe" ] || fail "a program was made with the changed package"

step "100,000 bytes appended to the signed package verify, but stop the next build"
{ cat "$package"; head -c 100000 /dev/zero; } >"$two/carried/package.msp"
verifies "$two/carried/package.msp" || fail "the signature no longer verifies with bytes appended"
! nice -n 10 cmake --build "$two" --target spinstall -j2 >"$two.appended.log" 2>&1 ||
  fail "the build carried a package with bytes past its end"
tr -s ' \n' ' ' <"$two.appended.log" | grep -q "verifies, but it has 100000 bytes past its end" ||
  fail "the build did not say why it stopped, see $two.appended.log"
[ ! -e "$two/spinstall.exe" ] || fail "a program was made with bytes past the package's end"

step "msp_tool check takes the signed package and still refuses a broken one"
descriptor="$one/carried/descriptors/206.txt"
"$SPINSTALL_MSP_TOOL" check --authored "$package" "$descriptor" >/dev/null || fail "check refused the signed package"
head -c 4096 "$package" >"$WINE_SCRATCH/cut.msp"
! "$SPINSTALL_MSP_TOOL" check "$WINE_SCRATCH/cut.msp" "$descriptor" 2>/dev/null ||
  fail "check took a signed package cut short"
grep -q "^PatchSize=$(stat -c %s "$package")"$'\r$' "$descriptor" ||
  fail "the descriptor's PatchSize is not the signed package's length"

step "the signed program in every mode under Wine"
export SPINSTALL_EXE="$exe"
wine_new_display_prefix signed
install_demo de "$FROM_VERSION"
run_with_boxes "$WINE_SCRATCH/install" /q
[ "$(traced_configure_calls "$WINE_SCRATCH/install/trace.log" | cut -f1)" = "${DEMO_CODE[de]}" ] ||
  fail "the quiet install did not configure the German product"
[ "$(run_tool probe product "${DEMO_CODE[de]}" | sed -n 's/.* VersionString //p' | tr -d '\r')" = "$TO_VERSION" ] ||
  fail "the German product was not patched"
run_with_boxes "$WINE_SCRATCH/info" /i
expect_box_count "$WINE_SCRATCH/info" 1
run_with_boxes "$WINE_SCRATCH/list" /p list.txt
grep -q "^PatchSize=$(stat -c %s "$package")"$'\r$' list.txt || fail "/p did not list the signed package"
run_with_boxes "$WINE_SCRATCH/extract" /e x.msp
cmp x.msp "$package" || fail "/e did not give the signed package"
verifies x.msp || fail "the extracted package does not verify"

echo "PASS"
