#include <gtest/gtest.h>

#include "processor/EmberLashAudioProcessor.h"
#include "processor/VoiceKernels.h"

#include <array>
#include <cmath>
#include <vector>

// processBlock, however it is arranged for speed, against a plain model of the
// chain written formula by formula: one sample at a time, the voice's own tanh
// and std::pow, the framework's filters and reverb, a log10 per meter sample.
// With the same tanh every sample, meter and clip value must come out bit for
// bit, so that no change in the order of the operations can hide.
namespace
{
    struct Voicing
    {
        float tight, body, bite, fizz, air, drive, width;
    };

    Voicing voicingOf (int mode)
    {
        if (mode == 0) return { 0.8f, 0.95f, 0.88f, 0.9f, 1.15f, -0.08f, 1.08f };
        if (mode == 2) return { 1.25f, 0.92f, 1.18f, 1.1f, 1.0f, 0.14f, 0.94f };
        return { 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 0.0f, 1.0f };
    }

    // The tanh of the voice itself.
    float voiceTanh (float x) { return VoiceKernels::fastTanh (x); }

    float gainOf (float decibels)
    {
        return decibels > -100.0f ? std::pow (10.0f, 0.05f * decibels) : 0.0f;
    }

    float meterOf (float sample)
    {
        const auto a = std::abs (sample);

        if (a <= 0.000001f)
            return 0.0f;

        const auto d = std::max (20.0f * std::log10 (a), -72.0f);
        return std::min (1.0f, std::max (0.0f, (d + 60.0f) / 60.0f));
    }

    class ReferenceChain
    {
    public:
        ReferenceChain (EmberLashAudioProcessor& source, double sampleRate)
            : parameters (source), rate (sampleRate)
        {
            using C = juce::dsp::IIR::Coefficients<float>;

            for (auto& set : filters)
            {
                set.low.coefficients = C::makeLowPass (rate, 180.0f);
                set.hi3300.coefficients = C::makeHighPass (rate, 3300.0f);
                set.band340.coefficients = C::makeBandPass (rate, 340.0f, 0.7f);
                set.band2300.coefficients = C::makeBandPass (rate, 2300.0f, 0.8f);
                set.hi5200.coefficients = C::makeHighPass (rate, 5200.0f);
            }

            reverb.setSampleRate (rate);
            reverb.reset();

            const auto targets = readTargets();

            for (size_t i = 0; i < smoothers.size(); ++i)
            {
                smoothers[i].reset (rate, i == widthSmoother || i == roomSmoother ? 0.04 : 0.03);
                smoothers[i].setCurrentAndTargetValue (targets[i]);
            }
        }

        void process (juce::AudioBuffer<float>& buffer, int numChannels)
        {
            const auto n = buffer.getNumSamples();
            const auto targets = readTargets();

            for (size_t i = 0; i < smoothers.size(); ++i)
                smoothers[i].setTargetValue (targets[i]);

            const auto mode = (int) std::lround (parameters.getParameterValue ("mode"));
            const auto v = voicingOf (mode);

            const auto r = smoothers[roomSmoother].getTargetValue();
            juce::Reverb::Parameters settings;
            settings.roomSize = 0.2f + 0.22f * r;
            settings.damping = 0.42f;
            settings.wetLevel = 0.15f + 0.2f * r;
            settings.dryLevel = 1.0f - 0.16f * r;
            settings.width = 1.0f;
            settings.freezeMode = 0.0f;
            reverb.setParameters (settings);

            float inPeak[2] {}, outPeak[2] {}, clipSum = 0.0f;

            for (int i = 0; i < n; ++i)
            {
                std::array<float, 10> s {};
                for (size_t k = 0; k < s.size(); ++k)
                    s[k] = smoothers[k].getNextValue();

                const auto tight = s[0], body = s[1], bite = s[2], fizz = s[3], air = s[4];
                const auto width = s[5], room = s[6], mix = s[7], gain = s[8], power = s[9];

                const auto inL = buffer.getSample (0, i);
                const auto inR = numChannels >= 2 ? buffer.getSample (1, i) : inL;

                auto l = voice (filters[0], inL, tight, body, bite, fizz, air, room, v);
                auto rr = voice (filters[1], inR, tight, body, bite, fizz, air, room, v);
                reverb.processStereo (&l, &rr, 1);

                const auto g = std::min (2.0f, std::max (0.6f, v.width * width));
                const auto mid = (l + rr) * 0.5f;
                const auto side = (l - rr) * 0.5f * g;
                l = mid + side;
                rr = mid - side;

                const auto wetL = ((l - inL) * mix + inL) * gain;
                const auto wetR = ((rr - inR) * mix + inR) * gain;
                clipSum += std::max (std::abs (wetL) - 0.97f, 0.0f);
                clipSum += std::max (std::abs (wetR) - 0.97f, 0.0f);

                const auto outL = (wetL - inL) * power + inL;
                const auto outR = (wetR - inR) * power + inR;

                buffer.setSample (0, i, outL);
                if (numChannels >= 2)
                    buffer.setSample (1, i, outR);

                inPeak[0] = std::max (inPeak[0], meterOf (inL));
                outPeak[0] = std::max (outPeak[0], meterOf (outL));

                if (numChannels >= 2)
                {
                    inPeak[1] = std::max (inPeak[1], meterOf (inR));
                    outPeak[1] = std::max (outPeak[1], meterOf (outR));
                }
            }

            for (int c = 0; c < 2; ++c)
            {
                inputLevel[c] = std::max (0.86f * inputLevel[c], inPeak[c]);
                outputLevel[c] = std::max (0.86f * outputLevel[c], outPeak[c]);
            }

            const auto v8 = 8.0f * clipSum / (float) std::max (std::max (numChannels, 1) * n, 1);
            clipLevel = std::max (0.84f * clipLevel, std::min (1.0f, std::max (0.0f, v8)));
        }

        float inputLevel[2] {}, outputLevel[2] {}, clipLevel = 0.0f;

    private:
        struct FilterSet
        {
            juce::dsp::IIR::Filter<float> low, hi3300, band340, band2300, hi5200;
        };

        static constexpr size_t widthSmoother = 5, roomSmoother = 6;

        std::array<float, 10> readTargets() const
        {
            auto raw = [this] (const char* id) { return parameters.getParameterValue (id); };
            return { raw ("tight"), raw ("body"), raw ("bite"), raw ("fizz"), raw ("air"),
                     raw ("width") * 0.01f, raw ("room") * 0.01f, raw ("mix") * 0.01f,
                     gainOf (raw ("output")), raw ("power") >= 0.5f ? 1.0f : 0.0f };
        }

        static float voice (FilterSet& f, float x, float tight, float body, float bite, float fizz, float air,
                            float room, const Voicing& v)
        {
            const auto low = f.low.processSample (x);
            const auto hi3300 = f.hi3300.processSample (x);
            const auto band340 = f.band340.processSample (x);
            const auto band2300 = f.band2300.processSample (x);
            const auto hi5200 = f.hi5200.processSample (x);

            const auto t = std::min (1.0f, std::max (-1.0f, v.tight * tight / 12.0f));
            const auto tp = std::max (t, 0.0f);
            const auto tn = std::min (t, 0.0f);
            const auto saturated = (voiceTanh ((1.0f + 3.6f * tp) * low) - low) * (0.16f + 0.26f * tp)
                                 + (1.0f - 0.52f * tp) * low + 0.32f * tn * low;

            auto y = x - low + saturated;
            y = y + (gainOf (0.7f * body) - 1.0f) * band340 * (0.9f * v.body);
            y = y + (gainOf (0.75f * bite) - 1.0f) * band2300 * (0.78f * v.bite);

            if (fizz >= 0.0f)
            {
                const auto fz = fizz / 12.0f * v.fizz;
                y = y + fz * hi3300 + 0.55f * fz * hi5200;
            }
            else
            {
                const auto fz = -fizz / 12.0f * v.fizz;
                y = y - 0.75f * fz * hi3300 - 0.42f * fz * hi5200;
            }

            const auto a = air / 12.0f * v.air;
            const auto pre = y + 1.1f * a * hi5200 + 0.28f * a * hi3300;
            const auto k = 1.0f + 1.35f * std::max (bite, 0.0f) / 12.0f + 0.42f * room + v.drive;
            return voiceTanh (k * pre) / std::max (voiceTanh (k), 0.001f) * std::pow (10.0f, -0.5f);
        }

        EmberLashAudioProcessor& parameters;
        double rate;
        std::array<FilterSet, 2> filters;
        juce::Reverb reverb;
        std::array<juce::SmoothedValue<float>, 10> smoothers;
    };

    //==========================================================================
    // Sections of a few tenths of a second each: a low note with a high
    // partial, noise, silence for the reverb's tail, clipping bursts and a
    // very quiet tone.
    std::vector<float> makeInput (double rate, int channel, int length)
    {
        juce::Random random (41 + channel);
        std::vector<float> x ((size_t) length);
        const auto section = (int) (0.25 * rate);

        for (int i = 0; i < length; ++i)
        {
            const auto t = (double) i / rate;
            const auto tone = 0.5 * std::sin (juce::MathConstants<double>::twoPi * (82.4 + 3 * channel) * t)
                            + 0.2 * std::sin (juce::MathConstants<double>::twoPi * 1250.0 * t);
            const auto noise = random.nextFloat() * 2.0f - 1.0f;

            switch ((i / section) % 7)
            {
                case 0:  x[(size_t) i] = (float) tone; break;
                case 1:  x[(size_t) i] = 0.7f * noise; break;
                case 2:  x[(size_t) i] = 0.0f; break;
                case 3:  x[(size_t) i] = (float) (6.0 * tone) + 2.0f * noise; break;
                case 4:  x[(size_t) i] = (float) (0.003 * tone); break;
                case 5:  x[(size_t) i] = (float) tone + 0.3f * noise; break;
                default: x[(size_t) i] = (i % 97 == 0) ? 8.0f : 0.0f; break;
            }
        }

        return x;
    }

    struct Change
    {
        int block;
        const char* id;
        float value;
    };

    // Changes at various blocks: every control, extremes, every mode, power
    // off and on, and several changes in one block.
    const Change automation[] {
        { 3, "tight", 12.0f },   { 3, "bite", -6.0f },    { 6, "mode", 2.0f },      { 9, "fizz", -12.0f },
        { 9, "air", 12.0f },     { 12, "body", -12.0f },  { 14, "room", 100.0f },   { 16, "width", 200.0f },
        { 18, "mix", 100.0f },   { 20, "output", 12.0f }, { 24, "mode", 0.0f },     { 24, "tight", -12.0f },
        { 27, "power", 0.0f },   { 31, "bite", 12.0f },   { 33, "power", 1.0f },    { 36, "fizz", 0.0f },
        { 38, "width", 0.0f },   { 40, "room", 0.0f },    { 42, "mix", 0.0f },      { 44, "mix", 55.0f },
        { 44, "output", -12.0f }, { 46, "mode", 1.0f },   { 48, "body", 12.0f },    { 50, "air", -12.0f },
        { 52, "fizz", 7.5f },    { 54, "tight", 5.0f },   { 56, "bite", 0.0f },     { 58, "output", 3.0f },
        { 60, "mode", 2.0f },    { 60, "room", 60.0f },   { 62, "width", 150.0f },  { 64, "power", 0.0f },
    };

    // Block sizes in turn: single samples, odd sizes, and blocks longer than
    // the size given to prepareToPlay.
    constexpr int blockSizes[] { 1, 7, 64, 333, 512, 1000, 4096, 129, 3, 2048, 256, 257 };
    constexpr int preparedBlockSize = 512;

    void setPlain (EmberLashAudioProcessor& p, const juce::String& id, float plain)
    {
        auto* parameter = p.valueTreeState.getParameter (id);
        ASSERT_NE (parameter, nullptr) << id;
        parameter->setValueNotifyingHost (parameter->convertTo0to1 (plain));
    }

    struct Setup
    {
        double rate;
        int channels;
    };

    void PrintTo (const Setup& s, std::ostream* os)
    {
        *os << s.rate << " Hz, " << (s.channels == 1 ? "mono" : "stereo");
    }

    struct ReferenceDsp : testing::TestWithParam<Setup> {};

    testing::AssertionResult sameBits (float actual, float expected)
    {
        if (VoiceKernels::bitsOf (actual) == VoiceKernels::bitsOf (expected))
            return testing::AssertionSuccess();

        return testing::AssertionFailure() << juce::String (actual, 9) << " vs " << juce::String (expected, 9);
    }
}

TEST_P (ReferenceDsp, ProcessBlockMatchesThePlainChain)
{
    const auto [rate, channels] = GetParam();

    EmberLashAudioProcessor processor;

    if (channels == 1)
    {
        juce::AudioProcessor::BusesLayout mono;
        mono.inputBuses.add (juce::AudioChannelSet::mono());
        mono.outputBuses.add (juce::AudioChannelSet::mono());
        ASSERT_TRUE (processor.setBusesLayout (mono));
    }

    processor.prepareToPlay (rate, preparedBlockSize);
    ReferenceChain reference (processor, rate);

    // Two seconds, and at low rates long enough for every change.
    const auto length = std::max ((int) (2.0 * rate), 48000);
    std::vector<std::vector<float>> input;
    for (int c = 0; c < channels; ++c)
        input.push_back (makeInput (rate, c, length));

    int position = 0, block = 0;
    float highestClip = 0.0f;

    while (position < length)
    {
        for (const auto& change : automation)
            if (change.block == block)
                setPlain (processor, change.id, change.value);

        const auto n = std::min (blockSizes[(size_t) block % std::size (blockSizes)], length - position);
        juce::AudioBuffer<float> actual (channels, n), expected (channels, n);

        for (int c = 0; c < channels; ++c)
        {
            actual.copyFrom (c, 0, input[(size_t) c].data() + position, n);
            expected.copyFrom (c, 0, input[(size_t) c].data() + position, n);
        }

        juce::MidiBuffer midi;
        processor.processBlock (actual, midi);
        reference.process (expected, channels);

        SCOPED_TRACE (testing::Message() << "block " << block << " of " << n << " samples at sample " << position);

        for (int c = 0; c < channels; ++c)
            for (int i = 0; i < n; ++i)
                ASSERT_TRUE (sameBits (actual.getSample (c, i), expected.getSample (c, i)))
                    << "channel " << c << ", sample " << i;

        for (int c = 0; c < 2; ++c)
        {
            ASSERT_TRUE (sameBits (processor.getInputLevel (c), reference.inputLevel[c])) << "input meter " << c;
            ASSERT_TRUE (sameBits (processor.getOutputLevel (c), reference.outputLevel[c])) << "output meter " << c;
        }

        ASSERT_TRUE (sameBits (processor.getClipLevel(), reference.clipLevel)) << "clip";
        highestClip = std::max (highestClip, reference.clipLevel);

        position += n;
        ++block;
    }

    // The run went through every change, and the clip meter saw the bursts.
    EXPECT_GT (block, automation[std::size (automation) - 1].block);
    EXPECT_GT (highestClip, 0.5f);
}

INSTANTIATE_TEST_SUITE_P (RatesAndLayouts, ReferenceDsp,
                          testing::Values (Setup { 44100.0, 2 }, Setup { 48000.0, 1 }, Setup { 96000.0, 2 },
                                           Setup { 44100.0, 1 }, Setup { 48000.0, 2 }, Setup { 96000.0, 1 },
                                           Setup { 22050.0, 2 }, Setup { 192000.0, 2 }, Setup { 11025.0, 1 }));
