#include <gtest/gtest.h>

#include "processor/EmberLashAudioProcessor.h"
#include "tests/BadInputScenarios.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace
{
    void setPlainValue (EmberLashAudioProcessor& processor, const juce::String& id, float value)
    {
        auto* parameter = processor.valueTreeState.getParameter (id);
        ASSERT_NE (parameter, nullptr) << id;
        parameter->setValueNotifyingHost (parameter->convertTo0to1 (value));
    }

    void process (EmberLashAudioProcessor& processor, juce::AudioBuffer<float>& buffer)
    {
        juce::MidiBuffer midi;
        processor.processBlock (buffer, midi);
    }

    juce::AudioBuffer<float> makeNoise (int channels, int samples, float amplitude, juce::int64 seed = 3)
    {
        juce::Random random (seed);
        juce::AudioBuffer<float> buffer (channels, samples);

        for (int c = 0; c < channels; ++c)
            for (int i = 0; i < samples; ++i)
                buffer.setSample (c, i, amplitude * (random.nextFloat() * 2.0f - 1.0f));

        return buffer;
    }

    void setLevels (EmberLashAudioProcessor& p, float in0, float in1, float out0, float out1, float clip)
    {
        p.inputLevel[0] = in0;
        p.inputLevel[1] = in1;
        p.outputLevel[0] = out0;
        p.outputLevel[1] = out1;
        p.clipLevel = clip;
    }

    void useMonoBuses (EmberLashAudioProcessor& processor)
    {
        juce::AudioProcessor::BusesLayout mono;
        mono.inputBuses.add (juce::AudioChannelSet::mono());
        mono.outputBuses.add (juce::AudioChannelSet::mono());
        ASSERT_TRUE (processor.setBusesLayout (mono));
    }
}

//==============================================================================
TEST (BlockProcessing, EmptyBlockStillDecaysTheMetersOnce)
{
    EmberLashAudioProcessor processor;
    processor.prepareToPlay (44100.0, 512);
    setLevels (processor, 0.5f, 0.25f, 1.0f, 0.8f, 0.6f);

    juce::AudioBuffer<float> empty (2, 0);
    process (processor, empty);

    EXPECT_FLOAT_EQ (processor.getInputLevel (0), 0.86f * 0.5f);
    EXPECT_FLOAT_EQ (processor.getInputLevel (1), 0.86f * 0.25f);
    EXPECT_FLOAT_EQ (processor.getOutputLevel (0), 0.86f * 1.0f);
    EXPECT_FLOAT_EQ (processor.getOutputLevel (1), 0.86f * 0.8f);
    EXPECT_FLOAT_EQ (processor.getClipLevel(), 0.84f * 0.6f);
}

TEST (BlockProcessing, LevelsHoldTheBlockPeakOrDecay)
{
    EmberLashAudioProcessor processor;
    setPlainValue (processor, "power", 0.0f);   // output equals input
    processor.prepareToPlay (44100.0, 512);

    // The block's peak wins on channel 0 (0.8997 > 0.86), the decay on channel 1.
    setLevels (processor, 1.0f, 0.7f, 1.0f, 0.7f, 0.0f);

    juce::AudioBuffer<float> buffer (2, 256);
    buffer.clear();
    buffer.setSample (0, 100, -0.5f);
    buffer.setSample (1, 30, 0.031623f);
    process (processor, buffer);

    EXPECT_NEAR (processor.getInputLevel (0), 0.8997f, 1.0e-4f);
    EXPECT_NEAR (processor.getOutputLevel (0), 0.8997f, 1.0e-4f);
    EXPECT_FLOAT_EQ (processor.getInputLevel (1), 0.86f * 0.7f);
    EXPECT_FLOAT_EQ (processor.getOutputLevel (1), 0.86f * 0.7f);
    EXPECT_EQ (processor.getClipLevel(), 0.0f);

    // From zero, the -30 dB peak shows at mid scale.
    setLevels (processor, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
    process (processor, buffer);
    EXPECT_NEAR (processor.getInputLevel (1), 0.5f, 1.0e-4f);
    EXPECT_NEAR (processor.getOutputLevel (1), 0.5f, 1.0e-4f);
}

TEST (BlockProcessing, ToMeterLevelMapsMinusSixtyToZeroDecibels)
{
    struct Case
    {
        float sample, level;
    };

    const Case cases[] {
        { 1.0f, 1.0f },      { 0.5f, 0.8997f },   { 0.031623f, 0.5f }, { 0.001f, 0.0f },
        { 2.0f, 1.0f },      { 0.0f, 0.0f },      { 1.0e-6f, 0.0f },   { 1.0e-7f, 0.0f },
        { -0.5f, 0.8997f },  { -0.031623f, 0.5f }, { -4.0f, 1.0f },    { 0.1f, 2.0f / 3.0f },
    };

    for (const auto& c : cases)
        EXPECT_NEAR (EmberLashAudioProcessor::toMeterLevel (c.sample), c.level, 1.0e-4f) << c.sample;
}

TEST (BlockProcessing, LevelGettersClampTheChannel)
{
    EmberLashAudioProcessor processor;
    setLevels (processor, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f);

    EXPECT_EQ (processor.getInputLevel (-1), 0.1f);
    EXPECT_EQ (processor.getInputLevel (0), 0.1f);
    EXPECT_EQ (processor.getInputLevel (1), 0.2f);
    EXPECT_EQ (processor.getInputLevel (5), 0.2f);
    EXPECT_EQ (processor.getOutputLevel (-1), 0.3f);
    EXPECT_EQ (processor.getOutputLevel (1), 0.4f);
    EXPECT_EQ (processor.getOutputLevel (5), 0.4f);
    EXPECT_EQ (processor.getClipLevel(), 0.5f);
}

//==============================================================================
TEST (BlockProcessing, OneChannelBusRunsBothVoicesOnTheSameInput)
{
    constexpr int n = 512;

    struct Pair
    {
        explicit Pair (std::function<void (EmberLashAudioProcessor&)> configure)
        {
            useMonoBuses (mono);
            configure (mono);
            configure (stereo);
            mono.prepareToPlay (44100.0, n);
            stereo.prepareToPlay (44100.0, n);
        }

        // Channel 0 of the mono buffer gets the signal, channel 1 a marker
        // that must survive; the stereo buffer gets the signal on both sides.
        void run (const juce::AudioBuffer<float>& source)
        {
            monoBuffer.setSize (2, n);
            monoBuffer.copyFrom (0, 0, source, 0, 0, n);
            monoBuffer.clear (1, 0, n);
            monoBuffer.setSample (1, 7, 0.25f);

            stereoBuffer.setSize (2, n);
            stereoBuffer.copyFrom (0, 0, source, 0, 0, n);
            stereoBuffer.copyFrom (1, 0, source, 0, 0, n);

            process (mono, monoBuffer);
            process (stereo, stereoBuffer);
        }

        EmberLashAudioProcessor mono, stereo;
        juce::AudioBuffer<float> monoBuffer, stereoBuffer;
    };

    {
        Pair pair ([] (EmberLashAudioProcessor&) {});
        ASSERT_EQ (pair.mono.getTotalNumInputChannels(), 1);
        setLevels (pair.mono, 0.0f, 1.0f, 0.0f, 1.0f, 0.0f);
        pair.run (makeNoise (1, n, 0.8f));

        for (int i = 0; i < n; ++i)
        {
            ASSERT_EQ (pair.monoBuffer.getSample (0, i), pair.stereoBuffer.getSample (0, i)) << i;
            ASSERT_EQ (pair.monoBuffer.getSample (1, i), i == 7 ? 0.25f : 0.0f) << i;
        }

        EXPECT_FLOAT_EQ (pair.mono.getInputLevel (0), pair.stereo.getInputLevel (0));
        EXPECT_FLOAT_EQ (pair.mono.getOutputLevel (0), pair.stereo.getOutputLevel (0));
        EXPECT_FLOAT_EQ (pair.mono.getInputLevel (1), 0.86f);
        EXPECT_FLOAT_EQ (pair.mono.getOutputLevel (1), 0.86f);
    }

    {
        // Mix 0: wet = 0.5 x dBgain(6) on both sides; both sides count, C = 1.
        Pair pair ([] (EmberLashAudioProcessor& p)
        {
            setPlainValue (p, "mix", 0.0f);
            setPlainValue (p, "output", 6.0f);
        });

        juce::AudioBuffer<float> dc (1, n);
        juce::FloatVectorOperations::fill (dc.getWritePointer (0), 0.5f, n);
        pair.run (dc);

        const auto excess = 0.5f * std::pow (10.0f, 0.3f) - 0.97f;
        EXPECT_NEAR (pair.mono.getClipLevel(), 8.0f * 2.0f * excess, 1.0e-4f);
        EXPECT_NEAR (pair.stereo.getClipLevel(), 8.0f * excess, 1.0e-4f);
    }
}

//==============================================================================
TEST (BlockProcessing, RampsLastTheirLengthAtEachSampleRate)
{
    using Member = juce::SmoothedValue<float> EmberLashAudioProcessor::*;

    struct Case
    {
        const char* id;
        Member smoother;
        float plainValue, target;
        double seconds;
    };

    const Case cases[] {
        { "tight", &EmberLashAudioProcessor::smoothedTight, -9.0f, -9.0f, 0.03 },
        { "body", &EmberLashAudioProcessor::smoothedBody, 11.0f, 11.0f, 0.03 },
        { "bite", &EmberLashAudioProcessor::smoothedBite, -2.0f, -2.0f, 0.03 },
        { "fizz", &EmberLashAudioProcessor::smoothedFizz, -12.0f, -12.0f, 0.03 },
        { "air", &EmberLashAudioProcessor::smoothedAir, 9.0f, 9.0f, 0.03 },
        { "width", &EmberLashAudioProcessor::smoothedWidth, 180.0f, 1.8f, 0.04 },
        { "room", &EmberLashAudioProcessor::smoothedRoom, 90.0f, 0.9f, 0.04 },
        { "mix", &EmberLashAudioProcessor::smoothedMix, 10.0f, 0.1f, 0.03 },
        { "output", &EmberLashAudioProcessor::smoothedOutputGain, 6.0f, std::pow (10.0f, 0.3f), 0.03 },
        { "power", &EmberLashAudioProcessor::smoothedPower, 0.0f, 0.0f, 0.03 },
    };

    struct Rate
    {
        double hz;
        int steps003, steps004;
    };

    for (const auto& rate : { Rate { 44100.0, 1323, 1764 }, Rate { 96000.0, 2880, 3840 } })
    {
        for (const auto& c : cases)
        {
            SCOPED_TRACE (testing::Message() << c.id << " at " << rate.hz << " Hz");
            const auto steps = c.seconds < 0.035 ? rate.steps003 : rate.steps004;

            EmberLashAudioProcessor processor;
            processor.prepareToPlay (44100.0, 512);
            processor.prepareToPlay (rate.hz, 512);   // ramp lengths follow the new rate
            setPlainValue (processor, c.id, c.plainValue);

            auto& smoother = processor.*(c.smoother);
            juce::AudioBuffer<float> buffer (2, steps - 1);
            buffer.clear();
            process (processor, buffer);
            EXPECT_TRUE (smoother.isSmoothing());
            EXPECT_NEAR (smoother.getTargetValue(), c.target, 1.0e-5f);

            juce::AudioBuffer<float> last (2, 1);
            last.clear();
            process (processor, last);
            EXPECT_FALSE (smoother.isSmoothing());
            EXPECT_EQ (smoother.getCurrentValue(), smoother.getTargetValue());
        }
    }
}

TEST (BlockProcessing, OutputGainRampsLinearlyToItsTarget)
{
    constexpr float dc = 0.25f;
    const auto target = std::pow (10.0f, 0.3f);   // +6 dB

    for (const auto rate : { 44100.0, 96000.0 })
    {
        SCOPED_TRACE (rate);
        const auto steps = (int) std::floor (0.03 * rate);

        EmberLashAudioProcessor processor;
        setPlainValue (processor, "mix", 0.0f);
        processor.prepareToPlay (rate, 4096);
        setPlainValue (processor, "output", 6.0f);

        juce::AudioBuffer<float> buffer (2, steps + 100);
        for (int c = 0; c < 2; ++c)
            juce::FloatVectorOperations::fill (buffer.getWritePointer (c), dc, buffer.getNumSamples());

        process (processor, buffer);

        // A ramp one sample longer or shorter would be half a step off mid-way.
        const auto step = (target - 1.0f) / (float) steps;

        for (int i = 0; i < buffer.getNumSamples(); ++i)
        {
            SCOPED_TRACE (i);
            const auto onRamp = i < steps - 1;
            const auto gain = onRamp ? 1.0f + step * (float) (i + 1) : target;
            ASSERT_NEAR (buffer.getSample (0, i), dc * gain, onRamp ? 0.2f * dc * step : 1.0e-6f);
            ASSERT_EQ (buffer.getSample (1, i), buffer.getSample (0, i));
        }
    }
}

//==============================================================================
TEST (BlockProcessing, PowerOffReachesTheExactInputAfterTheRamp)
{
    constexpr int n = 2048;
    const auto source = makeNoise (2, n, 0.6f);

    EmberLashAudioProcessor processor;
    setPlainValue (processor, "output", 12.0f);
    processor.prepareToPlay (44100.0, n);

    auto warm = source;
    process (processor, warm);
    EXPECT_NE (warm.getSample (0, 10), source.getSample (0, 10));

    setPlainValue (processor, "power", 0.0f);
    auto fading = source;
    process (processor, fading);

    for (int c = 0; c < 2; ++c)
    {
        EXPECT_NE (fading.getSample (c, 1000), source.getSample (c, 1000));

        for (int i = 1322; i < n; ++i)
            ASSERT_EQ (fading.getSample (c, i), source.getSample (c, i)) << c << ", " << i;
    }

    // The voices keep running; the clip value measures the processed signal.
    processor.clipLevel = 0.0f;
    auto off = source;
    process (processor, off);

    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < n; ++i)
            ASSERT_EQ (off.getSample (c, i), source.getSample (c, i)) << c << ", " << i;

    EXPECT_GT (processor.getClipLevel(), 0.0f);
    EXPECT_NEAR (processor.getInputLevel (0), processor.getOutputLevel (0), 1.0e-6f);
}

TEST (BlockProcessing, MixZeroPassesTheInputThroughTheOutputGain)
{
    for (const auto decibels : { -12.0f, -7.5f, 0.0f, 12.0f })
    {
        SCOPED_TRACE (decibels);
        EmberLashAudioProcessor processor;
        setPlainValue (processor, "mix", 0.0f);
        setPlainValue (processor, "output", decibels);
        processor.prepareToPlay (48000.0, 512);

        const auto source = makeNoise (2, 512, 0.7f);
        auto buffer = source;
        process (processor, buffer);

        const auto gain = std::pow (10.0f, 0.05f * decibels);

        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < 512; ++i)
                ASSERT_NEAR (buffer.getSample (c, i), source.getSample (c, i) * gain, 1.0e-6f) << c << ", " << i;
    }
}

TEST (BlockProcessing, WidthFactorIsClampedPerMode)
{
    struct Case
    {
        int mode;
        float widthA, widthB;
        bool same;
    };

    // Rock clamps 0..60 % to 0.6; Clean reaches 2.0 from 185.2 %; Modern
    // clamps up to 63.8 % and tops out at 1.88.
    const Case cases[] {
        { 1, 0.0f, 60.0f, true },    { 1, 0.0f, 62.0f, false },   { 1, 190.0f, 200.0f, false },
        { 0, 186.0f, 200.0f, true }, { 0, 184.0f, 200.0f, false }, { 0, 0.0f, 55.0f, true },
        { 2, 0.0f, 63.5f, true },    { 2, 0.0f, 64.5f, false },   { 2, 190.0f, 200.0f, false },
    };

    const auto source = makeNoise (2, 512, 0.5f, 9);

    auto run = [&] (int mode, float width)
    {
        EmberLashAudioProcessor processor;
        setPlainValue (processor, "mode", (float) mode);
        setPlainValue (processor, "width", width);
        processor.prepareToPlay (44100.0, 512);

        auto buffer = source;
        process (processor, buffer);
        return buffer;
    };

    auto equal = [] (const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b)
    {
        for (int c = 0; c < 2; ++c)
            if (! std::equal (a.getReadPointer (c), a.getReadPointer (c) + a.getNumSamples(), b.getReadPointer (c)))
                return false;
        return true;
    };

    for (const auto& c : cases)
        EXPECT_EQ (equal (run (c.mode, c.widthA), run (c.mode, c.widthB)), c.same)
            << "mode " << c.mode << ", " << c.widthA << " % vs " << c.widthB << " %";
}

//==============================================================================
TEST (BlockProcessing, ReverbFollowsTheRoomTargetOfTheBlock)
{
    struct Case
    {
        float room, roomSize, wetLevel, dryLevel;
    };

    const Case cases[] {
        { 0.0f, 0.2f, 0.15f, 1.0f },
        { 50.0f, 0.31f, 0.25f, 0.92f },
        { 100.0f, 0.42f, 0.35f, 0.84f },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.room);
        EmberLashAudioProcessor processor;
        processor.prepareToPlay (44100.0, 512);

        // The ramp from 25 % has only just begun; the settings use the target.
        setPlainValue (processor, "room", c.room);
        juce::AudioBuffer<float> buffer (2, 16);
        buffer.clear();
        process (processor, buffer);

        const auto& p = processor.reverbParameters;
        EXPECT_FLOAT_EQ (p.roomSize, c.roomSize);
        EXPECT_FLOAT_EQ (p.damping, 0.42f);
        EXPECT_FLOAT_EQ (p.wetLevel, c.wetLevel);
        EXPECT_FLOAT_EQ (p.dryLevel, c.dryLevel);
        EXPECT_FLOAT_EQ (p.width, 1.0f);
        EXPECT_FLOAT_EQ (p.freezeMode, 0.0f);

        const auto applied = processor.reverb.getParameters();
        EXPECT_FLOAT_EQ (applied.roomSize, c.roomSize);
        EXPECT_FLOAT_EQ (applied.wetLevel, c.wetLevel);
        EXPECT_FLOAT_EQ (applied.dryLevel, c.dryLevel);
    }
}

//==============================================================================
// Input a host should not send, and rates the bands were not made for.
namespace
{
    using testing_support::ToneThenSilence;
    using testing_support::Setting;
    using testing_support::settings;

    void apply (EmberLashAudioProcessor& processor, const Setting& setting)
    {
        for (const auto& [id, value] : setting.values)
            setPlainValue (processor, id, value);
    }

    // Well below what a meter shows (-60 dB is 0), and far above what 3 s of
    // decay leaves of a full-scale level.
    constexpr float meterAtRest = 1.0e-6f;
}

TEST (BlockProcessing, BadSamplesLeaveNoTraceOnceSilenceFollows)
{
    constexpr double rate = 48000.0;
    constexpr int blockSize = 512;

    for (const auto& setting : settings)
        for (const auto& bad : testing_support::badSamples)
            for (const auto channels : { 2, 1 })
            {
                SCOPED_TRACE (testing::Message() << bad.name << " with " << setting.name << ", " << channels << " channel(s)");
                EmberLashAudioProcessor processor;
                if (channels == 1)
                    useMonoBuses (processor);
                apply (processor, setting);
                processor.prepareToPlay (rate, blockSize);

                // The burst crosses the block's middle, where its working chunks meet.
                const auto out = testing_support::run (processor, rate, blockSize,
                                                       ToneThenSilence { 0.5, bad.value, 40, 3.0 });

                EXPECT_TRUE (out.allFinite);
                EXPECT_LT (out.tailPeak, 1.0e-4f);

                for (int c = 0; c < 2; ++c)
                {
                    EXPECT_LT (processor.getInputLevel (c), meterAtRest) << "input meter " << c;
                    EXPECT_LT (processor.getOutputLevel (c), meterAtRest) << "output meter " << c;
                }

                EXPECT_LT (processor.getClipLevel(), meterAtRest);
            }
}

TEST (BlockProcessing, ASampleThatIsNotFiniteCountsAsSilence)
{
    constexpr int n = 512;
    const auto source = makeNoise (2, n, 0.7f, 21);

    for (const auto& bad : testing_support::badSamples)
    {
        if (std::isfinite (bad.value))
            continue;

        SCOPED_TRACE (bad.name);
        EmberLashAudioProcessor withBad, withSilence;

        for (auto* p : { &withBad, &withSilence })
            p->prepareToPlay (44100.0, n);

        for (int block = 0; block < 3; ++block)
        {
            auto a = source, b = source;

            if (block == 1)
                for (const auto& [c, i] : { std::pair (0, 0), std::pair (0, 255), std::pair (0, 256), std::pair (1, 400) })
                {
                    a.setSample (c, i, bad.value);
                    b.setSample (c, i, 0.0f);
                }

            process (withBad, a);
            process (withSilence, b);

            for (int c = 0; c < 2; ++c)
                for (int i = 0; i < n; ++i)
                    ASSERT_EQ (a.getSample (c, i), b.getSample (c, i)) << "block " << block << ", channel " << c << ", sample " << i;

            for (int c = 0; c < 2; ++c)
            {
                EXPECT_EQ (withBad.getInputLevel (c), withSilence.getInputLevel (c));
                EXPECT_EQ (withBad.getOutputLevel (c), withSilence.getOutputLevel (c));
            }

            EXPECT_EQ (withBad.getClipLevel(), withSilence.getClipLevel());
        }
    }
}

TEST (BlockProcessing, LowSampleRatesStayBoundedAndFallSilent)
{
    for (const auto rate : { 8000.0, 11025.0, 16000.0, 1234.5678 })
        for (const auto& setting : settings)
        {
            SCOPED_TRACE (testing::Message() << rate << " Hz with " << setting.name);
            EmberLashAudioProcessor processor;
            apply (processor, setting);
            processor.prepareToPlay (rate, 64);

            const auto out = testing_support::run (processor, rate, 64, ToneThenSilence {});

            EXPECT_TRUE (out.allFinite);
            EXPECT_LT (out.peak, 8.0f);
            EXPECT_GT (out.peak, 0.1f) << "the tone did not come through";
            EXPECT_LT (out.tailPeak, 1.0e-4f);
        }
}

namespace
{
    using Coefficients = juce::dsp::IIR::Coefficients<float>;
    using FilterMember = std::array<juce::dsp::IIR::Filter<float>, 2> EmberLashAudioProcessor::*;

    struct Band
    {
        const char* name;
        FilterMember member;
        std::function<Coefficients::Ptr (double)> make;
    };

    const Band bands[] {
        { "low-pass 180", &EmberLashAudioProcessor::lowPass180, [] (double r) { return Coefficients::makeLowPass (r, 180.0f); } },
        { "high-pass 3300", &EmberLashAudioProcessor::highPass3300, [] (double r) { return Coefficients::makeHighPass (r, 3300.0f); } },
        { "band-pass 340", &EmberLashAudioProcessor::bandPass340, [] (double r) { return Coefficients::makeBandPass (r, 340.0f, 0.7f); } },
        { "band-pass 2300", &EmberLashAudioProcessor::bandPass2300, [] (double r) { return Coefficients::makeBandPass (r, 2300.0f, 0.8f); } },
        { "high-pass 5200", &EmberLashAudioProcessor::highPass5200, [] (double r) { return Coefficients::makeHighPass (r, 5200.0f); } },
    };
}

TEST (BlockProcessing, BandsKeepTheirFrequencyAtEveryRateThatCarriesThem)
{
    for (const auto rate : { 11025.0, 16000.0, 22050.0, 32000.0, 44100.0, 48000.0, 88200.0, 96000.0,
                             176400.0, 192000.0, 384000.0 })
    {
        EmberLashAudioProcessor processor;
        processor.prepareToPlay (rate, 512);

        for (const auto& band : bands)
        {
            const auto expected = band.make (rate);

            for (auto& filter : processor.*(band.member))
            {
                const auto* actual = filter.coefficients->getRawCoefficients();
                const auto* wanted = expected->getRawCoefficients();

                for (int k = 0; k < 5; ++k)
                    EXPECT_EQ (actual[k], wanted[k]) << band.name << " at " << rate << " Hz, coefficient " << k;
            }
        }
    }
}

TEST (BlockProcessing, BandsAboveNyquistSitJustBelowItAndStayStable)
{
    for (const auto rate : { 1000.0, 1234.5678, 4000.0, 6000.0, 8000.0, 10400.0, 10600.0 })
    {
        EmberLashAudioProcessor processor;
        processor.prepareToPlay (rate, 512);

        for (const auto& band : bands)
            for (auto& filter : processor.*(band.member))
            {
                // Both poles of 1 + a1 z^-1 + a2 z^-2 inside the unit circle.
                const auto* c = filter.coefficients->getRawCoefficients();
                const auto a1 = c[3], a2 = c[4];
                EXPECT_TRUE (std::isfinite (c[0]) && std::isfinite (c[1]) && std::isfinite (c[2]))
                    << band.name << " at " << rate << " Hz";
                EXPECT_TRUE (std::abs (a2) < 1.0f && std::abs (a1) < 1.0f + a2)
                    << band.name << " at " << rate << " Hz: a1 " << a1 << ", a2 " << a2;
            }
    }
}

TEST (BlockProcessing, RawValuesThatAreNotNumbersLeaveTheControlsWhereTheyWere)
{
    struct Case
    {
        const char* id;
        float before, after;   // plain values; the change starts a ramp
    };

    // Mode is Rock throughout: a mode that is not a number plays as Rock.
    const Case cases[] {
        { "tight", 3.0f, -7.0f }, { "body", 2.5f, 9.0f }, { "bite", 4.0f, -11.0f }, { "fizz", 4.5f, -3.0f },
        { "air", 1.5f, 10.0f },   { "width", 120.0f, 40.0f }, { "room", 25.0f, 90.0f }, { "mix", 70.0f, 20.0f },
        { "output", 0.0f, 9.5f }, { "mode", 1.0f, 1.0f },
    };

    constexpr int n = 300;
    const auto nan = std::numeric_limits<float>::quiet_NaN();

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.id);
        EmberLashAudioProcessor plain, odd;
        auto* raw = odd.valueTreeState.getRawParameterValue (c.id);
        ASSERT_NE (raw, nullptr);

        for (auto* p : { &plain, &odd })
        {
            setPlainValue (*p, c.id, c.before);
            p->prepareToPlay (44100.0, n);
        }

        for (int block = 0; block < 24; ++block)
        {
            if (block == 2)
                for (auto* p : { &plain, &odd })
                    setPlainValue (*p, c.id, c.after);

            // A NaN arrives mid-ramp, stays through a new prepareToPlay and goes.
            if (block == 3)
                raw->store (nan);

            if (block == 8)
                for (auto* p : { &plain, &odd })
                    p->prepareToPlay (44100.0, n);

            if (block == 12)
                raw->store (plain.getParameterValue (c.id));

            if (block == 5 && juce::String (c.id) == "mode")
            {
                EXPECT_EQ (odd.getMode(), 1);
            }

            auto a = makeNoise (2, n, 0.8f, block);
            auto b = a;
            process (plain, a);
            process (odd, b);

            for (int ch = 0; ch < 2; ++ch)
                for (int i = 0; i < n; ++i)
                    ASSERT_EQ (a.getSample (ch, i), b.getSample (ch, i)) << "block " << block << ", channel " << ch << ", sample " << i;
        }
    }
}
