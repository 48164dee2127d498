#include "cross/huge_pages.h"

#include <sys/mman.h>
#include <cstdint>

namespace tessaly {

void advise_huge_pages(const void* data, std::size_t bytes) {
    constexpr std::uintptr_t huge = 2u << 20;
    const auto begin = (reinterpret_cast<std::uintptr_t>(data) + huge - 1) & ~(huge - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(huge - 1);
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

}  // namespace tessaly
