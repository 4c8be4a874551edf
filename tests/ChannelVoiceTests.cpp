#include <gtest/gtest.h>

#include "processor/EmberLashAudioProcessor.h"

#include <cmath>
#include <vector>

namespace
{
    //==========================================================================
    // Independent single-precision model of one channel voice, written step by
    // step from the voicing table and the formulas.
    struct Voicing
    {
        float tight, body, bite, fizz, air, drive;
    };

    Voicing voicingOf (int mode)
    {
        if (mode == 0) return { 0.8f, 0.95f, 0.88f, 0.9f, 1.15f, -0.08f };
        if (mode == 2) return { 1.25f, 0.92f, 1.18f, 1.1f, 1.0f, 0.14f };
        return { 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 0.0f };
    }

    float dBgain (float v) { return v > -100.0f ? std::pow (10.0f, 0.05f * v) : 0.0f; }

    float referenceShapeTight (float low, float amount)
    {
        const auto t = std::min (1.0f, std::max (-1.0f, amount / 12.0f));
        const auto tp = std::max (t, 0.0f);
        const auto tn = std::min (t, 0.0f);
        return (std::tanh ((1.0f + 3.6f * tp) * low) - low) * (0.16f + 0.26f * tp)
             + (1.0f - 0.52f * tp) * low + 0.32f * tn * low;
    }

    struct Controls
    {
        float tight, body, bite, fizz, air, room;
        int mode;
    };

    class ReferenceVoice
    {
    public:
        explicit ReferenceVoice (double rate)
        {
            using C = juce::dsp::IIR::Coefficients<float>;
            lowPass.coefficients = C::makeLowPass (rate, 180.0f);
            highPass3300.coefficients = C::makeHighPass (rate, 3300.0f);
            bandPass340.coefficients = C::makeBandPass (rate, 340.0f, 0.7f);
            bandPass2300.coefficients = C::makeBandPass (rate, 2300.0f, 0.8f);
            highPass5200.coefficients = C::makeHighPass (rate, 5200.0f);
        }

        float process (float x, const Controls& c)
        {
            const auto v = voicingOf (c.mode);
            const auto low = lowPass.processSample (x);
            const auto h3300 = highPass3300.processSample (x);
            const auto b340 = bandPass340.processSample (x);
            const auto b2300 = bandPass2300.processSample (x);
            const auto h5200 = highPass5200.processSample (x);

            auto y = x - low + referenceShapeTight (low, v.tight * c.tight);
            y += (dBgain (0.7f * c.body) - 1.0f) * b340 * (0.9f * v.body);
            y += (dBgain (0.75f * c.bite) - 1.0f) * b2300 * (0.78f * v.bite);

            if (c.fizz >= 0.0f)
            {
                const auto f = c.fizz / 12.0f * v.fizz;
                y += f * h3300 + 0.55f * f * h5200;
            }
            else
            {
                const auto f = -c.fizz / 12.0f * v.fizz;
                y -= 0.75f * f * h3300 + 0.42f * f * h5200;
            }

            const auto a = c.air / 12.0f * v.air;
            const auto pre = y + 1.1f * a * h5200 + 0.28f * a * h3300;
            const auto k = 1.0f + 1.35f * std::max (c.bite, 0.0f) / 12.0f + 0.42f * c.room + v.drive;

            return std::tanh (k * pre) / std::max (std::tanh (k), 0.001f) * std::pow (10.0f, -0.5f);
        }

    private:
        juce::dsp::IIR::Filter<float> lowPass, highPass3300, bandPass340, bandPass2300, highPass5200;
    };

    //==========================================================================
    // A low note plus broadband noise, so that every band carries signal.
    std::vector<float> makeTestSignal (double rate, int length, juce::int64 seed = 7)
    {
        juce::Random random (seed);
        std::vector<float> signal ((size_t) length);

        for (int i = 0; i < length; ++i)
            signal[(size_t) i] = 0.6f * (float) std::sin (2.0 * juce::MathConstants<double>::pi * 82.0 * i / rate)
                               + 0.35f * (random.nextFloat() * 2.0f - 1.0f);

        return signal;
    }

    std::vector<float> runVoice (EmberLashAudioProcessor& processor, int channel,
                                 const std::vector<float>& input, const Controls& c)
    {
        std::vector<float> out;
        out.reserve (input.size());

        for (const auto x : input)
            out.push_back (processor.processChannelSample (x, channel, c.tight, c.body, c.bite,
                                                           c.fizz, c.air, c.room, c.mode));
        return out;
    }

    testing::AssertionResult streamsMatch (const std::vector<float>& actual, const std::vector<float>& expected,
                                           float tolerance)
    {
        if (actual.size() != expected.size())
            return testing::AssertionFailure() << "lengths differ";

        for (size_t i = 0; i < actual.size(); ++i)
            if (! (std::abs (actual[i] - expected[i]) <= tolerance))
                return testing::AssertionFailure() << "sample " << i << ": " << actual[i]
                                                   << " vs " << expected[i];

        return testing::AssertionSuccess();
    }

    bool streamsDiffer (const std::vector<float>& a, const std::vector<float>& b, float margin)
    {
        for (size_t i = 0; i < a.size(); ++i)
            if (std::abs (a[i] - b[i]) > margin)
                return true;

        return false;
    }

    constexpr float tolerance = 2.0e-6f;

    struct PreparedProcessor
    {
        explicit PreparedProcessor (double rate) { processor.prepareToPlay (rate, 512); }
        EmberLashAudioProcessor processor;
    };
}

//==============================================================================
// With every control at 0 (fizz 0 included) nothing but the resting low-band
// saturation and the normalised drive remain.
TEST (ChannelVoice, NeutralRockVoiceIsSoftSaturationOfTheLowBand)
{
    constexpr double rate = 48000.0;
    PreparedProcessor prepared (rate);
    auto& processor = prepared.processor;

    juce::dsp::IIR::Filter<float> lowPass (juce::dsp::IIR::Coefficients<float>::makeLowPass (rate, 180.0f));
    const auto k = std::tanh (1.0f);
    const auto trim = std::pow (10.0f, -0.5f);

    std::vector<float> actual, expected;

    for (const auto x : makeTestSignal (rate, 2000))
    {
        const auto low = lowPass.processSample (x);
        const auto y = x + 0.16f * (std::tanh (low) - low);
        expected.push_back (std::tanh (y) / k * trim);
        actual.push_back (processor.processChannelSample (x, 0, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1));
    }

    EXPECT_TRUE (streamsMatch (actual, expected, tolerance));
}

TEST (ChannelVoice, MatchesTheReferenceVoiceAcrossModesAndControls)
{
    const Controls cases[] {
        { 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1 },          // fizz exactly 0
        { 3.0f, 2.5f, 4.0f, 4.5f, 1.5f, 0.25f, 1 },         // the defaults
        { 3.0f, 2.5f, 4.0f, 4.5f, 1.5f, 0.25f, 0 },
        { 3.0f, 2.5f, 4.0f, 4.5f, 1.5f, 0.25f, 2 },
        { 12.0f, -12.0f, 12.0f, 12.0f, -12.0f, 1.0f, 2 },   // Modern at its hottest
        { 12.0f, 12.0f, -12.0f, -12.0f, 12.0f, 1.0f, 0 },   // Clean, negative fizz and bite
        { -12.0f, -6.0f, -3.0f, -0.5f, -7.0f, 0.5f, 1 },
        { -7.5f, 8.0f, 0.0f, -9.0f, 3.0f, 0.0f, 2 },
    };

    for (const auto rate : { 44100.0, 96000.0 })
    {
        const auto input = makeTestSignal (rate, 3000);

        for (const auto& c : cases)
        {
            SCOPED_TRACE (testing::Message() << rate << " Hz, mode " << c.mode << ", tight " << c.tight
                                             << ", body " << c.body << ", bite " << c.bite << ", fizz "
                                             << c.fizz << ", air " << c.air << ", room " << c.room);
            PreparedProcessor prepared (rate);
            ReferenceVoice reference (rate);

            std::vector<float> expected;
            for (const auto x : input)
                expected.push_back (reference.process (x, c));

            for (const auto channel : { 0, 1 })
                EXPECT_TRUE (streamsMatch (runVoice (prepared.processor, channel, input, c), expected, tolerance))
                    << "channel " << channel;
        }
    }
}

TEST (ChannelVoice, TightSaturatorClampsItsAmountToTwelve)
{
    for (const auto low : { -0.9f, -0.2f, 0.05f, 0.4f, 1.3f })
    {
        SCOPED_TRACE (low);
        const auto atTop = EmberLashAudioProcessor::shapeTight (low, 12.0f);
        const auto atBottom = EmberLashAudioProcessor::shapeTight (low, -12.0f);

        for (const auto amount : { 12.01f, 13.0f, 15.0f, 1000.0f })
        {
            EXPECT_EQ (EmberLashAudioProcessor::shapeTight (low, amount), atTop) << amount;
            EXPECT_EQ (EmberLashAudioProcessor::shapeTight (low, -amount), atBottom) << -amount;
        }

        EXPECT_NE (EmberLashAudioProcessor::shapeTight (low, 11.5f), atTop);
        EXPECT_NEAR (atTop, (std::tanh (4.6f * low) - low) * 0.42f + 0.48f * low, 1.0e-6f);
        EXPECT_NEAR (atBottom, 0.16f * (std::tanh (low) - low) + 0.68f * low, 1.0e-6f);
        EXPECT_NEAR (EmberLashAudioProcessor::shapeTight (low, 0.0f), low + 0.16f * (std::tanh (low) - low), 1.0e-6f);
    }
}

TEST (ChannelVoice, ModeScalesTightBeforeTheClamp)
{
    constexpr double rate = 44100.0;
    const auto input = makeTestSignal (rate, 2000);

    auto run = [&] (int mode, float tight)
    {
        PreparedProcessor prepared (rate);
        return runVoice (prepared.processor, 0, input, { tight, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, mode });
    };

    // Modern: 1.25 x tight reaches the clamp above 9.6.
    const auto modernTop = run (2, 12.0f);
    EXPECT_EQ (run (2, 9.7f), modernTop);
    EXPECT_EQ (run (2, 10.5f), modernTop);
    EXPECT_TRUE (streamsDiffer (run (2, 9.4f), modernTop, 1.0e-5f));

    // Clean: 0.8 x tight stays at or below t = 0.8, so tight is still moving at +12.
    const auto cleanTop = run (0, 12.0f);
    EXPECT_TRUE (streamsDiffer (run (0, 11.5f), cleanTop, 1.0e-5f));

    ReferenceVoice reference (rate);
    std::vector<float> expected;
    for (const auto x : input)
        expected.push_back (reference.process (x, { 12.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0 }));
    EXPECT_TRUE (streamsMatch (cleanTop, expected, tolerance));
}

TEST (ChannelVoice, ModeValuesOutsideTheTableActAsRock)
{
    constexpr double rate = 44100.0;
    const auto input = makeTestSignal (rate, 1500);

    auto run = [&] (int mode)
    {
        PreparedProcessor prepared (rate);
        return runVoice (prepared.processor, 0, input, { 6.0f, -4.0f, 8.0f, 5.0f, -3.0f, 0.6f, mode });
    };

    const auto rock = run (1);

    for (const auto mode : { -1, 3, 7, -100 })
        EXPECT_EQ (run (mode), rock) << "mode " << mode;

    EXPECT_TRUE (streamsDiffer (run (0), rock, 1.0e-4f));
    EXPECT_TRUE (streamsDiffer (run (2), rock, 1.0e-4f));
}

//==============================================================================
TEST (ChannelVoice, EachChannelRunsItsOwnFilterSet)
{
    constexpr double rate = 44100.0;
    const auto input = makeTestSignal (rate, 1000, 11);
    const Controls c { 3.0f, 2.5f, 4.0f, 4.5f, 1.5f, 0.25f, 1 };

    std::vector<float> impulse (200, 0.0f);
    impulse[0] = 1.0f;

    for (const auto busy : { 0, 1 })
    {
        const auto other = 1 - busy;
        SCOPED_TRACE (testing::Message() << "impulse on channel " << busy);

        PreparedProcessor touched (rate);
        runVoice (touched.processor, busy, impulse, c);

        PreparedProcessor fresh (rate);
        EXPECT_EQ (runVoice (touched.processor, other, input, c), runVoice (fresh.processor, other, input, c));
    }

    // Every filter holds a coefficients object of its own.
    PreparedProcessor prepared (rate);
    auto& p = prepared.processor;
    std::vector<const void*> objects;

    for (auto* bank : { &p.lowPass180, &p.highPass3300, &p.bandPass340, &p.bandPass2300, &p.highPass5200 })
        for (auto& filter : *bank)
            objects.push_back (filter.coefficients.get());

    for (size_t i = 0; i < objects.size(); ++i)
        for (size_t j = i + 1; j < objects.size(); ++j)
            EXPECT_NE (objects[i], objects[j]) << i << " and " << j;
}

TEST (ChannelVoice, EqualChannelsAfterACommonResetGiveEqualOutput)
{
    constexpr double rate = 44100.0;
    const Controls c { -5.0f, 7.0f, 10.0f, -8.0f, 6.0f, 0.8f, 2 };

    EmberLashAudioProcessor processor;
    processor.prepareToPlay (rate, 512);

    // Leave different state in the two sets, then reset both together.
    runVoice (processor, 0, makeTestSignal (rate, 300, 1), c);
    runVoice (processor, 1, makeTestSignal (rate, 500, 2), c);
    processor.prepareToPlay (rate, 512);

    for (const auto x : makeTestSignal (rate, 2000, 3))
    {
        const auto left = processor.processChannelSample (x, 0, c.tight, c.body, c.bite, c.fizz, c.air, c.room, c.mode);
        const auto right = processor.processChannelSample (x, 1, c.tight, c.body, c.bite, c.fizz, c.air, c.room, c.mode);
        ASSERT_EQ (left, right);
    }
}
