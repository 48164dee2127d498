#pragma once

#include <cstddef>
#include <vector>

namespace tessaly {

// Asks for huge pages over the 2 MiB-aligned inside of a large block that
// will be filled at once or at random: far fewer page faults and TLB misses
// than touching it 4 KiB at a time. Only advice; nothing changes if refused.
void advise_huge_pages(const void* data, std::size_t bytes);

// v made n copies of value, in fresh memory given the advice first.
template <typename T>
void assign_huge(std::vector<T>& v, std::size_t n, const T& value) {
    std::vector<T>().swap(v);
    v.reserve(n);
    advise_huge_pages(v.data(), n * sizeof(T));
    v.assign(n, value);
}

// c emptied, with room for n elements in fresh memory given the advice
// first: a container that will grow to about n fills it without moving.
template <typename Container>
void reserve_huge(Container& c, std::size_t n) {
    Container().swap(c);
    c.reserve(n);
    advise_huge_pages(c.data(), n * sizeof(typename Container::value_type));
}

}  // namespace tessaly
