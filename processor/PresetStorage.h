#pragma once

#include <juce_data_structures/juce_data_structures.h>

#include "processor/ProductInfo.h"

// The user preset files: one XML file per preset in
// <application data>/<company>/<product>/version_<version>/Presets.
// Keeps no cache; every call goes to the file system.
//
// A listed name leads to the one file it was listed from, whatever that file
// is called (files may be copied in or renamed by hand); the sanitised file
// name is only for names that are typed: the name a preset is saved under
// (when no listed preset has it) and the new name of a rename.
class PresetStorage
{
public:
    // Far above any preset (about 500 bytes); a bigger file is not read.
    static constexpr size_t maxPresetFileBytes = 1 << 20;

    juce::File getVersionFolder() const;
    juce::File getPresetsFolder() const;
    static juce::String sanitisePresetName (const juce::String& name);
    juce::File getPresetFile (const juce::String& name) const;

    // The file that listPresetNames gives this name for, or no file.
    juce::File findListedFile (const juce::String& name) const;

    juce::StringArray listPresetNames() const;
    bool savePresetFile (const juce::String& name, const juce::ValueTree& tree) const;
    bool loadPresetFile (const juce::String& name, juce::ValueTree& tree) const;
    bool deletePresetFile (const juce::String& name) const;
    bool renamePresetFile (const juce::String& oldName, const juce::String& newName) const;

    ProductInfo productInfo;
};
