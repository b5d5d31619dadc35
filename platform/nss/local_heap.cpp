// The local heap on the C heap: what LocalAlloc hands out, LocalFree takes back.
#include <cstdlib>

#include "platform/nss/last_error.h"

extern "C" HLOCAL WINAPI LocalAlloc(UINT, SIZE_T uBytes) {
  // A zero-byte block is still a distinct block, as on Windows.
  HLOCAL block = std::malloc(uBytes == 0 ? 1 : uBytes);
  if (block == nullptr) {
    varomel::nss::setLastError(varomel::nss::error_code::kOutOfMemory);
  }
  return block;
}

extern "C" HLOCAL WINAPI LocalFree(HLOCAL hMem) {
  std::free(hMem);
  return nullptr;
}
