#pragma once

#include <gtest/gtest.h>

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>

// Loads the VST3 bundle built in this tree through JUCE's VST3 hosting, as a
// host would.
struct HostedPlugin
{
    static juce::File bundle() { return juce::File (EMBERLASH_BUNDLE_PATH); }

    static std::unique_ptr<juce::PluginDescription> describe()
    {
        juce::VST3PluginFormat format;
        juce::OwnedArray<juce::PluginDescription> found;
        format.findAllTypesForFile (found, bundle().getFullPathName());

        if (found.size() != 1)
            return {};

        return std::make_unique<juce::PluginDescription> (*found.getFirst());
    }

    static std::unique_ptr<juce::AudioPluginInstance> load (double sampleRate = 48000.0, int blockSize = 512)
    {
        auto description = describe();

        if (description == nullptr)
            return {};

        juce::VST3PluginFormat format;
        juce::String error;
        auto instance = format.createInstanceFromDescription (*description, sampleRate, blockSize, error);

        if (instance == nullptr)
            ADD_FAILURE() << "the host could not load the bundle: " << error;

        return instance;
    }

    // The hosted parameter whose name is given (the host sees names, not ids).
    static juce::AudioProcessorParameter* parameterNamed (juce::AudioPluginInstance& instance, const juce::String& name)
    {
        for (auto* p : instance.getParameters())
            if (p->getName (100) == name)
                return p;

        return nullptr;
    }
};
