#include "jni/memory.h"

#include <cstddef>

#include "platform/windows_api.h"

namespace varomel {

void* allocateBlock(std::uint64_t count, std::uint64_t elementSize) {
  if (elementSize != 0 && count > SIZE_MAX / elementSize) {
    return nullptr;
  }
  return LocalAlloc(LMEM_FIXED, static_cast<SIZE_T>(count * elementSize));
}

void freeBlock(void* block) { LocalFree(block); }

}  // namespace varomel
