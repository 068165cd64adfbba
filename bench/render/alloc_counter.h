#pragma once
// Counts heap allocations of the whole process (ours, the C++ runtime's and
// OpenGL's alike) by standing in for the C library's allocator.

#include <cstdint>

std::uint64_t AllocationCount();
// Those of them called for directly by the program's own code (its
// executable, not a shared library such as OpenGL's), C++ new included.
std::uint64_t OwnAllocationCount();
