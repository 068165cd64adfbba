// Linked into a program, these definitions take the place of the C library's
// for every library in the process; preloaded (LD_PRELOAD), they do the same
// for a program that knows nothing of them and report the total at exit.
#include "alloc_counter.h"

#include <atomic>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <new>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
}

namespace {

std::atomic<std::uint64_t> g_allocations{0};
std::atomic<std::uint64_t> g_ownAllocations{0};

}  // namespace

// The executable's code lies between these; a preloaded library sees null.
extern "C" char __executable_start __attribute__((weak));
extern "C" char etext __attribute__((weak));

namespace {

[[gnu::always_inline]] inline void Count(const void* caller)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (&__executable_start != nullptr && caller >= &__executable_start && caller < &etext)
        g_ownAllocations.fetch_add(1, std::memory_order_relaxed);
}

void* NewOrThrow(std::size_t size, const void* caller)
{
    Count(caller);
    if (void* block = __libc_malloc(size == 0 ? 1 : size))
        return block;
    throw std::bad_alloc();
}

struct ExitReport {
    ~ExitReport()
    {
        if (const char* path = std::getenv("KINETTA_ALLOC_REPORT")) {
            if (std::FILE* file = std::fopen(path, "w")) {
                std::fprintf(file, "allocations=%llu\n",
                             static_cast<unsigned long long>(g_allocations.load()));
                std::fclose(file);
            }
        }
    }
} g_exitReport;

}  // namespace

std::uint64_t AllocationCount()
{
    return g_allocations.load(std::memory_order_relaxed);
}

std::uint64_t OwnAllocationCount()
{
    return g_ownAllocations.load(std::memory_order_relaxed);
}

void* operator new(std::size_t size)
{
    return NewOrThrow(size, __builtin_return_address(0));
}

void* operator new[](std::size_t size)
{
    return NewOrThrow(size, __builtin_return_address(0));
}

void operator delete(void* block) noexcept
{
    std::free(block);
}

void operator delete[](void* block) noexcept
{
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept
{
    std::free(block);
}

void operator delete[](void* block, std::size_t) noexcept
{
    std::free(block);
}

extern "C" {

void* malloc(std::size_t size)
{
    Count(__builtin_return_address(0));
    return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size)
{
    Count(__builtin_return_address(0));
    return __libc_calloc(count, size);
}

void* realloc(void* block, std::size_t size)
{
    Count(__builtin_return_address(0));
    return __libc_realloc(block, size);
}

void* memalign(std::size_t alignment, std::size_t size)
{
    Count(__builtin_return_address(0));
    return __libc_memalign(alignment, size);
}

void* aligned_alloc(std::size_t alignment, std::size_t size)
{
    Count(__builtin_return_address(0));
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** result, std::size_t alignment, std::size_t size)
{
    Count(__builtin_return_address(0));
    void* block = __libc_memalign(alignment, size);
    if (block == nullptr)
        return 12;  // ENOMEM
    *result = block;
    return 0;
}

}  // extern "C"
