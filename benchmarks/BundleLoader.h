#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>

// The VST3 bundle built in this tree, loaded through JUCE's VST3 hosting as a
// host loads it.
inline std::unique_ptr<juce::AudioPluginInstance> loadBundle (double rate, int blockSize, juce::String& error)
{
    juce::VST3PluginFormat format;
    juce::OwnedArray<juce::PluginDescription> found;
    format.findAllTypesForFile (found, juce::File (EMBERLASH_BUNDLE_PATH).getFullPathName());

    if (found.size() != 1)
    {
        error = "the bundle " EMBERLASH_BUNDLE_PATH " was not found or holds no single plug-in";
        return {};
    }

    return format.createInstanceFromDescription (*found.getFirst(), rate, blockSize, error);
}
