#include <gtest/gtest.h>

#include "tests/ProcessorTestUtils.h"

using namespace testing_support;

namespace
{
    std::map<std::string, float> valuesOf (const FactoryPreset& p)
    {
        return { { "power", 1.0f }, { "mode", p.mode }, { "tight", p.tight }, { "body", p.body }, { "bite", p.bite },
                 { "fizz", p.fizz }, { "air", p.air }, { "width", p.width }, { "room", p.room }, { "mix", p.mix } };
    }

    void expectValues (EmberLashAudioProcessor& processor, const std::map<std::string, float>& expected)
    {
        for (const auto& [id, value] : expected)
            EXPECT_NEAR (plain (processor, id), value, 1e-4) << id;
    }
}

TEST (FactoryPresets, NamesInMenuOrder)
{
    EmberLashAudioProcessor processor;
    EXPECT_EQ (processor.getFactoryPresetNames(),
               juce::StringArray ({ "Studio Tight", "Full Stack", "Chugs", "Airy Leads", "Wide Cleans", "Fuzz Tamer",
                                    "Dense Rhythm", "Amp Finish", "Cab Glue", "Edge Driver", "Low End Focus",
                                    "Scooped Width", "Lead Lift", "Dark 4x12" }));
}

TEST (FactoryPresets, FullStackAndChugs)
{
    EmberLashAudioProcessor processor;
    processor.loadFactoryPreset ("Full Stack");
    expectValues (processor, { { "mode", 1 }, { "tight", 2.5f }, { "body", 3.5f }, { "bite", 5.0f }, { "fizz", -3.0f },
                               { "air", 0.0f }, { "width", 114 }, { "room", 20 }, { "mix", 74 } });

    processor.loadFactoryPreset ("Chugs");
    expectValues (processor, { { "mode", 2 }, { "tight", 5.5f }, { "body", 1.0f }, { "bite", 6.0f }, { "fizz", -4.5f },
                               { "air", -0.5f }, { "width", 96 }, { "room", 8 }, { "mix", 82 } });
    EXPECT_EQ (presetState (processor), (PresetState { "Chugs", false, "Chugs" }));
}

TEST (FactoryPresets, EveryPresetSwitchesPowerOnAndLeavesOutputAlone)
{
    for (const auto& preset : factoryPresets)
    {
        SCOPED_TRACE (preset.name);
        EmberLashAudioProcessor processor;
        setPlain (processor, "power", 0.0f);
        setPlain (processor, "output", -7.5f);
        processor.setCurrentPreset ("Mine", true, true);

        processor.loadFactoryPreset (preset.name);
        expectValues (processor, valuesOf (preset));
        EXPECT_FLOAT_EQ (plain (processor, "output"), -7.5f);
        EXPECT_TRUE (processor.isPowerOn());
        EXPECT_EQ (presetState (processor), (PresetState { preset.name, false, preset.name }));

        setPlain (processor, "output", 0.0f);
        EXPECT_EQ (processor.getCurrentPresetDisplayName(), juce::String (preset.name) + " *");
    }
}

TEST (FactoryPresets, UnknownOrMiscasedNamesApplyTheFallback)
{
    for (auto name : { "full stack", "No Such Preset", "" })
    {
        SCOPED_TRACE (name);
        EmberLashAudioProcessor processor;
        processor.loadFactoryPreset ("Chugs");
        processor.loadFactoryPreset (name);
        expectValues (processor, valuesOf (fallbackFactoryPreset));
        EXPECT_EQ (processor.getCurrentPresetName(), juce::String (name).isEmpty() ? "Presets" : name);
        EXPECT_FALSE (processor.isCurrentPresetUser());
    }
}

TEST (FactoryPresets, ApplyingTwiceIsStable)
{
    EmberLashAudioProcessor processor;
    processor.loadFactoryPreset ("Wide Cleans");
    const auto first = snapshot (processor);
    processor.loadFactoryPreset ("Wide Cleans");
    EXPECT_EQ (snapshot (processor), first);
    EXPECT_EQ (processor.getCurrentPresetDisplayName(), "Wide Cleans");
}
