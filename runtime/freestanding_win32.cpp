// What the compiler and the standard library's header-only parts expect from
// a C and C++ runtime that the stub does not link: the memory primitives,
// the library's error reporters and the exit-handler hook. The string type
// reports misuse through the __throw_* routines; with exceptions off there is
// nothing to throw, so a request that no allocation can satisfy ends the
// process like any other: run-time error 203.
#include <cstddef>

#include "runtime/fatal.h"

// The compiler emits calls to these for block copies and clears, so they keep
// their C names. Their own loops are compiled with
// -fno-tree-loop-distribute-patterns (see cmake/win32-stub.cmake), or GCC
// would turn them back into calls to themselves.
extern "C" {

void* memcpy(void* destination, const void* source, std::size_t count) {
    auto* to = static_cast<unsigned char*>(destination);
    const auto* from = static_cast<const unsigned char*>(source);
    while (count-- > 0) *to++ = *from++;
    return destination;
}

void* memmove(void* destination, const void* source, std::size_t count) {
    auto* to = static_cast<unsigned char*>(destination);
    const auto* from = static_cast<const unsigned char*>(source);
    if (to <= from || to >= from + count) return memcpy(destination, source, count);
    // Overlapping with the target behind the source: copy from the end.
    while (count-- > 0) to[count] = from[count];
    return destination;
}

void* memset(void* destination, int value, std::size_t count) {
    auto* to = static_cast<unsigned char*>(destination);
    while (count-- > 0) *to++ = static_cast<unsigned char>(value);
    return destination;
}

int memcmp(const void* left, const void* right, std::size_t count) {
    const auto* a = static_cast<const unsigned char*>(left);
    const auto* b = static_cast<const unsigned char*>(right);
    for (; count > 0; --count, ++a, ++b) {
        if (*a != *b) return *a < *b ? -1 : 1;
    }
    return 0;
}

void* memchr(const void* block, int value, std::size_t count) {
    const auto* at = static_cast<const unsigned char*>(block);
    for (; count > 0; --count, ++at) {
        if (*at == static_cast<unsigned char>(value)) return const_cast<unsigned char*>(at);
    }
    return nullptr;
}

std::size_t strlen(const char* text) {
    std::size_t length = 0;
    while (text[length] != '\0') ++length;
    return length;
}

// Static destructors are registered through atexit (the build uses
// -fno-use-cxa-atexit); they run with the other exit handlers.
int atexit(void (*handler)()) {
    AddExitHandler(handler);
    return 0;
}

void __cxa_pure_virtual() { RunError(211); }

}  // extern "C"

namespace std {

// A string longer than the allocator can provide, or an allocation size that
// overflows: the same outcome as an allocation that fails.
[[noreturn]] void __throw_length_error(const char*) { RunError(203); }
[[noreturn]] void __throw_bad_alloc() { RunError(203); }
[[noreturn]] void __throw_bad_array_new_length() { RunError(203); }
// Misuse of the library by our own code (a null text, a position past the
// end): no error of the user's, so it ends the process as a fault.
[[noreturn]] void __throw_logic_error(const char*) { RunError(201); }
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) { RunError(201); }

}  // namespace std
