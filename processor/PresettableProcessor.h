#pragma once

#include <juce_core/juce_core.h>

// Everything the editor may ask of the processor about presets.
class PresettableProcessor
{
public:
    virtual ~PresettableProcessor();

    virtual juce::StringArray getFactoryPresetNames() = 0;
    virtual juce::StringArray getUserPresetNames() = 0;
    virtual void loadFactoryPreset (const juce::String& name) = 0;
    virtual bool saveUserPreset (const juce::String& name) = 0;
    virtual bool loadUserPreset (const juce::String& name) = 0;
    virtual bool deleteUserPreset (const juce::String& name) = 0;
    virtual bool renameUserPreset (const juce::String& oldName, const juce::String& newName) = 0;
    virtual juce::String getCurrentPresetName() = 0;
    virtual juce::String getCurrentPresetDisplayName() = 0;
    virtual bool isCurrentPresetUser() = 0;

    // The rest of the current preset state, so that a flow that moves presets
    // aside and back can leave it exactly as it found it when a step fails.
    virtual bool isCurrentPresetModified() = 0;
    virtual void setCurrentPreset (const juce::String& name, bool isUser, bool isModified) = 0;
};
