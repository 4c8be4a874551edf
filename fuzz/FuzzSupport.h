#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include "processor/EmberLashAudioProcessor.h"
#include "tests/ProcessorTestUtils.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size);

// Shared by the fuzz targets: a message manager, a home folder of their own,
// and the checks every target makes of the processor.
namespace fuzz_support
{
    inline juce::File makeHome()
    {
        const auto home = juce::File::getSpecialLocation (juce::File::tempDirectory)
                              .getChildFile ("emberlash-fuzz-" + juce::String (getpid()));
        home.deleteRecursively();
        home.getChildFile ("config").createDirectory();
        setenv ("HOME", home.getFullPathName().toRawUTF8(), 1);
        setenv ("XDG_CONFIG_HOME", home.getChildFile ("config").getFullPathName().toRawUTF8(), 1);
        return home;
    }

    [[noreturn]] inline void fail (const char* what, const juce::String& detail = {})
    {
        std::fprintf (stderr, "contract broken: %s %s\n", what, detail.toRawUTF8());
        std::abort();
    }

    // A framework assertion is a fault, as it is in the test programs: the
    // target stops at the first one, unless a target says it expects one.
    // Declared first in a fixture, so that it also covers the framework's
    // start-up.
    struct FrameworkAssertionsFail final : juce::Logger
    {
        FrameworkAssertionsFail()           { juce::Logger::setCurrentLogger (this); }
        ~FrameworkAssertionsFail() override { juce::Logger::setCurrentLogger (nullptr); }

        void logMessage (const juce::String& message) override
        {
            if (message.startsWith ("JUCE Assertion failure") && ! expected)
                fail ("a framework assertion:", message);

            std::fprintf (stderr, "%s\n", message.toRawUTF8());
        }

        bool expected = false;
    };

    // What every target's fixture starts with, in this order: the assertion
    // check, the framework, and a home folder of the target's own.
    struct FuzzEnvironment
    {
        FrameworkAssertionsFail assertionsFail;
        juce::ScopedJuceInitialiser_GUI juce;
        juce::File home = makeHome();
    };

    using testing_support::snapshot;
    using testing_support::presetState;
    using testing_support::PresetState;

    // Every parameter finite and inside its range, both as the audio thread
    // reads it and as the host sees it.
    inline void expectParametersInRange (EmberLashAudioProcessor& p)
    {
        for (const auto& id : p.parameterIds)
        {
            auto* parameter = p.valueTreeState.getParameter (juce::String (id));
            const auto range = parameter->getNormalisableRange();
            const auto value = p.getParameterValue (juce::String (id));
            const auto normalised = parameter->getValue();

            if (! std::isfinite (value) || value < range.start || value > range.end)
                fail ("parameter out of range:", juce::String (id) + " = " + juce::String (value));

            if (! std::isfinite (normalised) || normalised < 0.0f || normalised > 1.0f)
                fail ("normalised value out of range:", juce::String (id) + " = " + juce::String (normalised));
        }

        if (p.getCurrentPresetName().isEmpty())
            fail ("empty current preset name");
    }

    // A known state to start every input from.
    inline void setBaseline (EmberLashAudioProcessor& p, const juce::MemoryBlock& baseline)
    {
        p.setStateInformation (baseline.getData(), (int) baseline.getSize());
        p.setCurrentPreset ("Baseline", true, true);
    }

    inline juce::MemoryBlock makeBaseline()
    {
        EmberLashAudioProcessor p;
        const std::pair<const char*, float> values[] { { "power", 0 }, { "mode", 2 }, { "tight", -4.5f },
                                                       { "width", 33.0f }, { "output", -6.0f } };
        for (const auto& [id, v] : values)
            p.setParameterValue (id, v);

        juce::MemoryBlock block;
        p.getStateInformation (block);
        return block;
    }
}
