// Host state chunks: a rejected chunk changes nothing; an accepted one leaves
// every parameter inside its range.
#include "fuzz/FuzzSupport.h"

#include "processor/StoredXml.h"

using namespace fuzz_support;

namespace
{
    // The block is taken when its header is right and its text is UTF-8 XML
    // of a sane depth that parses.
    bool isReadable (const uint8_t* data, size_t size)
    {
        if (size <= 8 || juce::ByteOrder::littleEndianInt (data) != 0x21324356)
            return false;

        const auto length = (int) juce::ByteOrder::littleEndianInt (data + 4);

        if (length <= 0)
            return false;

        return StoredXml::parse (reinterpret_cast<const char*> (data) + 8,
                                 (size_t) juce::jmin ((int) size - 8, length)) != nullptr;
    }

    struct Fixture : FuzzEnvironment
    {
        juce::MemoryBlock baseline = makeBaseline();
        EmberLashAudioProcessor processor;
    };
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    static Fixture f;

    setBaseline (f.processor, f.baseline);
    const auto before = snapshot (f.processor);
    const auto presetBefore = presetState (f.processor);

    f.processor.setStateInformation (data, (int) size);

    if (! isReadable (data, size))
    {
        if (snapshot (f.processor) != before)
            fail ("a rejected chunk changed a parameter");
        if (! (presetState (f.processor) == presetBefore))
            fail ("a rejected chunk changed the preset state");
    }

    expectParametersInRange (f.processor);

    // The state goes out again as a chunk that reads back.
    juce::MemoryBlock saved;
    f.processor.getStateInformation (saved);
    if (! isReadable (static_cast<const uint8_t*> (saved.getData()), saved.getSize()))
        fail ("the saved state does not read back");

    return 0;
}
