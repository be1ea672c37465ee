// Counts heap allocations made by the calling thread between begin and end.
// Linking alloc_count.cpp into a program replaces malloc, calloc, realloc and the
// aligned allocators for the whole process (the shared libraries' calls too) with
// counting forwarders to the C library's own allocator. Under AddressSanitizer,
// which owns the allocator, counting is unavailable.
//
//   alloc_count_available()  false when the counting allocator is not in place.
//   alloc_count_begin()      zeroes this thread's count and starts counting.
//   alloc_count_end()        stops counting and returns the allocations since begin
//                            (every malloc, calloc, realloc and aligned allocation).
#pragma once
#include <cstdint>

bool alloc_count_available();
void alloc_count_begin();
uint64_t alloc_count_end();
