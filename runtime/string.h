#pragma once
// The stub's counted 8-bit string: the standard string over our own heap, so
// that an allocation failure ends the process with run-time error 203 and no
// part of the C++ library's own allocator is linked in.
#include <cstddef>
#include <string>

#include "runtime/heap.h"

template <class T>
struct HeapAllocator {
    using value_type = T;
    HeapAllocator() noexcept = default;
    template <class U>
    HeapAllocator(const HeapAllocator<U>&) noexcept {}
    T* allocate(std::size_t n) { return static_cast<T*>(GetMem(n * sizeof(T))); }
    void deallocate(T* p, std::size_t) noexcept { FreeMem(p); }
    template <class U>
    bool operator==(const HeapAllocator<U>&) const noexcept { return true; }
    template <class U>
    bool operator!=(const HeapAllocator<U>&) const noexcept { return false; }
};

using String = std::basic_string<char, std::char_traits<char>, HeapAllocator<char>>;
