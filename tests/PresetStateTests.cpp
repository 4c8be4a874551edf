#include <gtest/gtest.h>

#include "tests/ProcessorTestUtils.h"

#include <thread>

using namespace testing_support;

namespace
{
    struct StateCase
    {
        const char* description;
        std::function<void (EmberLashAudioProcessor&)> act;
        PresetState expected;
    };

    class PresetStateTable : public testing::TestWithParam<StateCase> {};
}

TEST_P (PresetStateTable, FollowsTheStateTable)
{
    EmberLashAudioProcessor processor;
    GetParam().act (processor);
    EXPECT_EQ (presetState (processor), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P (CurrentPreset, PresetStateTable, testing::Values (
    StateCase { "new processor", [] (auto&) {}, { "Presets", false, "Presets" } },
    StateCase { "knob moved with no preset",
                [] (auto& p) { setPlain (p, "tight", -4.0f); },
                { "Presets", false, "Presets *" } },
    StateCase { "empty name stored as none",
                [] (auto& p) { p.setCurrentPreset ("", true, false); },
                { "Presets", true, "Presets" } },
    StateCase { "factory preset, then output moved",
                [] (auto& p) { p.setCurrentPreset ("Cab Glue", false, false); setPlain (p, "output", -3.0f); },
                { "Cab Glue", false, "Cab Glue *" } },
    StateCase { "factory preset, then power switched",
                [] (auto& p) { p.setCurrentPreset ("Cab Glue", false, false); setPlain (p, "power", 0.0f); },
                { "Cab Glue", false, "Cab Glue *" } },
    StateCase { "changed and changed back",
                [] (auto& p)
                {
                    p.setCurrentPreset ("Lead", true, false);
                    setPlain (p, "mix", 10.0f);
                    setPlain (p, "mix", 70.0f);
                },
                { "Lead", true, "Lead *" } },
    StateCase { "changes while a restore runs",
                [] (auto& p)
                {
                    p.setCurrentPreset ("Lead", true, false);
                    p.restoringState = true;
                    setPlain (p, "bite", 9.0f);
                    setPlain (p, "output", 5.0f);
                    p.restoringState = false;
                },
                { "Lead", true, "Lead" } },
    StateCase { "change from another thread while a restore runs",
                [] (auto& p)
                {
                    p.setCurrentPreset ("Lead", true, false);
                    p.restoringState = true;
                    std::thread ([&p] { setPlain (p, "room", 80.0f); }).join();
                    p.restoringState = false;
                },
                { "Lead", true, "Lead" } },
    StateCase { "change from another thread afterwards",
                [] (auto& p)
                {
                    p.setCurrentPreset ("Lead", true, false);
                    std::thread ([&p] { setPlain (p, "room", 80.0f); }).join();
                },
                { "Lead", true, "Lead *" } },
    StateCase { "cleared",
                [] (auto& p) { p.setCurrentPreset ("Lead", true, true); p.clearCurrentPreset(); },
                { "Presets", false, "Presets" } }
), [] (const testing::TestParamInfo<StateCase>& param)
{
    return juce::String (param.param.description).retainCharacters ("abcdefghijklmnopqrstuvwxyz ")
                                                .replaceCharacter (' ', '_').toStdString();
});

TEST (CurrentPreset, ModifiedFlagSetByPresetCallIsKept)
{
    EmberLashAudioProcessor processor;
    processor.setCurrentPreset ("Chugs", false, true);
    EXPECT_EQ (processor.getCurrentPresetDisplayName(), "Chugs *");
    EXPECT_FALSE (processor.isCurrentPresetUser());
}
