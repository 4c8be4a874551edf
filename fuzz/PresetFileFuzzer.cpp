// User preset files: a file that does not load changes nothing; one that
// loads leaves every parameter inside its range and the output level alone.
#include "fuzz/FuzzSupport.h"

using namespace fuzz_support;

namespace
{
    struct Fixture : FuzzEnvironment
    {
        juce::MemoryBlock baseline = makeBaseline();
        EmberLashAudioProcessor processor;
        juce::File file = processor.presetStorage.getPresetFile ("Fuzz");
    };
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    static Fixture f;

    setBaseline (f.processor, f.baseline);
    const auto before = snapshot (f.processor);
    const auto presetBefore = presetState (f.processor);

    f.file.getParentDirectory().createDirectory();
    if (! f.file.replaceWithData (data, size))
        fail ("could not write the preset file");

    if (f.processor.loadUserPreset ("Fuzz"))
    {
        if (! juce::exactlyEqual (f.processor.getParameterValue ("output"), before.at ("output")))
            fail ("a user preset changed the output level");
        if (! (presetState (f.processor) == PresetState { "Fuzz", true, "Fuzz" }))
            fail ("a loaded preset is not current");
        if (f.processor.isSuspended())
            fail ("processing left suspended");
    }
    else
    {
        if (snapshot (f.processor) != before)
            fail ("a file that did not load changed a parameter");
        if (! (presetState (f.processor) == presetBefore))
            fail ("a file that did not load changed the preset state");
    }

    expectParametersInRange (f.processor);
    return 0;
}
