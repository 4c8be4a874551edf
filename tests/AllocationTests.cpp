#include <gtest/gtest.h>

#include "processor/EmberLashAudioProcessor.h"

#include <atomic>
#include <cstdlib>
#include <new>

// Global allocation functions that count every call made on a thread while it
// has counting switched on. Everything else goes straight to malloc and free.
namespace
{
    thread_local bool countingOnThisThread = false;
    std::atomic<int> allocations { 0 };
    std::atomic<int> deallocations { 0 };

    void* allocate (std::size_t size)
    {
        if (countingOnThisThread)
            ++allocations;

        return std::malloc (size == 0 ? 1 : size);
    }

    void* allocateAligned (std::size_t size, std::align_val_t alignment)
    {
        if (countingOnThisThread)
            ++allocations;

        const auto align = juce::jmax ((std::size_t) alignment, sizeof (void*));
        void* result = nullptr;
        return ::posix_memalign (&result, align, size == 0 ? 1 : size) == 0 ? result : nullptr;
    }

    void release (void* pointer) noexcept
    {
        if (pointer == nullptr)
            return;

        if (countingOnThisThread)
            ++deallocations;

        std::free (pointer);
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

    struct ScopedAllocationCounter
    {
        ScopedAllocationCounter()
        {
            allocations = 0;
            deallocations = 0;
            countingOnThisThread = true;
        }

        ~ScopedAllocationCounter() { countingOnThisThread = false; }
    };
}

void* operator new (std::size_t size) { return allocateOrThrow (size); }
void* operator new[] (std::size_t size) { return allocateOrThrow (size); }
void* operator new (std::size_t size, const std::nothrow_t&) noexcept { return allocate (size); }
void* operator new[] (std::size_t size, const std::nothrow_t&) noexcept { return allocate (size); }
void* operator new (std::size_t size, std::align_val_t a) { return allocateAlignedOrThrow (size, a); }
void* operator new[] (std::size_t size, std::align_val_t a) { return allocateAlignedOrThrow (size, a); }
void* operator new (std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept { return allocateAligned (size, a); }
void* operator new[] (std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept { return allocateAligned (size, a); }

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

//==============================================================================
TEST (Allocation, CounterSeesAllocationsOnThisThread)
{
    int seen = 0;
    {
        const ScopedAllocationCounter counter;
        auto text = juce::String ("not a short string: it needs heap storage");
        auto* block = new float[16];
        delete[] block;
        seen = allocations.load();
        juce::ignoreUnused (text);
    }

    EXPECT_GE (seen, 1);
}

TEST (Allocation, ProcessBlockNeitherAllocatesNorFrees)
{
    constexpr int n = 512;
    EmberLashAudioProcessor processor;
    processor.prepareToPlay (48000.0, n);

    juce::AudioBuffer<float> buffer (2, n);
    juce::MidiBuffer midi;
    juce::Random random (5);

    auto fill = [&]
    {
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < n; ++i)
                buffer.setSample (c, i, 0.9f * (random.nextFloat() * 2.0f - 1.0f));
    };

    fill();
    processor.processBlock (buffer, midi);

    // Parameter changes between blocks keep every ramp running; power goes
    // off and back on; the last block has no samples at all.
    struct Change
    {
        const char* id;
        float normalised;
    };

    const Change changes[] {
        { "tight", 0.9f }, { "body", 0.1f }, { "bite", 1.0f }, { "fizz", 0.2f }, { "air", 0.8f },
        { "width", 1.0f }, { "room", 0.9f }, { "mix", 0.4f }, { "output", 1.0f }, { "mode", 1.0f },
        { "power", 0.0f }, { "power", 1.0f }, { "mode", 0.0f }, { "width", 0.0f }, { "fizz", 0.9f },
    };

    for (const auto& change : changes)
    {
        SCOPED_TRACE (change.id);
        processor.valueTreeState.getParameter (change.id)->setValueNotifyingHost (change.normalised);
        fill();

        int allocated = 0, freed = 0;
        {
            const ScopedAllocationCounter counter;
            processor.processBlock (buffer, midi);
            processor.processBlock (buffer, midi);
            allocated = allocations.load();
            freed = deallocations.load();
        }

        EXPECT_EQ (allocated, 0);
        EXPECT_EQ (freed, 0);
    }

    juce::AudioBuffer<float> empty (2, 0);
    int allocated = 0;
    {
        const ScopedAllocationCounter counter;
        processor.processBlock (empty, midi);
        allocated = allocations.load() + deallocations.load();
    }
    EXPECT_EQ (allocated, 0);
}
