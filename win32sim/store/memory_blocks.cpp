#include "memory_blocks.h"

#include <sys/mman.h>

#include <cstdint>
#include <new>

namespace win32sim {

void BlockRelease::operator()(char* block) const
{
    if (mapped != 0)
        munmap(block, mapped);
    else if (alignment != 0)
        ::operator delete[](block, std::align_val_t(alignment));
    else
        delete[] block;
}

MemoryBlock AllocateBlock(size_t size, size_t alignment)
{
    if (size == 0 || size % HugePageSize != 0) {
        if (alignment <= __STDCPP_DEFAULT_NEW_ALIGNMENT__)
            return MemoryBlock(new char[size], BlockRelease{});
        return MemoryBlock(static_cast<char*>(::operator new[](size, std::align_val_t(alignment))),
                           BlockRelease{0, alignment});
    }
    // One huge page more than asked, then trimmed to start on a huge page's boundary.
    void* mapped = mmap(nullptr, size + HugePageSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::bad_alloc();
    const auto start = reinterpret_cast<uintptr_t>(mapped);
    const uintptr_t aligned = (start + HugePageSize - 1) & ~(HugePageSize - 1);
    if (aligned > start)
        munmap(mapped, aligned - start);
    if (const size_t tail = start + HugePageSize - aligned)
        munmap(reinterpret_cast<void*>(aligned + size), tail);
    char* block = reinterpret_cast<char*>(aligned);
    // Only a hint: where huge pages are refused the block is ordinary memory.
    madvise(block, size, MADV_HUGEPAGE);
    return MemoryBlock(block, BlockRelease{size});
}

}  // namespace win32sim
