#include <benchmark/benchmark.h>

#include <juce_audio_processors/juce_audio_processors.h>

#include "benchmarks/BundleLoader.h"
#include "processor/EmberLashAudioProcessor.h"

#include <array>
#include <cmath>
#include <map>
#include <utility>
#include <vector>
#include <memory>
#include <string>

// processBlock of one instance, in-process and through JUCE's VST3 hosting of
// the built bundle, over every rate, layout and block size a host is likely
// to use. Each block gets fresh input copied from a two-second source; with
// "ramps" every continuous parameter changes before every block, so that all
// smoothers are always ramping (the parameter writes are part of the timing,
// as they are part of a host's automation).
namespace
{
    struct Setup
    {
        double rate;
        int channels;
        int blockSize;
        bool ramps;
    };

    // The nine continuous parameters and the two plain values each one
    // alternates between.
    struct Swing
    {
        const char* id;
        const char* name;
        float a, b;
    };

    constexpr Swing swings[] {
        { "tight", "Tight", 3.0f, 4.0f },   { "body", "Body", 2.5f, 3.5f }, { "bite", "Bite", 4.0f, 5.0f },
        { "fizz", "Fizz", 4.5f, 5.5f },     { "air", "Air", 1.5f, 2.5f },   { "width", "Width", 120.0f, 130.0f },
        { "room", "Room", 25.0f, 30.0f },   { "mix", "Mix", 70.0f, 75.0f }, { "output", "Output", 0.0f, 1.0f },
    };

    // Two seconds of a low note with its harmonics, a slow level swell and a
    // little noise; a whole number of the largest block, so that every block
    // size divides it.
    struct Source
    {
        int length = 0;
        std::vector<std::vector<float>> channels;
    };

    Source makeSource (double rate, int channels)
    {
        Source source;
        source.length = ((int) (2.0 * rate) / 2048) * 2048;
        juce::Random random (17);

        for (int c = 0; c < channels; ++c)
        {
            auto& out = source.channels.emplace_back ((size_t) source.length);

            for (size_t i = 0; i < out.size(); ++i)
            {
                const auto t = (double) i / rate;
                const auto swell = 0.35 + 0.3 * std::sin (juce::MathConstants<double>::twoPi * 0.7 * t);
                double tone = 0.0;

                for (int h = 1; h <= 6; ++h)
                    tone += std::sin (juce::MathConstants<double>::twoPi * 82.41 * h * t + 0.3 * c) / h;

                out[i] = (float) (swell * 0.5 * tone) + 0.02f * (random.nextFloat() * 2.0f - 1.0f);
            }
        }

        return source;
    }

    // Made once per rate and layout, as the benchmark functions run many times.
    const Source& sourceFor (double rate, int channels)
    {
        static std::map<std::pair<int, int>, Source> sources;
        const auto key = std::make_pair ((int) rate, channels);
        auto found = sources.find (key);

        if (found == sources.end())
            found = sources.emplace (key, makeSource (rate, channels)).first;

        return found->second;
    }

    // Copies the next block of the source into the buffer.
    void nextBlock (const Source& source, juce::AudioBuffer<float>& buffer, int& position)
    {
        const auto n = buffer.getNumSamples();

        for (int c = 0; c < buffer.getNumChannels(); ++c)
            buffer.copyFrom (c, 0, source.channels[(size_t) c].data() + position, n);

        position += n;
        if (position >= source.length)
            position = 0;
    }

    juce::AudioProcessor::BusesLayout layoutFor (int channels)
    {
        const auto set = channels == 1 ? juce::AudioChannelSet::mono() : juce::AudioChannelSet::stereo();
        juce::AudioProcessor::BusesLayout layout;
        layout.inputBuses.add (set);
        layout.outputBuses.add (set);
        return layout;
    }

    // The normalised values of the swings, from the plug-in's own ranges.
    std::array<std::array<float, 2>, std::size (swings)> normalisedSwings()
    {
        EmberLashAudioProcessor reference;
        std::array<std::array<float, 2>, std::size (swings)> values {};

        for (size_t i = 0; i < std::size (swings); ++i)
        {
            auto* p = reference.valueTreeState.getParameter (swings[i].id);
            values[i] = { p->convertTo0to1 (swings[i].a), p->convertTo0to1 (swings[i].b) };
        }

        return values;
    }

    // Feeds blocks of the source through a processor and reports the rates.
    void runBlocks (benchmark::State& state, const Setup& setup, juce::AudioProcessor& processor,
                    const std::array<juce::AudioProcessorParameter*, std::size (swings)>& parameters)
    {
        const auto& source = sourceFor (setup.rate, setup.channels);
        const auto values = normalisedSwings();
        juce::AudioBuffer<float> buffer (setup.channels, setup.blockSize);
        juce::MidiBuffer midi;
        int position = 0;
        int flip = 0;

        // Settle the ramps of the initial values first.
        for (int i = 0; i < 64; ++i)
        {
            buffer.clear();
            processor.processBlock (buffer, midi);
        }

        for (auto _ : state)
        {
            if (setup.ramps)
            {
                flip ^= 1;

                for (size_t p = 0; p < parameters.size(); ++p)
                    parameters[p]->setValueNotifyingHost (values[p][(size_t) flip]);
            }

            nextBlock (source, buffer, position);
            processor.processBlock (buffer, midi);
            benchmark::DoNotOptimize (buffer.getReadPointer (0));
            benchmark::ClobberMemory();
        }

        const auto frames = (double) state.iterations() * setup.blockSize;
        state.counters["samples/s"] = benchmark::Counter (frames, benchmark::Counter::kIsRate);
        state.counters["x_realtime"] = benchmark::Counter (frames / setup.rate, benchmark::Counter::kIsRate);
    }

    void inProcess (benchmark::State& state, Setup setup)
    {
        EmberLashAudioProcessor processor;

        if (! processor.setBusesLayout (layoutFor (setup.channels)))
        {
            state.SkipWithError ("the layout was refused");
            return;
        }

        processor.prepareToPlay (setup.rate, setup.blockSize);

        std::array<juce::AudioProcessorParameter*, std::size (swings)> parameters {};
        for (size_t i = 0; i < parameters.size(); ++i)
            parameters[i] = processor.valueTreeState.getParameter (swings[i].id);

        runBlocks (state, setup, processor, parameters);
        processor.releaseResources();
    }

    void hosted (benchmark::State& state, Setup setup)
    {
        juce::String error;
        auto instance = loadBundle (setup.rate, setup.blockSize, error);

        if (instance == nullptr)
        {
            state.SkipWithError (error.toRawUTF8());
            return;
        }

        if (! instance->setBusesLayout (layoutFor (setup.channels)))
        {
            state.SkipWithError ("the hosted plug-in refused the layout");
            return;
        }

        instance->prepareToPlay (setup.rate, setup.blockSize);

        std::array<juce::AudioProcessorParameter*, std::size (swings)> parameters {};
        for (size_t i = 0; i < parameters.size(); ++i)
        {
            for (auto* p : instance->getParameters())
                if (p->getName (100) == swings[i].name)
                    parameters[i] = p;

            if (parameters[i] == nullptr)
            {
                state.SkipWithError ("a parameter is missing in the hosted plug-in");
                return;
            }
        }

        runBlocks (state, setup, *instance, parameters);
        instance->releaseResources();
    }

    //==========================================================================
    // Stages on their own, to show what bounds the whole: the framework's
    // reverb, and the ten band filters run one sample at a time.
    void reverbStage (benchmark::State& state, double rate, int blockSize)
    {
        juce::Reverb reverb;
        reverb.setSampleRate (rate);
        juce::Reverb::Parameters parameters;
        parameters.roomSize = 0.255f;
        parameters.damping = 0.42f;
        parameters.wetLevel = 0.2f;
        parameters.dryLevel = 0.96f;
        parameters.width = 1.0f;
        parameters.freezeMode = 0.0f;
        reverb.setParameters (parameters);

        const auto& source = sourceFor (rate, 2);
        juce::AudioBuffer<float> buffer (2, blockSize);
        int position = 0;

        for (auto _ : state)
        {
            nextBlock (source, buffer, position);
            reverb.setParameters (parameters);
            reverb.processStereo (buffer.getWritePointer (0), buffer.getWritePointer (1), blockSize);
            benchmark::ClobberMemory();
        }

        const auto frames = (double) state.iterations() * blockSize;
        state.counters["samples/s"] = benchmark::Counter (frames, benchmark::Counter::kIsRate);
        state.counters["x_realtime"] = benchmark::Counter (frames / rate, benchmark::Counter::kIsRate);
    }

    void filterStage (benchmark::State& state, double rate, int blockSize)
    {
        using Coefficients = juce::dsp::IIR::Coefficients<float>;
        std::array<std::array<juce::dsp::IIR::Filter<float>, 5>, 2> filters;

        for (auto& set : filters)
        {
            set[0].coefficients = Coefficients::makeLowPass (rate, 180.0f);
            set[1].coefficients = Coefficients::makeHighPass (rate, 3300.0f);
            set[2].coefficients = Coefficients::makeBandPass (rate, 340.0f, 0.7f);
            set[3].coefficients = Coefficients::makeBandPass (rate, 2300.0f, 0.8f);
            set[4].coefficients = Coefficients::makeHighPass (rate, 5200.0f);
        }

        const auto& source = sourceFor (rate, 2);
        int position = 0;
        float sink = 0.0f;

        for (auto _ : state)
        {
            const auto* left = source.channels[0].data() + position;
            const auto* right = source.channels[1].data() + position;

            for (int i = 0; i < blockSize; ++i)
            {
                float sum = 0.0f;
                for (auto& f : filters[0])
                    sum += f.processSample (left[i]);
                for (auto& f : filters[1])
                    sum += f.processSample (right[i]);
                sink += sum;
            }

            position += blockSize;
            if (position >= source.length)
                position = 0;

            benchmark::DoNotOptimize (sink);
        }

        const auto frames = (double) state.iterations() * blockSize;
        state.counters["samples/s"] = benchmark::Counter (frames, benchmark::Counter::kIsRate);
        state.counters["x_realtime"] = benchmark::Counter (frames / rate, benchmark::Counter::kIsRate);
    }

    //==========================================================================
    std::string nameOf (const char* kind, const Setup& s)
    {
        return std::string (kind) + "/" + std::to_string ((int) s.rate) + "Hz/"
             + (s.channels == 1 ? "mono/" : "stereo/") + std::to_string (s.blockSize)
             + (s.ramps ? "/ramps" : "/steady");
    }

    // In-process and hosted figures of one setup are registered next to each
    // other, so that they run close together in time.
    const bool registered = []
    {
        for (const auto rate : { 44100.0, 48000.0, 96000.0 })
            for (const auto channels : { 2, 1 })
                for (const auto ramps : { false, true })
                    for (const auto blockSize : { 32, 64, 128, 256, 512, 1024, 2048 })
                    {
                        const Setup setup { rate, channels, blockSize, ramps };
                        benchmark::RegisterBenchmark (nameOf ("InProcess", setup).c_str(), inProcess, setup);
                        benchmark::RegisterBenchmark (nameOf ("Hosted", setup).c_str(), hosted, setup);
                    }

        for (const auto blockSize : { 64, 512, 2048 })
        {
            const auto suffix = "/48000Hz/stereo/" + std::to_string (blockSize);
            benchmark::RegisterBenchmark (("Stage/JuceReverb" + suffix).c_str(), reverbStage, 48000.0, blockSize);
            benchmark::RegisterBenchmark (("Stage/JuceFilters" + suffix).c_str(), filterStage, 48000.0, blockSize);
        }

        return true;
    }();
}
