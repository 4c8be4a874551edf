#include <gtest/gtest.h>

#include "tests/ProcessorTestUtils.h"

using namespace testing_support;

namespace
{
    // The factory presets as they are meant to be, written out here rather
    // than taken from the code's table, so that a wrong number there fails.
    struct Row
    {
        const char* name;
        float mode, tight, body, bite, fizz, air, width, room, mix;
    };

    const Row expectedRows[] {
        //  name             mode tight body   bite   fizz   air    width room mix
        { "Studio Tight",    0,   3.0f, 1.0f,  2.5f,  -4.0f, 1.0f,  104, 14, 78 },
        { "Full Stack",      1,   2.5f, 3.5f,  5.0f,  -3.0f, 0.0f,  114, 20, 74 },
        { "Chugs",           2,   5.5f, 1.0f,  6.0f,  -4.5f, -0.5f, 96,  8,  82 },
        { "Airy Leads",      0,   0.5f, 2.5f,  4.0f,  -1.0f, 2.5f,  130, 28, 72 },
        { "Wide Cleans",     0,   1.5f, 2.0f,  1.5f,  -0.5f, 2.0f,  156, 24, 68 },
        { "Fuzz Tamer",      1,   1.5f, 2.5f,  -1.0f, -6.5f, -1.0f, 100, 10, 76 },
        { "Dense Rhythm",    1,   3.0f, 4.5f,  3.0f,  -3.5f, -0.5f, 110, 18, 84 },
        { "Amp Finish",      1,   2.5f, 2.5f,  4.0f,  -3.5f, 1.0f,  120, 25, 70 },
        { "Cab Glue",        0,   2.0f, 3.5f,  1.5f,  -2.0f, 0.5f,  102, 12, 80 },
        { "Edge Driver",     2,   3.5f, 1.5f,  6.5f,  1.5f,  1.0f,  108, 10, 77 },
        { "Low End Focus",   1,   4.5f, -0.5f, 2.0f,  -2.0f, -0.5f, 98,  6,  82 },
        { "Scooped Width",   0,   2.0f, -1.5f, 3.0f,  -1.5f, 1.5f,  148, 20, 66 },
        { "Lead Lift",       0,   1.0f, 3.0f,  5.5f,  1.0f,  3.0f,  124, 18, 74 },
        { "Dark 4x12",       1,   2.5f, 2.5f,  1.0f,  -5.5f, -2.0f, 100, 14, 79 },
    };

    // For any other name: the values of Amp Finish.
    const Row expectedFallback { "", 1, 2.5f, 2.5f, 4.0f, -3.5f, 1.0f, 120, 25, 70 };

    std::map<std::string, float> valuesOf (const Row& r)
    {
        return { { "power", 1.0f }, { "mode", r.mode }, { "tight", r.tight }, { "body", r.body }, { "bite", r.bite },
                 { "fizz", r.fizz }, { "air", r.air }, { "width", r.width }, { "room", r.room }, { "mix", r.mix } };
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

TEST (FactoryPresets, EveryPresetHasItsValuesSwitchesPowerOnAndLeavesOutputAlone)
{
    for (const auto& preset : expectedRows)
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
    EmberLashAudioProcessor ampFinish;
    ampFinish.loadFactoryPreset ("Amp Finish");

    for (auto name : { "full stack", "No Such Preset", "" })
    {
        SCOPED_TRACE (name);
        EmberLashAudioProcessor processor;
        processor.loadFactoryPreset ("Chugs");
        processor.loadFactoryPreset (name);
        expectValues (processor, valuesOf (expectedFallback));
        EXPECT_EQ (snapshot (processor), snapshot (ampFinish)) << "the fallback is Amp Finish";
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
