#pragma once

// Counts the heap and mutex calls that one thread makes while a
// ScopedAllocationCounter lives on it: operator new and delete, the malloc
// family (malloc, calloc, realloc, free, aligned_alloc, posix_memalign,
// memalign) and pthread_mutex_lock / trylock. The malloc family and the mutex
// calls reach the counter through link-time wraps, so a program that uses it
// links it with emberlash_count_allocations (cmake/Emberlash.cmake); the
// framework's code is compiled into the program and is wrapped with it.
namespace testing_support
{
    struct HeapAndLockCalls
    {
        int allocations = 0, frees = 0, locks = 0;

        bool none() const { return allocations == 0 && frees == 0 && locks == 0; }
    };

    class ScopedAllocationCounter
    {
    public:
        ScopedAllocationCounter();
        ~ScopedAllocationCounter();

        // The calls of this thread since the counter was made.
        HeapAndLockCalls calls() const;

        ScopedAllocationCounter (const ScopedAllocationCounter&) = delete;
        ScopedAllocationCounter& operator= (const ScopedAllocationCounter&) = delete;
    };
}
