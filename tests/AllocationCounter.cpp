#include "tests/AllocationCounter.h"

#include <cstddef>
#include <new>
#include <pthread.h>

// Per thread, so that other threads (the message thread, a sanitizer's own)
// never show up in the counts. Plain values with constant initialisation:
// reading them allocates nothing.
namespace
{
    thread_local bool counting = false;
    thread_local testing_support::HeapAndLockCalls counted;

    void countAllocation() noexcept { if (counting) ++counted.allocations; }
    void countFree (const void* p) noexcept { if (counting && p != nullptr) ++counted.frees; }
    void countLock() noexcept { if (counting) ++counted.locks; }
}

namespace testing_support
{
    ScopedAllocationCounter::ScopedAllocationCounter()
    {
        counted = {};
        counting = true;
    }

    ScopedAllocationCounter::~ScopedAllocationCounter() { counting = false; }

    HeapAndLockCalls ScopedAllocationCounter::calls() const { return counted; }
}

//==============================================================================
// The wraps: the linker sends every call of the program's own objects to
// __wrap_<name> and __real_<name> to the C library's function.
extern "C"
{
    void* __real_malloc (std::size_t);
    void* __real_calloc (std::size_t, std::size_t);
    void* __real_realloc (void*, std::size_t);
    void __real_free (void*);
    void* __real_aligned_alloc (std::size_t, std::size_t);
    int __real_posix_memalign (void**, std::size_t, std::size_t);
    void* __real_memalign (std::size_t, std::size_t);
    int __real_pthread_mutex_lock (pthread_mutex_t*);
    int __real_pthread_mutex_trylock (pthread_mutex_t*);

    void* __wrap_malloc (std::size_t);
    void* __wrap_calloc (std::size_t, std::size_t);
    void* __wrap_realloc (void*, std::size_t);
    void __wrap_free (void*);
    void* __wrap_aligned_alloc (std::size_t, std::size_t);
    int __wrap_posix_memalign (void**, std::size_t, std::size_t);
    void* __wrap_memalign (std::size_t, std::size_t);
    int __wrap_pthread_mutex_lock (pthread_mutex_t*);
    int __wrap_pthread_mutex_trylock (pthread_mutex_t*);

    void* __wrap_malloc (std::size_t size) { countAllocation(); return __real_malloc (size); }
    void* __wrap_calloc (std::size_t n, std::size_t size) { countAllocation(); return __real_calloc (n, size); }
    void* __wrap_realloc (void* p, std::size_t size) { countAllocation(); return __real_realloc (p, size); }
    void __wrap_free (void* p) { countFree (p); __real_free (p); }
    void* __wrap_aligned_alloc (std::size_t a, std::size_t size) { countAllocation(); return __real_aligned_alloc (a, size); }
    int __wrap_posix_memalign (void** p, std::size_t a, std::size_t size) { countAllocation(); return __real_posix_memalign (p, a, size); }
    void* __wrap_memalign (std::size_t a, std::size_t size) { countAllocation(); return __real_memalign (a, size); }
    int __wrap_pthread_mutex_lock (pthread_mutex_t* m) { countLock(); return __real_pthread_mutex_lock (m); }
    int __wrap_pthread_mutex_trylock (pthread_mutex_t* m) { countLock(); return __real_pthread_mutex_trylock (m); }
}

//==============================================================================
// The global allocation functions, also those that the C++ library calls from
// inside itself, where no wrap reaches: counted here, served by the real
// malloc and free.
namespace
{
    void* allocate (std::size_t size) noexcept
    {
        countAllocation();
        return __real_malloc (size == 0 ? 1 : size);
    }

    void* allocateAligned (std::size_t size, std::align_val_t alignment) noexcept
    {
        countAllocation();
        const auto align = (std::size_t) alignment < sizeof (void*) ? sizeof (void*) : (std::size_t) alignment;
        void* result = nullptr;
        return __real_posix_memalign (&result, align, size == 0 ? 1 : size) == 0 ? result : nullptr;
    }

    void release (void* p) noexcept
    {
        countFree (p);
        __real_free (p);
    }

    void* allocateOrThrow (std::size_t size)
    {
        if (auto* p = allocate (size))
            return p;
        throw std::bad_alloc();
    }

    void* allocateAlignedOrThrow (std::size_t size, std::align_val_t alignment)
    {
        if (auto* p = allocateAligned (size, alignment))
            return p;
        throw std::bad_alloc();
    }
}

void* operator new (std::size_t size) { return allocateOrThrow (size); }
void* operator new[] (std::size_t size) { return allocateOrThrow (size); }
void* operator new (std::size_t size, const std::nothrow_t&) noexcept { return allocate (size); }
void* operator new[] (std::size_t size, const std::nothrow_t&) noexcept { return allocate (size); }
void* operator new (std::size_t size, std::align_val_t a) { return allocateAlignedOrThrow (size, a); }
void* operator new[] (std::size_t size, std::align_val_t a) { return allocateAlignedOrThrow (size, a); }
void* operator new (std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept { return allocateAligned (size, a); }
void* operator new[] (std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept { return allocateAligned (size, a); }

// The sized forms are declared by <new> only when the compiler offers sized
// deallocation.
#ifndef __cpp_sized_deallocation
void operator delete (void*, std::size_t) noexcept;
void operator delete[] (void*, std::size_t) noexcept;
void operator delete (void*, std::size_t, std::align_val_t) noexcept;
void operator delete[] (void*, std::size_t, std::align_val_t) noexcept;
#endif

void operator delete (void* p) noexcept { release (p); }
void operator delete[] (void* p) noexcept { release (p); }
void operator delete (void* p, std::size_t) noexcept { release (p); }
void operator delete[] (void* p, std::size_t) noexcept { release (p); }
void operator delete (void* p, const std::nothrow_t&) noexcept { release (p); }
void operator delete[] (void* p, const std::nothrow_t&) noexcept { release (p); }
void operator delete (void* p, std::align_val_t) noexcept { release (p); }
void operator delete[] (void* p, std::align_val_t) noexcept { release (p); }
void operator delete (void* p, std::size_t, std::align_val_t) noexcept { release (p); }
void operator delete[] (void* p, std::size_t, std::align_val_t) noexcept { release (p); }
void operator delete (void* p, std::align_val_t, const std::nothrow_t&) noexcept { release (p); }
void operator delete[] (void* p, std::align_val_t, const std::nothrow_t&) noexcept { release (p); }
