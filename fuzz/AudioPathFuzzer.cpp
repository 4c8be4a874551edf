// The audio path: whatever the samples (any float bits), block sizes,
// parameter changes and sample rates from 1000 to 384000 Hz, every output
// sample is a finite number, the meters stay finite and inside 0..1, and
// processBlock neither allocates, frees nor locks. A framework assertion
// fails the input too, but for the range check that a host's parameter
// value outside 0..1 trips where it enters the framework.
//
// An input is a header and then blocks, all numbers little-endian:
//   header: u32 rate (0 to 2^32 - 1 spans 1000 to 384000 Hz), u8 layout (bit
//           0: mono), u16 block size given to prepareToPlay (1 to 4096)
//   block:  u8 flags (bits 0-1: number of parameter changes, bit 2: prepare
//           again at a new rate), [u32 rate], per change u8 parameter index
//           and f32 normalised value (any bits), u16 number of samples (0 to
//           4096), then the samples channel by channel as f32 bits; samples
//           beyond the end of the input are zeros, and the input ends there.
#include "fuzz/FuzzSupport.h"
#include "tests/AllocationCounter.h"

#include <cstring>

using namespace fuzz_support;

namespace
{
    struct Fixture : FuzzEnvironment
    {
        EmberLashAudioProcessor processor;
        juce::AudioBuffer<float> buffer { 2, 4096 };
        juce::MidiBuffer midi;
    };

    struct Reader
    {
        const uint8_t* data;
        size_t size, position = 0;

        bool atEnd() const { return position >= size; }

        template <typename T>
        T read()
        {
            uint8_t bytes[sizeof (T)] {};
            for (auto& b : bytes)
                b = position < size ? data[position++] : 0;

            T value;
            std::memcpy (&value, bytes, sizeof (T));
            return value;
        }
    };

    double rateFrom (uint32_t bits)
    {
        return 1000.0 + 383000.0 * ((double) bits / 4294967295.0);
    }

    juce::AudioProcessor::BusesLayout layoutWith (const juce::AudioChannelSet& set)
    {
        juce::AudioProcessor::BusesLayout layout;
        layout.inputBuses.add (set);
        layout.outputBuses.add (set);
        return layout;
    }

    void setNormalised (Fixture& f, juce::AudioProcessorParameter& parameter, float value)
    {
        // The framework asserts on a value outside 0..1 (a NaN included) and
        // passes it on; a host can send one all the same.
        const juce::ScopedValueSetter<bool> expected (f.assertionsFail.expected, ! (value >= 0.0f && value <= 1.0f));
        parameter.setValueNotifyingHost (value);
    }

    void expectMetersInRange (EmberLashAudioProcessor& p)
    {
        const float levels[] { p.getInputLevel (0), p.getInputLevel (1), p.getOutputLevel (0),
                               p.getOutputLevel (1), p.getClipLevel() };

        for (const auto level : levels)
            if (! (level >= 0.0f && level <= 1.0f))
                fail ("a meter level outside 0..1:", juce::String (level));
    }
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    static Fixture f;
    auto& processor = f.processor;
    Reader in { data, size };

    // Every input starts from the defaults.
    for (auto* parameter : processor.getParameters())
        parameter->setValueNotifyingHost (parameter->getDefaultValue());

    auto rate = rateFrom (in.read<uint32_t>());
    const auto mono = (in.read<uint8_t>() & 1) != 0;
    const auto preparedSize = 1 + in.read<uint16_t>() % 4096;

    if (! processor.setBusesLayout (layoutWith (mono ? juce::AudioChannelSet::mono() : juce::AudioChannelSet::stereo())))
        fail ("a layout was refused");

    const auto channels = processor.getTotalNumInputChannels();
    processor.prepareToPlay (rate, preparedSize);

    for (int block = 0; block < 64 && ! in.atEnd(); ++block)
    {
        const auto flags = in.read<uint8_t>();

        if ((flags & 4) != 0)
        {
            rate = rateFrom (in.read<uint32_t>());
            processor.prepareToPlay (rate, preparedSize);
        }

        for (int change = 0; change < (flags & 3); ++change)
        {
            const auto index = in.read<uint8_t>() % processor.getParameters().size();
            setNormalised (f, *processor.getParameters()[index], in.read<float>());
        }

        const auto n = in.read<uint16_t>() % 4097;
        f.buffer.setSize (channels, n, false, false, true);

        for (int c = 0; c < channels; ++c)
            for (int i = 0; i < n; ++i)
                f.buffer.setSample (c, i, in.read<float>());

        testing_support::HeapAndLockCalls calls;
        {
            const testing_support::ScopedAllocationCounter counter;
            processor.processBlock (f.buffer, f.midi);
            calls = counter.calls();
        }

        if (! calls.none())
            fail ("processBlock allocated, freed or locked:",
                  juce::String (calls.allocations) + " allocations, " + juce::String (calls.frees) + " frees, "
                      + juce::String (calls.locks) + " locks at " + juce::String (rate) + " Hz");

        for (int c = 0; c < channels; ++c)
            for (int i = 0; i < n; ++i)
                if (! std::isfinite (f.buffer.getSample (c, i)))
                    fail ("an output sample that is not finite:",
                          juce::String (f.buffer.getSample (c, i)) + " at " + juce::String (rate) + " Hz");

        expectMetersInRange (processor);
    }

    return 0;
}
