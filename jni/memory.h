// Heap blocks of the library. They come from the platform's local heap, which never throws, and
// their sizes are computed in 64 bits so that a huge count fails cleanly on 32-bit builds.
#pragma once

#include <cstdint>

namespace varomel {

// A block for count elements of elementSize bytes, or null when it cannot be had.
void* allocateBlock(std::uint64_t count, std::uint64_t elementSize);
void freeBlock(void* block);

}  // namespace varomel
