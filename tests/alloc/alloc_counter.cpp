// Replacement allocation functions of the allocation-counting test binary.
//
// operator new and delete are replaced in the usual way. malloc is caught as
// well, so that a C-level allocation cannot slip by: natively the executable
// defines malloc, calloc and realloc itself (the dynamic linker binds every
// library's calls to them) and forwards to glibc's __libc_ entry points; on
// Windows the linker rewrites every reference to them to the __wrap_
// functions below (-Wl,--wrap=...), which forward to the __real_ ones.
#include "alloc_counter.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};

void note() {
    if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1, std::memory_order_relaxed);
}
}  // namespace

void startCountingAllocations() {
    allocations.store(0);
    counting.store(true);
}

long stopCountingAllocations() {
    counting.store(false);
    return allocations.load();
}

#if defined(_WIN32)
extern "C" {
void* __real_malloc(size_t size);
void* __real_calloc(size_t count, size_t size);
void* __real_realloc(void* p, size_t size);
void* __wrap_malloc(size_t size) {
    note();
    return __real_malloc(size);
}
void* __wrap_calloc(size_t count, size_t size) {
    note();
    return __real_calloc(count, size);
}
void* __wrap_realloc(void* p, size_t size) {
    note();
    return __real_realloc(p, size);
}
}
#else
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* p, size_t size);
void* malloc(size_t size) {
    note();
    return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) {
    note();
    return __libc_calloc(count, size);
}
void* realloc(void* p, size_t size) {
    note();
    return __libc_realloc(p, size);
}
}
#endif

// ---- operator new / delete ------------------------------------------------

namespace {
void* allocate(size_t size) {
    note();
    // Through malloc's forwarding target, so one new counts once.
#if defined(_WIN32)
    void* p = __real_malloc(size == 0 ? 1 : size);
#else
    void* p = __libc_malloc(size == 0 ? 1 : size);
#endif
    if (p == nullptr) throw std::bad_alloc();
    return p;
}

void* allocateAligned(size_t size, std::align_val_t alignment) {
    note();
    const size_t align = static_cast<size_t>(alignment);
    // Room for the alignment and for the original pointer just below the block.
    const size_t total = (size == 0 ? 1 : size) + align + sizeof(void*);
#if defined(_WIN32)
    void* raw = __real_malloc(total);
#else
    void* raw = __libc_malloc(total);
#endif
    if (raw == nullptr) throw std::bad_alloc();
    const size_t start = reinterpret_cast<size_t>(raw) + sizeof(void*);
    const size_t aligned = (start + align - 1) & ~(align - 1);
    reinterpret_cast<void**>(aligned)[-1] = raw;
    return reinterpret_cast<void*>(aligned);
}

void releaseAligned(void* p) {
    if (p != nullptr) std::free(reinterpret_cast<void**>(p)[-1]);
}
}  // namespace

void* operator new(size_t size) { return allocate(size); }
void* operator new[](size_t size) { return allocate(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new(size_t size, std::align_val_t a) { return allocateAligned(size, a); }
void* operator new[](size_t size, std::align_val_t a) { return allocateAligned(size, a); }

void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { releaseAligned(p); }
void operator delete[](void* p, std::align_val_t) noexcept { releaseAligned(p); }
void operator delete(void* p, size_t, std::align_val_t) noexcept { releaseAligned(p); }
void operator delete[](void* p, size_t, std::align_val_t) noexcept { releaseAligned(p); }
