#!/usr/bin/env bash
# Reads the export and import tables of both Windows DLLs and fails on any difference from what
# a JVM and a bare Windows need: exactly the five native methods (decorated on 32-bit), and
# imports from system DLLs only.
#   tests/windows/check_dll_tables.sh build/windows-x86/Varomel.dll build/windows-x64/Varomel.dll
set -euo pipefail

readonly METHODS=(getCertificate getPKCS12 importPKCS12 listDNS signData)
readonly X86_ARGUMENT_BYTES=(12 16 16 8 20)
readonly SYSTEM_DLLS='^(ADVAPI32|CRYPT32|KERNEL32|msvcrt)\.dll$'

exported_names() {
  "$1" -p "$2" | sed -n '/^\[Ordinal\/Name Pointer\] Table$/,/^$/p' |
    sed -n 's/^\t\[ *[0-9]*\] //p'
}

export_address_count() {
  "$1" -p "$2" | sed -n '/^Export Address Table -- /,/^$/p' | grep -c 'Export RVA' || true
}

imported_dlls() {
  "$1" -p "$2" | sed -n 's/^\tDLL Name: //p'
}

expected_names() {
  local i
  for i in "${!METHODS[@]}"; do
    if [[ $1 == x86 ]]; then
      echo "_Java_quorlen_browser_IECertificateInterface_${METHODS[i]}@${X86_ARGUMENT_BYTES[i]}"
    else
      echo "Java_quorlen_browser_IECertificateInterface_${METHODS[i]}"
    fi
  done
}

check_dll() {
  local arch=$1 objdump=$2 dll=$3 failed=0
  echo "-- $dll exports:"
  exported_names "$objdump" "$dll" | sed 's/^/   /'
  if ! diff <(expected_names "$arch") <(exported_names "$objdump" "$dll" | sort); then
    echo "FAIL: $dll exports differ from the five native methods" >&2
    failed=1
  fi
  local addresses
  addresses=$(export_address_count "$objdump" "$dll")
  if [[ $addresses != "${#METHODS[@]}" ]]; then
    echo "FAIL: $dll has $addresses export addresses, not ${#METHODS[@]}" >&2
    failed=1
  fi
  echo "-- $dll imports: $(imported_dlls "$objdump" "$dll" | tr '\n' ' ')"
  local foreign
  foreign=$(imported_dlls "$objdump" "$dll" | grep -Ev "$SYSTEM_DLLS" || true)
  if [[ -n $foreign ]]; then
    echo "FAIL: $dll imports non-system DLLs: $foreign" >&2
    failed=1
  fi
  if ! imported_dlls "$objdump" "$dll" | grep -qx CRYPT32.dll; then
    echo "FAIL: $dll does not import CRYPT32.dll" >&2
    failed=1
  fi
  return "$failed"
}

status=0
check_dll x86 i686-w64-mingw32-objdump "$1" || status=1
check_dll x64 x86_64-w64-mingw32-objdump "$2" || status=1
exit "$status"
