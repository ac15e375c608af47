// Replaces the global allocation functions of a test program with ones that return addresses that
// are 8 mod 16 (see misaligned_new.h).
#include "tests/support/misaligned_new.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>
#ifdef _WIN32
#include <malloc.h> // _aligned_malloc
#endif

namespace tessellune::testing {

namespace {

// An address that is 8 mod 16: 8-byte aligned, as malloc on 32-bit Windows guarantees, and
// misaligned for any record that needs 16.
constexpr std::uintptr_t GUARANTEED = 8;
constexpr std::uintptr_t MISALIGNED_FOR = 16;
// Room for the malloc result just below the address handed out, and for rounding to 8 mod 16.
constexpr std::size_t WORST_CASE_OVERHEAD = GUARANTEED + MISALIGNED_FOR;

std::atomic<long> g_allocations{0};
std::atomic<std::size_t> g_bytes{0};
std::atomic<std::size_t> g_refuseFrom{0};
std::atomic<std::size_t> g_refuseNothrowBelow{0};

bool refused(std::size_t size) {
    const std::size_t from = g_refuseFrom.load(std::memory_order_relaxed);
    return from != 0 && size >= from;
}

void*& storedBase(void* handedOut) {
    return *(static_cast<void**>(handedOut) - 1);
}

void* handOut(void* base) {
    const auto address = reinterpret_cast<std::uintptr_t>(base);
    const std::uintptr_t rounded = (address + MISALIGNED_FOR - 1) & ~(MISALIGNED_FOR - 1);
    void* handed = reinterpret_cast<void*>(rounded + GUARANTEED);
    storedBase(handed) = base;
    return handed;
}

void* allocateMisaligned(std::size_t size) noexcept {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    g_bytes.fetch_add(size, std::memory_order_relaxed);
    if (size > SIZE_MAX - WORST_CASE_OVERHEAD || refused(size)) {
        return nullptr;
    }
    // Where malloc gives 16 (glibc, the sanitizers), 8 bytes in front suffice and the block ends
    // exactly where malloc's does, so overrun checks stay exact.
    void* base = std::malloc(size + GUARANTEED);
    if (base != nullptr && reinterpret_cast<std::uintptr_t>(base) % MISALIGNED_FOR == 0) {
        return handOut(base);
    }
    std::free(base);
    base = std::malloc(size + WORST_CASE_OVERHEAD);
    return base == nullptr ? nullptr : handOut(base);
}

void* orThrow(void* memory) {
    if (memory == nullptr) {
        throw std::bad_alloc();
    }
    return memory;
}

void release(void* memory) noexcept {
    if (memory != nullptr) {
        std::free(storedBase(memory));
    }
}

// The aligned forms give what they are asked for; they are replaced only so that they are counted.
void* allocateAligned(std::size_t size, std::align_val_t alignment) noexcept {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    g_bytes.fetch_add(size, std::memory_order_relaxed);
    if (refused(size)) {
        return nullptr;
    }
    const auto align = static_cast<std::size_t>(alignment);
    const std::size_t bytes = size == 0 ? 1 : size;
#ifdef _WIN32
    return _aligned_malloc(bytes, align);
#else
    void* memory = nullptr;
    return posix_memalign(&memory, align < sizeof(void*) ? sizeof(void*) : align, bytes) == 0 ? memory
                                                                                              : nullptr;
#endif
}

void releaseAligned(void* memory) noexcept {
#ifdef _WIN32
    _aligned_free(memory);
#else
    std::free(memory);
#endif
}

} // namespace

void refuseNothrowAllocationsBelow(std::size_t bytes) {
    g_refuseNothrowBelow.store(bytes, std::memory_order_relaxed);
}

void refuseAllocationsFrom(std::size_t bytes) {
    g_refuseFrom.store(bytes, std::memory_order_relaxed);
}

void* allocateNothrow(std::size_t size) noexcept {
    if (size < g_refuseNothrowBelow.load(std::memory_order_relaxed)) {
        return nullptr;
    }
    return allocateMisaligned(size);
}

AllocationCount allocationCount() {
    return {g_allocations.load(std::memory_order_relaxed), g_bytes.load(std::memory_order_relaxed)};
}

} // namespace tessellune::testing

using namespace tessellune::testing;

// The pairing of these with free() through the stored base is invisible to GCC, which warns.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size) {
    return orThrow(allocateMisaligned(size));
}
void* operator new[](std::size_t size) {
    return orThrow(allocateMisaligned(size));
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return allocateNothrow(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return allocateNothrow(size);
}
void operator delete(void* memory) noexcept {
    release(memory);
}
void operator delete[](void* memory) noexcept {
    release(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    release(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    release(memory);
}
void operator delete(void* memory, const std::nothrow_t&) noexcept {
    release(memory);
}
void operator delete[](void* memory, const std::nothrow_t&) noexcept {
    release(memory);
}

void* operator new(std::size_t size, std::align_val_t alignment) {
    return orThrow(allocateAligned(size, alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return orThrow(allocateAligned(size, alignment));
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return allocateAligned(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return allocateAligned(size, alignment);
}
void operator delete(void* memory, std::align_val_t) noexcept {
    releaseAligned(memory);
}
void operator delete[](void* memory, std::align_val_t) noexcept {
    releaseAligned(memory);
}
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept {
    releaseAligned(memory);
}
void operator delete[](void* memory, std::size_t, std::align_val_t) noexcept {
    releaseAligned(memory);
}
void operator delete(void* memory, std::align_val_t, const std::nothrow_t&) noexcept {
    releaseAligned(memory);
}
void operator delete[](void* memory, std::align_val_t, const std::nothrow_t&) noexcept {
    releaseAligned(memory);
}
