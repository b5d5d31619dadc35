// CertNameToStrW over arbitrary DER names: the size query, then the fill into a buffer of every
// size from 0 to one past the size needed, each buffer exactly as large as it claims to be.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/windows_api.h"

namespace {

DWORD nameText(const uint8_t* data, size_t size, LPWSTR buffer, DWORD units) {
  std::vector<BYTE> der(data, data + size);
  CERT_NAME_BLOB name{static_cast<DWORD>(der.size()), der.empty() ? nullptr : der.data()};
  return CertNameToStrW(X509_ASN_ENCODING, &name, CERT_X500_NAME_STR, buffer, units);
}

void checkFill(const uint8_t* data, size_t size, const std::vector<WCHAR>& full, DWORD units) {
  std::vector<WCHAR> buffer(units);
  const DWORD written = nameText(data, size, units == 0 ? nullptr : buffer.data(), units);
  if (units == 0) {
    if (written != full.size()) {
      std::abort();
    }
    return;
  }
  const DWORD expected = units < full.size() ? units : static_cast<DWORD>(full.size());
  if (written != expected || buffer[written - 1] != 0 ||
      std::memcmp(buffer.data(), full.data(), (written - 1) * sizeof(WCHAR)) != 0) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const DWORD needed = nameText(data, size, nullptr, 0);
  if (needed == 0) {
    std::abort();
  }
  std::vector<WCHAR> full(needed);
  if (nameText(data, size, full.data(), needed) != needed || full[needed - 1] != 0) {
    std::abort();
  }
  for (DWORD units = 0; units <= needed + 1; ++units) {
    checkFill(data, size, full, units);
  }
  return 0;
}
