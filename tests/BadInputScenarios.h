#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

// What hosts and upstream plug-ins can feed the audio path, run the same way
// through the processor in-process and through the built bundle: a tone, a
// burst of samples that are not finite numbers (or near the float maximum)
// in one channel of one block, then silence.
namespace testing_support
{
    struct BadSample
    {
        const char* name;
        float value;
    };

    inline const BadSample badSamples[] {
        { "NaN", std::numeric_limits<float>::quiet_NaN() },
        { "+inf", std::numeric_limits<float>::infinity() },
        { "-inf", -std::numeric_limits<float>::infinity() },
        { "+3.4e38", 3.4e38f },
        { "-3.4e38", -3.4e38f },
    };

    // Plain parameter values to run the scenarios with, by id.
    struct Setting
    {
        const char* name;
        std::vector<std::pair<const char*, float>> values;
    };

    inline const Setting settings[] {
        { "defaults", {} },
        { "driven", { { "mode", 2.0f }, { "tight", 12.0f }, { "bite", 12.0f }, { "fizz", 12.0f }, { "air", 12.0f },
                      { "room", 100.0f }, { "mix", 100.0f }, { "output", 12.0f } } },
        // The dry share at +12 dB overflows near the float maximum.
        { "dry and loud", { { "mix", 0.0f }, { "output", 12.0f } } },
        { "power off", { { "power", 0.0f }, { "mix", 0.0f }, { "output", 12.0f } } },
    };

    struct ToneThenSilence
    {
        double toneSeconds = 1.0;
        float burstValue = 0.0f;   // into channel 0 of the last tone block,
        int burstLength = 0;       // across the middle of the block; 0: none
        double silenceSeconds = 3.0;
    };

    struct OutputFigures
    {
        bool allFinite = true;
        float peak = 0.0f;        // the largest magnitude of the whole run
        float tailPeak = 0.0f;    // the largest magnitude of the last half second
    };

    // A low note and a partial at 0.4 of the rate, on every channel.
    inline float toneSample (double rate, juce::int64 index)
    {
        const auto t = (double) index / rate;
        return (float) (0.5 * std::sin (juce::MathConstants<double>::twoPi * 110.0 * t)
                        + 0.3 * std::sin (juce::MathConstants<double>::twoPi * 0.4 * rate * t));
    }

    // Feeds the scenario in blocks of blockSize through a processor that is
    // prepared for the rate and block size, and measures what comes out.
    inline OutputFigures run (juce::AudioProcessor& processor, double rate, int blockSize, const ToneThenSilence& s)
    {
        const auto channels = juce::jmax (processor.getTotalNumInputChannels(), processor.getTotalNumOutputChannels());
        const auto toneBlocks = juce::jmax (1, (int) std::ceil (s.toneSeconds * rate / blockSize));
        const auto silentBlocks = (int) std::ceil (s.silenceSeconds * rate / blockSize);
        const auto tailStart = (juce::int64) (toneBlocks + silentBlocks) * blockSize - (juce::int64) (0.5 * rate);

        juce::AudioBuffer<float> buffer (channels, blockSize);
        juce::MidiBuffer midi;
        OutputFigures figures;
        juce::int64 position = 0;

        for (int block = 0; block < toneBlocks + silentBlocks; ++block)
        {
            buffer.clear();

            if (block < toneBlocks)
            {
                for (int c = 0; c < channels; ++c)
                    for (int i = 0; i < blockSize; ++i)
                        buffer.setSample (c, i, toneSample (rate, position + i));

                if (block == toneBlocks - 1)
                    for (int i = 0; i < s.burstLength; ++i)
                        buffer.setSample (0, (blockSize - s.burstLength) / 2 + i, s.burstValue);
            }

            processor.processBlock (buffer, midi);

            for (int c = 0; c < channels; ++c)
                for (int i = 0; i < blockSize; ++i)
                {
                    const auto y = buffer.getSample (c, i);
                    figures.allFinite = figures.allFinite && std::isfinite (y);
                    figures.peak = juce::jmax (figures.peak, std::abs (y));

                    if (position + i >= tailStart)
                        figures.tailPeak = juce::jmax (figures.tailPeak, std::abs (y));
                }

            position += blockSize;
        }

        return figures;
    }
}
