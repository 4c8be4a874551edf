#pragma once

#include "processor/EmberLashAudioProcessor.h"

#include <map>
#include <string>

namespace testing_support
{
    // Sets a parameter from a plain value, as a host or the editor would.
    inline void setPlain (EmberLashAudioProcessor& p, const juce::String& id, float plain)
    {
        auto* parameter = p.valueTreeState.getParameter (id);
        jassert (parameter != nullptr);
        parameter->setValueNotifyingHost (parameter->convertTo0to1 (plain));
    }

    // A state block in the framework's XML wrapper around the given text.
    inline juce::MemoryBlock wrapChunk (const std::string& xmlText)
    {
        juce::MemoryBlock block;
        juce::MemoryOutputStream out (block, false);
        out.writeInt (0x21324356);
        out.writeInt ((int) xmlText.size());
        out.write (xmlText.data(), xmlText.size());
        out.writeByte (0);
        out.flush();
        return block;
    }

    inline float plain (EmberLashAudioProcessor& p, const juce::String& id)
    {
        return p.getParameterValue (id);
    }

    // Every parameter's plain value, by id.
    inline std::map<std::string, float> snapshot (EmberLashAudioProcessor& p)
    {
        std::map<std::string, float> values;
        for (const auto& id : p.parameterIds)
            values[id] = p.getParameterValue (juce::String (id));
        return values;
    }

    struct PresetState
    {
        juce::String name;
        bool isUser;
        juce::String displayName;

        bool operator== (const PresetState& o) const
        {
            return name == o.name && isUser == o.isUser && displayName == o.displayName;
        }
    };

    inline PresetState presetState (EmberLashAudioProcessor& p)
    {
        return { p.getCurrentPresetName(), p.isCurrentPresetUser(), p.getCurrentPresetDisplayName() };
    }

    inline std::ostream& operator<< (std::ostream& os, const PresetState& s)
    {
        return os << "{" << s.name << ", " << (s.isUser ? "user" : "factory") << ", " << s.displayName << "}";
    }
}
