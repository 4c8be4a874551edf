#include <gtest/gtest.h>

#include "processor/EmberLashAudioProcessor.h"
#include "tests/ProcessorTestUtils.h"

#include <atomic>
#include <cmath>
#include <cstdint>
#include <vector>

using testing_support::setPlain;

// The meters as the editor reads them fall once the host stops processing,
// as if silent blocks of the last size went on arriving; while blocks arrive
// they are exactly the published levels. Time is the tests' own clock.
namespace
{
    std::atomic<std::int64_t> now { 0 };
    std::int64_t testClock() noexcept { return now.load(); }

    constexpr double rate = 48000.0;

    std::int64_t nanoseconds (double seconds) { return std::llround (seconds * 1.0e9); }

    // A processor on the test clock. Dry mix, so that silence in gives
    // silence out (the reverb's tail would hold the output meter up), and
    // +12 dB out, so that a tone at half scale clips.
    struct MeteredProcessor
    {
        explicit MeteredProcessor (int blockSize)
            : buffer (2, blockSize)
        {
            processor.blockArrivals.setClock (testClock);
            setPlain (processor, "mix", 0.0f);
            setPlain (processor, "output", 12.0f);
            processor.prepareToPlay (rate, blockSize);
        }

        // One block of a 1 kHz tone at half scale, or of silence.
        void process (bool tone, int numSamples = -1)
        {
            const auto n = numSamples < 0 ? buffer.getNumSamples() : numSamples;
            juce::AudioBuffer<float> block (buffer.getArrayOfWritePointers(), 2, n);

            for (int i = 0; i < n; ++i, ++sample)
            {
                const auto value = tone ? (float) (0.5 * std::sin (juce::MathConstants<double>::twoPi * 1000.0
                                                                   * (double) sample / rate))
                                        : 0.0f;
                block.setSample (0, i, value);
                block.setSample (1, i, value);
            }

            juce::MidiBuffer midi;
            processor.processBlock (block, midi);
        }

        // The five levels as published after the last block.
        std::vector<float> published() const
        {
            return { processor.getInputLevel (0), processor.getInputLevel (1), processor.getOutputLevel (0),
                     processor.getOutputLevel (1), processor.getClipLevel() };
        }

        // The five levels as the editor reads them now.
        std::vector<float> read() const
        {
            const auto meters = processor.readMeters();
            return { meters.input[0], meters.input[1], meters.output[0], meters.output[1], meters.clip };
        }

        EmberLashAudioProcessor processor;
        juce::AudioBuffer<float> buffer;
        long long sample = 0;
    };

    testing::AssertionResult sameLevels (const std::vector<float>& a, const std::vector<float>& b, float tolerance = 0.0f)
    {
        for (size_t i = 0; i < a.size(); ++i)
            if (! (std::abs (a[i] - b[i]) <= tolerance * std::abs (b[i])))
                return testing::AssertionFailure() << "level " << i << ": " << a[i] << " against " << b[i];

        return testing::AssertionSuccess();
    }
}

TEST (MetersFall, AStoppedHostReadsAsTheSameInstanceFedThatMuchSilence)
{
    for (const auto blockSize : { 64, 512, 2048 })
    {
        SCOPED_TRACE (testing::Message() << blockSize << "-sample blocks");
        const auto blockLength = nanoseconds (blockSize / rate);

        // Two instances take the same tone at the pace of real time; one then
        // gets no more blocks, the other silent ones.
        now = 0;
        MeteredProcessor stopped (blockSize), fed (blockSize);

        for (int block = 0; block < (int) (0.3 * rate) / blockSize + 4; ++block)
        {
            now += blockLength;
            stopped.process (true);
            fed.process (true);

            // While blocks arrive, up to the moment the next one is due.
            ASSERT_TRUE (sameLevels (stopped.read(), stopped.published()));
            now += blockLength;
            ASSERT_TRUE (sameLevels (stopped.read(), stopped.published()));
            now -= blockLength;
        }

        ASSERT_GT (stopped.published()[4], 0.0f) << "the tone does not clip";
        const auto stop = now.load();
        int silentBlocks = 0;

        // Half a block past each count, clear of the moment the count changes.
        for (const auto blocks : { 0, 1, 2, 3, 7, 20, 60, 200 })
        {
            SCOPED_TRACE (testing::Message() << blocks << " blocks of waiting");
            now = stop + blocks * blockLength + blockLength / 2;

            for (; silentBlocks < blocks; ++silentBlocks)
                fed.process (false);

            EXPECT_TRUE (sameLevels (stopped.read(), fed.published(), 1.0e-4f));
        }

        // The stopped instance's own levels stay as they were published.
        EXPECT_GT (stopped.published()[0], 0.8f);

        if (blockSize == 512)
        {
            now = stop + nanoseconds (0.5);

            for (const auto level : stopped.read())
                EXPECT_LT (level, 1.0f / 12.0f - 0.06f) << "lights a segment half a second after the stop";
        }
    }
}

// A host's blocks come late, split, in bursts or with empty blocks between
// them; none of that is a stop.
TEST (MetersFall, UnevenlyArrivingBlocksReadExactlyAsPublished)
{
    const auto length = [] (int samples) { return nanoseconds (samples / rate); };

    const struct Pattern
    {
        const char* name;
        int blockSize;
        // Blocks of one host period: the samples of each, all processed at the period's start.
        std::vector<int> period;
        std::vector<std::int64_t> periodLengths;   // the periods take turns
    } patterns[] {
        { "late blocks", 512, { 512 }, { length (100), length (924), length (512), length (40), length (984) } },
        { "split periods", 1024, { 960, 64 }, { length (1024) } },
        { "bursts", 512, { 512, 512, 512, 512 }, { length (2048) } },
        { "empty blocks between", 256, { 256, 0, 256, 0 }, { length (512) } },
    };

    for (const auto& pattern : patterns)
    {
        SCOPED_TRACE (pattern.name);
        now = 0;
        MeteredProcessor processor (pattern.blockSize);

        for (int period = 0; period < 300; ++period)
        {
            for (const auto samples : pattern.period)
                processor.process (period % 40 < 20, samples);

            // Up to the moment the next period starts, once the host's pace is known.
            const auto next = now + pattern.periodLengths[(size_t) period % pattern.periodLengths.size()];

            if (period >= 10)
            {
                ASSERT_TRUE (sameLevels (processor.read(), processor.published())) << "period " << period;
                now = next;
                ASSERT_TRUE (sameLevels (processor.read(), processor.published())) << "period " << period;
            }

            now = next;
        }

        // Stopped for longer than its pace allows, it falls.
        now += nanoseconds (0.2);
        EXPECT_LT (processor.read()[0], processor.published()[0]);
    }
}
