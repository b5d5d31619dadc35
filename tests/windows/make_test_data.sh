#!/usr/bin/env bash
# Makes the harness's certificates and packets with openssl, into the folder given:
#   jane.p12, second.p12   valid now, with their RSA keys, password "secret"
#   expired.der            its validity ended a year ago; no key
#   future.der             its validity starts in a year; no key
#   jane.der, second.der   the encoded certificates inside the two packets
#   jane.pub.pem           Jane's public key, to verify the signatures the harness writes
#   data.bin               the bytes the harness signs
set -euo pipefail
out=$1
mkdir -p "$out"
cd "$out"

readonly PASSWORD=secret

asn1_time() { date -u -d "$1" +%y%m%d%H%M%SZ; }

cat >ca.cnf <<CNF
[ca]
default_ca = harness
[harness]
dir = .
database = index.txt
new_certs_dir = .
serial = serial
default_md = sha256
policy = anything
unique_subject = no
copy_extensions = none
[anything]
commonName = optional
emailAddress = optional
countryName = optional
stateOrProvinceName = optional
organizationName = optional
organizationalUnitName = optional
CNF
: >index.txt
echo 1000 >serial

openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 3650 \
  -subj "/CN=Harness Issuer" 2>/dev/null

# issue NAME SUBJECT START END: NAME.key and NAME.pem, valid from START to END.
issue() {
  openssl req -new -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.csr" -subj "$2" \
    -utf8 2>/dev/null
  openssl ca -batch -preserveDN -config ca.cnf -cert ca.pem -keyfile ca.key -in "$1.csr" -out "$1.pem" \
    -notext -startdate "$(asn1_time "$3")" -enddate "$(asn1_time "$4")" -utf8 2>/dev/null
}

issue jane "/C=US/ST=Some State/O=Acme, Inc./OU=Unit/CN=Jane Doe/emailAddress=jane@example.com" \
  "-1 day" "+1 year"
issue second "/O=Example/CN=Second \"Signer\"" "-1 hour" "+30 days"
issue expired "/CN=Expired Person" "-2 years" "-1 year"
issue future "/CN=Future Person" "+1 year" "+2 years"

for name in jane second; do
  openssl pkcs12 -export -in "$name.pem" -inkey "$name.key" -passout "pass:$PASSWORD" \
    -out "$name.p12"
done
for name in jane second expired future; do
  openssl x509 -in "$name.pem" -outform DER -out "$name.der"
done
openssl pkey -in jane.key -pubout -out jane.pub.pem
printf 'Bytes the harness signs with each digest.\n' >data.bin
