#pragma once

#include <atomic>
#include <cstdint>
#include <limits>

//==============================================================================
// When the audio thread last finished a block, how long that block lasted and
// how far apart blocks have lately come. From these any thread can tell how
// many blocks a host that had kept processing would have run since the last
// one: none while blocks keep coming, then one more for every block length of
// waiting. The meters fall by that many silent blocks once the host stops
// calling processBlock.
class BlockArrivals
{
public:
    // A monotonic clock in nanoseconds.
    using Clock = std::int64_t (*)() noexcept;
    static std::int64_t steadyClock() noexcept;

    // Tests drive the clock themselves; set it before any block is processed.
    void setClock (Clock newClock) noexcept;

    // Audio thread, once a block's levels are published: one clock read and a
    // few atomic stores. A block without samples takes no time and is not counted.
    void blockFinished (int numSamples, double sampleRate) noexcept;

    // Any thread. The wait for the next block is its usual gap: the longest of
    // the last 64 to 127 gaps between blocks (each at most the longer of two
    // blocks and 100 ms), and at least one block. A late or split block is
    // thus not taken for a stop; with evenly paced blocks the first silent
    // block counts as soon as a block is overdue.
    std::int64_t missedBlocks() const noexcept;

private:
    static constexpr std::int64_t never = std::numeric_limits<std::int64_t>::min();

    std::atomic<Clock> clock { steadyClock };

    // Published for other threads.
    std::atomic<std::int64_t> lastFinish { never };
    std::atomic<std::int64_t> blockLength { 0 };
    std::atomic<std::int64_t> usualGap { 0 };

    // The audio thread's own.
    std::int64_t previousFinish = never;
    std::int64_t longestGapThisWindow = 0, longestGapLastWindow = 0;
    int blocksThisWindow = 0;
};
