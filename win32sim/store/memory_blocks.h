// Memory for the registry's large blocks. A block of whole huge pages is
// mapped on its own, aligned to them, and asked to be backed by them: filling
// it then costs one page fault per 2 MB instead of one per 4 KB.
#pragma once

#include <cstddef>
#include <memory>

namespace win32sim {

constexpr size_t HugePageSize = size_t(1) << 21;

struct BlockRelease {
    size_t mapped = 0;     // 0 for a block that came from new
    size_t alignment = 0;  // of a block from new asked to start on a boundary
    void operator()(char* block) const;
};
using MemoryBlock = std::unique_ptr<char[], BlockRelease>;

// size bytes: a multiple of HugePageSize is mapped on huge pages where the
// system has them, anything smaller comes from new. Either starts on a
// multiple of alignment, a power of two no larger than a huge page.
MemoryBlock AllocateBlock(size_t size, size_t alignment = 1);

}  // namespace win32sim
