#!/usr/bin/env bash
# The carried package signed with a throw-away certificate, then changed four
# ways. The signature (osslsigncode verify, as the build's VerifyFile.cmake
# runs it) covers the streams' bytes only: a flipped byte in the header's
# reserved field, a flipped byte of slack (past a stream's end in its last
# sector) and 100,000 appended bytes all still verify, and only a flipped
# byte of a stream's data fails. The build's end check (CheckPackageEnd.cmake,
# and VerifyFile.cmake after the signature) refuses the appended bytes, even
# one byte or one whole sector, and a package cut short; it passes the
# package as signed.
set -euo pipefail
: "${PACKAGE:?}" "${SOURCE_DIR:?}" "${WORK:?}"
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
rm -rf "$WORK"
mkdir -p "$WORK"
cd "$WORK"

(
  openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 \
    -subj "/CN=spinstall test CA" -addext "basicConstraints=critical,CA:TRUE" \
    -addext "keyUsage=critical,keyCertSign"
  openssl req -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr -subj "/CN=spinstall test signer"
  printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >signer.ext
  openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 \
    -extfile signer.ext -out signer.pem
  osslsigncode sign -certs signer.pem -key signer.key -h sha256 -in "$PACKAGE" -out signed.msp
) >sign.log 2>&1 || fail "cannot sign a copy of the package, see $WORK/sign.log"

verifies() { osslsigncode verify -CAfile ca.pem -ignore-cdp -ignore-timestamp -in "$1" >/dev/null 2>&1; }
end_check() { cmake -DPACKAGE="$1" -P "$SOURCE_DIR/cmake/CheckPackageEnd.cmake" >"$(basename "$1").check" 2>&1; }
# flipped OUT OFFSET: OUT is the signed package with the byte at OFFSET inverted.
flipped() {
  cp signed.msp "$1"
  printf "\\x$(printf '%02x' $((0xff ^ $(od -An -tu1 -j "$2" -N1 signed.msp))))" |
    dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}

read -r slack data < <(/usr/bin/python3 "$SOURCE_DIR/tests/build/package_bytes.py" signed.msp)
sector=$((1 << $(od -An -tu2 -j 30 -N2 signed.msp)))
size=$(stat -c %s signed.msp)
flipped header.msp 34  # the header's reserved field, 0x22
flipped slack.msp "$slack"
flipped data.msp "$data"
{ cat signed.msp; head -c 100000 /dev/zero; } >appended.msp
{ cat signed.msp; printf x; } >one-byte.msp
{ cat signed.msp; head -c "$sector" /dev/zero; } >one-sector.msp
head -c $((size - sector)) signed.msp >cut.msp

# file, does its signature verify, does the end check pass
table="signed.msp yes yes
header.msp yes yes
slack.msp yes yes
appended.msp yes no
one-byte.msp yes no
one-sector.msp yes no
data.msp no yes
cut.msp no no"
while read -r file verify end; do
  seen=no
  verifies "$file" && seen=yes
  [ "$seen" = "$verify" ] || fail "$file: the signature verifies: $seen, expected $verify"
  seen=no
  end_check "$file" && seen=yes
  [ "$seen" = "$end" ] || fail "$file: the end check passes: $seen, expected $end: $(cat "$file.check")"
done <<<"$table"
tr -s ' \n' ' ' <appended.msp.check | grep -qF "has 100000 bytes past its end" ||
  fail "the end check does not say why: $(cat appended.msp.check)"
end_check "$PACKAGE" || fail "the carried package fails the end check: $(cat "$(basename "$PACKAGE").check")"

# The signed build's verification refuses what verifies but runs past its end.
for file in signed.msp appended.msp; do
  status=0
  cmake -DSIGN_TOOL=osslsigncode -DCA_FILE=ca.pem -DSIGNED_FILE="$file" -DVERIFIED_COPY="verified/$file" \
    -P "$SOURCE_DIR/cmake/VerifyFile.cmake" >"$file.verify" 2>&1 || status=$?
  if [ "$file" = signed.msp ]; then
    [ "$status" = 0 ] && cmp -s signed.msp verified/signed.msp || fail "VerifyFile refused the signed package"
  else
    [ "$status" != 0 ] && [ ! -e "verified/$file" ] && [ ! -e "verified/$file.verifying" ] ||
      fail "VerifyFile carried a package with bytes past its end"
  fi
done
echo "PASS"
