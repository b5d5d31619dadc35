#!/usr/bin/env bash
# Makes an NSS database of COUNT certificates in DIR: COUNT-1 without a key, made by openssl from
# one shared key, and one signer with its RSA-2048 key, imported from SIGNER_P12.
# Usage: make_database.sh DIR COUNT SIGNER_P12 PASSWORD
set -euo pipefail
dir=$1 count=$2 signer=$3 password=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$dir"
certutil -N -d "sql:$dir" --empty-password
openssl genrsa -out "$work/key.pem" 2048 2>/dev/null
for ((i = 1; i < count; i++)); do
  openssl req -x509 -new -key "$work/key.pem" -days 30 -outform DER -out "$work/$i.der" \
    -subj "/C=US/O=Bench Org $i/OU=Unit $((i % 7))/CN=Bench Person $i" -set_serial "$i"
  certutil -A -d "sql:$dir" -n "bench $i" -t ,, -i "$work/$i.der"
done
pk12util -i "$signer" -d "sql:$dir" -W "$password" >/dev/null
