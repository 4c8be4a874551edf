#include <gtest/gtest.h>

#include "processor/EmberLashAudioProcessor.h"
#include "tests/AllocationCounter.h"

#include <cstdlib>
#include <functional>
#include <limits>
#include <malloc.h>
#include <mutex>

using testing_support::ScopedAllocationCounter;

namespace
{
    // Keeps the compiler from leaving out an allocation whose result is unused.
    void* volatile sink = nullptr;
}

//==============================================================================
TEST (Allocation, CounterSeesEveryKindOfCallOnThisThread)
{
    struct Probe
    {
        const char* what;
        std::function<void()> call;
        int allocations, frees, locks;   // at least this many
    };

    juce::CriticalSection section;
    std::mutex mutex;

    const Probe probes[] {
        { "operator new[] and delete[]", [] { auto* p = new float[16]; sink = p; delete[] p; }, 1, 1, 0 },
        { "a heap-held juce::String", [] { juce::String text ("not a short string: it needs heap storage");
                                           sink = &text; }, 1, 1, 0 },
        { "malloc through juce::HeapBlock", [] { juce::HeapBlock<float> block (64); sink = block.get(); }, 1, 1, 0 },
        { "calloc through juce::HeapBlock", [] { juce::HeapBlock<float> block (64, true); sink = block.get(); }, 1, 1, 0 },
        { "realloc through juce::HeapBlock", [] { juce::HeapBlock<float> block;
                                                  block.realloc (64); sink = block.get(); }, 1, 1, 0 },
        { "aligned_alloc", [] { auto* p = std::aligned_alloc (64, 256); sink = p; std::free (p); }, 1, 1, 0 },
        { "posix_memalign", [] { void* p = nullptr; if (posix_memalign (&p, 64, 256) == 0) sink = p;
                                 std::free (p); }, 1, 1, 0 },
        { "memalign", [] { auto* p = memalign (64, 256); sink = p; std::free (p); }, 1, 1, 0 },
        { "juce::CriticalSection", [&section] { const juce::ScopedLock lock (section); }, 0, 0, 1 },
        { "juce::CriticalSection::tryEnter", [&section] { if (section.tryEnter()) section.exit(); }, 0, 0, 1 },
        { "std::mutex", [&mutex] { const std::lock_guard<std::mutex> lock (mutex); }, 0, 0, 1 },
    };

    for (const auto& probe : probes)
    {
        const ScopedAllocationCounter counter;
        probe.call();
        const auto seen = counter.calls();

        EXPECT_GE (seen.allocations, probe.allocations) << probe.what;
        EXPECT_GE (seen.frees, probe.frees) << probe.what;
        EXPECT_GE (seen.locks, probe.locks) << probe.what;
    }
}

TEST (Allocation, ProcessBlockNeitherAllocatesNorLocks)
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

        testing_support::HeapAndLockCalls seen;
        {
            const ScopedAllocationCounter counter;
            processor.processBlock (buffer, midi);
            processor.processBlock (buffer, midi);
            seen = counter.calls();
        }

        EXPECT_EQ (seen.allocations, 0);
        EXPECT_EQ (seen.frees, 0);
        EXPECT_EQ (seen.locks, 0);
    }

    // Samples that are not finite numbers take the same road.
    fill();
    buffer.setSample (0, 3, std::numeric_limits<float>::quiet_NaN());
    buffer.setSample (1, 300, std::numeric_limits<float>::infinity());
    buffer.setSample (1, 301, 3.4e38f);

    juce::AudioBuffer<float> empty (2, 0);
    testing_support::HeapAndLockCalls seen;
    {
        const ScopedAllocationCounter counter;
        processor.processBlock (buffer, midi);
        processor.processBlock (empty, midi);
        seen = counter.calls();
    }

    EXPECT_TRUE (seen.none()) << seen.allocations << " allocations, " << seen.frees << " frees, "
                              << seen.locks << " locks";
}
