#include "processor/BlockArrivals.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace
{
    constexpr int gapWindowBlocks = 64;
    constexpr std::int64_t longestCountedPause = 100'000'000;   // ns
}

std::int64_t BlockArrivals::steadyClock() noexcept
{
    return std::chrono::duration_cast<std::chrono::nanoseconds> (std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void BlockArrivals::setClock (Clock newClock) noexcept
{
    clock = newClock != nullptr ? newClock : steadyClock;
}

void BlockArrivals::blockFinished (int numSamples, double sampleRate) noexcept
{
    if (numSamples <= 0 || ! (sampleRate > 0.0))
        return;

    const auto now = clock.load()();

    // At least a nanosecond, and no more than a day, whatever rate a host gives.
    const auto length = (std::int64_t) std::llround (std::clamp ((double) numSamples * 1.0e9 / sampleRate, 1.0, 8.64e13));

    // A gap longer than this is a pause of the host, not its pace.
    if (previousFinish != never)
        longestGapThisWindow = std::max (longestGapThisWindow,
                                          std::clamp (now - previousFinish, std::int64_t (0),
                                                      std::max (2 * length, longestCountedPause)));

    previousFinish = now;

    if (++blocksThisWindow == gapWindowBlocks)
    {
        longestGapLastWindow = longestGapThisWindow;
        longestGapThisWindow = 0;
        blocksThisWindow = 0;
    }

    // The block's levels were published before this, so a reader that loads
    // the finish time first never pairs it with older levels.
    blockLength = length;
    usualGap = std::max (longestGapThisWindow, longestGapLastWindow);
    lastFinish = now;
}

std::int64_t BlockArrivals::missedBlocks() const noexcept
{
    const auto finish = lastFinish.load();

    if (finish == never)
        return 0;

    const auto length = blockLength.load();
    const auto wait = std::max (length, usualGap.load());
    const auto waited = clock.load()() - finish;

    return waited <= wait ? 0 : (waited - wait) / length + 1;
}
