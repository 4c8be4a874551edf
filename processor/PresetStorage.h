#pragma once

#include <juce_data_structures/juce_data_structures.h>

#include "processor/ProductInfo.h"

// The user preset files: one XML file per preset in
// <application data>/<company>/<product>/version_<version>/Presets.
// Keeps no cache; every call goes to the file system.
class PresetStorage
{
public:
    juce::File getVersionFolder() const;
    juce::File getPresetsFolder() const;
    static juce::String sanitisePresetName (const juce::String& name);
    juce::File getPresetFile (const juce::String& name) const;

    juce::StringArray listPresetNames() const;
    bool savePresetFile (const juce::String& name, const juce::ValueTree& tree) const;
    bool loadPresetFile (const juce::String& name, juce::ValueTree& tree) const;
    bool deletePresetFile (const juce::String& name) const;
    bool renamePresetFile (const juce::String& oldName, const juce::String& newName) const;

    ProductInfo productInfo;
};
