#include <gtest/gtest.h>

#include "tests/ProcessorTestUtils.h"
#include "tests/TempHome.h"

using namespace testing_support;

namespace
{
    class UserPresets : public testing::Test
    {
    protected:
        juce::File file (const juce::String& name) const { return home.presets().getChildFile (name + ".xml"); }

        TempHome home;
        EmberLashAudioProcessor processor;
    };

    // Records whether processing was suspended while a parameter changed.
    struct SuspensionProbe final : juce::AudioProcessorValueTreeState::Listener
    {
        explicit SuspensionProbe (EmberLashAudioProcessor& p) : processor (p)
        {
            processor.valueTreeState.addParameterListener ("tight", this);
        }

        ~SuspensionProbe() override { processor.valueTreeState.removeParameterListener ("tight", this); }

        void parameterChanged (const juce::String&, float) override
        {
            ++changes;
            suspendedEveryTime = suspendedEveryTime && processor.isSuspended();
        }

        EmberLashAudioProcessor& processor;
        int changes = 0;
        bool suspendedEveryTime = true;
    };
}

TEST_F (UserPresets, SaveWritesTheStateAndMakesItCurrent)
{
    setPlain (processor, "tight", -6.0f);
    ASSERT_TRUE (processor.saveUserPreset ("My Preset!"));

    ASSERT_TRUE (file ("My Preset").existsAsFile());
    auto xml = juce::parseXML (file ("My Preset"));
    ASSERT_NE (xml, nullptr);
    EXPECT_TRUE (xml->hasTagName ("PARAMETERS"));
    EXPECT_EQ (xml->getNumChildElements(), 11);
    EXPECT_EQ (xml->getChildByAttribute ("id", "tight")->getDoubleAttribute ("value"), -6.0);

    EXPECT_EQ (presetState (processor), (PresetState { "My Preset!", true, "My Preset!" }));
    EXPECT_EQ (processor.getUserPresetNames(), juce::StringArray ({ "My Preset" }));

    // The current name is the typed one, so deleting the file by its listed
    // name leaves the current name alone.
    EXPECT_TRUE (processor.deleteUserPreset ("My Preset"));
    EXPECT_EQ (processor.getCurrentPresetName(), "My Preset!");
}

TEST_F (UserPresets, OverwriteReplacesTheFile)
{
    setPlain (processor, "air", 1.0f);
    ASSERT_TRUE (processor.saveUserPreset ("Same"));
    setPlain (processor, "air", -9.0f);
    ASSERT_TRUE (processor.saveUserPreset ("Same"));

    EXPECT_EQ (juce::parseXML (file ("Same"))->getChildByAttribute ("id", "air")->getDoubleAttribute ("value"), -9.0);
    EXPECT_EQ (processor.getUserPresetNames().size(), 1);
}

TEST_F (UserPresets, SavingUnderAFactoryNameMakesAUserPreset)
{
    processor.loadFactoryPreset ("Chugs");
    ASSERT_TRUE (processor.saveUserPreset ("Chugs"));
    EXPECT_EQ (presetState (processor), (PresetState { "Chugs", true, "Chugs" }));
    EXPECT_TRUE (file ("Chugs").existsAsFile());
}

TEST_F (UserPresets, LoadKeepsTheOutputLevelAndSuspendsProcessing)
{
    setPlain (processor, "output", 6.0f);
    setPlain (processor, "tight", 8.0f);
    setPlain (processor, "mode", 0.0f);
    ASSERT_TRUE (processor.saveUserPreset ("Loud"));

    setPlain (processor, "output", -3.0f);
    setPlain (processor, "tight", -1.0f);
    setPlain (processor, "mode", 2.0f);
    processor.setCurrentPreset ("Other", false, true);

    SuspensionProbe probe (processor);
    ASSERT_TRUE (processor.loadUserPreset ("Loud"));

    EXPECT_FLOAT_EQ (plain (processor, "output"), -3.0f);
    EXPECT_FLOAT_EQ (plain (processor, "tight"), 8.0f);
    EXPECT_FLOAT_EQ (plain (processor, "mode"), 0.0f);
    EXPECT_EQ (presetState (processor), (PresetState { "Loud", true, "Loud" }));

    EXPECT_GT (probe.changes, 0);
    EXPECT_TRUE (probe.suspendedEveryTime);
    EXPECT_FALSE (processor.isSuspended());
}

TEST_F (UserPresets, LoadOfAFileWithoutOutputOrWithUiAttributes)
{
    home.presets().createDirectory();
    ASSERT_TRUE (file ("Partial").replaceWithText (
        "<PARAMETERS uiCurrentPresetName=\"Stale\" uiCurrentPresetIsUser=\"0\" uiCurrentPresetModified=\"1\">"
        "<PARAM id=\"bite\" value=\"-7\"/><PARAM id=\"room\" value=\"nan\"/></PARAMETERS>"));

    setPlain (processor, "output", 4.0f);
    setPlain (processor, "room", 60.0f);
    ASSERT_TRUE (processor.loadUserPreset ("Partial"));

    EXPECT_FLOAT_EQ (plain (processor, "output"), 4.0f);
    EXPECT_FLOAT_EQ (plain (processor, "bite"), -7.0f);
    EXPECT_FLOAT_EQ (plain (processor, "room"), 25.0f) << "an unreadable value gives the default";
    EXPECT_EQ (presetState (processor), (PresetState { "Partial", true, "Partial" }));
}

TEST_F (UserPresets, FailedLoadTouchesNothing)
{
    home.presets().createDirectory();
    ASSERT_TRUE (file ("Broken").replaceWithText ("<PARAMETERS><PARAM"));
    setPlain (processor, "fizz", -2.0f);
    processor.setCurrentPreset ("Kept", true, true);
    const auto before = snapshot (processor);

    for (auto name : { "Broken", "Missing" })
    {
        SuspensionProbe probe (processor);
        EXPECT_FALSE (processor.loadUserPreset (name));
        EXPECT_EQ (probe.changes, 0);
        EXPECT_EQ (snapshot (processor), before);
        EXPECT_EQ (presetState (processor), (PresetState { "Kept", true, "Kept *" }));
        EXPECT_FALSE (processor.isSuspended());
    }
}

TEST_F (UserPresets, DeleteClearsOnlyTheCurrentPreset)
{
    ASSERT_TRUE (processor.saveUserPreset ("Other"));
    ASSERT_TRUE (processor.saveUserPreset ("Current"));

    EXPECT_TRUE (processor.deleteUserPreset ("Other"));
    EXPECT_FALSE (file ("Other").exists());
    EXPECT_EQ (processor.getCurrentPresetName(), "Current");

    EXPECT_FALSE (processor.deleteUserPreset ("Nothing"));
    EXPECT_EQ (processor.getCurrentPresetName(), "Current");

    processor.setCurrentPreset ("CURRENT", true, true);
    EXPECT_TRUE (processor.deleteUserPreset ("Current"));
    EXPECT_EQ (presetState (processor), (PresetState { "Presets", false, "Presets" }));
    EXPECT_FALSE (processor.deleteUserPreset ("Current"));
}

TEST_F (UserPresets, RenameOfTheCurrentModifiedPreset)
{
    ASSERT_TRUE (processor.saveUserPreset ("Old"));
    setPlain (processor, "width", 40.0f);
    ASSERT_EQ (processor.getCurrentPresetDisplayName(), "Old *");

    EXPECT_TRUE (processor.renameUserPreset ("Old", "New"));
    EXPECT_EQ (presetState (processor), (PresetState { "New", true, "New" }));
    EXPECT_TRUE (file ("New").existsAsFile());
    EXPECT_FALSE (file ("Old").exists());

    ASSERT_TRUE (processor.saveUserPreset ("Taken"));
    EXPECT_FALSE (processor.renameUserPreset ("New", "Taken"));
    EXPECT_TRUE (file ("New").existsAsFile());
    EXPECT_EQ (processor.getCurrentPresetName(), "Taken");

    processor.setCurrentPreset ("Factory", false, true);
    EXPECT_TRUE (processor.renameUserPreset ("New", "Newer"));
    EXPECT_EQ (presetState (processor), (PresetState { "Factory", false, "Factory *" })) << "not the current preset";
}

TEST_F (UserPresets, SetParameterValueSnapsAndClamps)
{
    processor.setParameterValue ("tight", 3.004f);
    EXPECT_FLOAT_EQ (plain (processor, "tight"), 3.0f);
    processor.setParameterValue ("width", 999.0f);
    EXPECT_FLOAT_EQ (plain (processor, "width"), 200.0f);
    processor.setParameterValue ("mode", 1.6f);
    EXPECT_FLOAT_EQ (plain (processor, "mode"), 2.0f);
    processor.setParameterValue ("nonexistent", 1.0f);
}
