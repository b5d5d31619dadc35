#!/usr/bin/env bash
# Runs the Wine harness against the 64-bit DLL in a temporary Wine prefix, on test data made
# here with openssl, then verifies with openssl the signatures the harness wrote.
#   tests/windows/run_harness.sh build/windows-x64
set -euo pipefail
harness=$(readlink -f "$1/varomel_wine_harness.exe")
scripts=$(dirname "$(readlink -f "$0")")
readonly WINE=/usr/lib/wine/wine64

work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all
cleanup() {
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

"$scripts/make_test_data.sh" "$work/data"
cd "$work/data"
# The first start builds the prefix and reports it on stderr; the harness's output is on stdout.
"$WINE" "$harness" 2> >(grep -v '^wine: ' >&2)

hex() { od -An -v -tx1 | tr -d ' \n'; }

verify_signature() {
  openssl dgst "-$1" -verify jane.pub.pem -signature "signature.$2.bin" data.bin
}

# OpenSSL 3 refuses to verify an MD4 signature, so its DigestInfo is recovered and compared.
verify_md4_signature() {
  local expected recovered
  expected="3020300c06082a864886f70d020405000410$(
    openssl dgst -md4 -provider legacy -provider default -binary data.bin | hex)"
  recovered=$(openssl pkeyutl -verifyrecover -pubin -inkey jane.pub.pem -in signature.MD4.bin | hex)
  if [[ $recovered != "$expected" ]]; then
    echo "MD4 signature holds $recovered, expected $expected" >&2
    return 1
  fi
  echo "Verified OK (MD4 DigestInfo)"
}

echo "-- the signatures against Jane's public key:"
verify_signature sha1 SHA1
verify_signature md5 MD5
verify_md4_signature
