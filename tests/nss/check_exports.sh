#!/usr/bin/env bash
# The library's dynamic symbol table defines the five native methods and nothing else.
set -euo pipefail
expected='Java_quorlen_browser_IECertificateInterface_getCertificate
Java_quorlen_browser_IECertificateInterface_getPKCS12
Java_quorlen_browser_IECertificateInterface_importPKCS12
Java_quorlen_browser_IECertificateInterface_listDNS
Java_quorlen_browser_IECertificateInterface_signData'
actual=$(nm -D --defined-only "$1" | awk '{print $3}' | sort)
if [[ $actual != "$expected" ]]; then
  echo "exported symbols differ from the five native methods:" >&2
  diff <(echo "$expected") <(echo "$actual") >&2 || true
  exit 1
fi
