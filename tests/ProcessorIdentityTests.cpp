#include <gtest/gtest.h>

#include "processor/EmberLashAudioProcessor.h"

#include <climits>
#include <cstdlib>
#include <map>
#include <optional>

namespace
{
    using Set = juce::AudioChannelSet;

    void setPlainValue (EmberLashAudioProcessor& processor, const juce::String& id, float value)
    {
        auto* parameter = processor.valueTreeState.getParameter (id);
        ASSERT_NE (parameter, nullptr) << id;
        parameter->setValueNotifyingHost (parameter->convertTo0to1 (value));
    }

    // Points HOME and XDG_CONFIG_HOME at a fresh empty folder for its lifetime.
    class ScopedUserFolders
    {
    public:
        ScopedUserFolders()
            : root (juce::File::createTempFile ("emberlash-home")),
              savedHome (read ("HOME")),
              savedConfig (read ("XDG_CONFIG_HOME"))
        {
            root.createDirectory();
            ::setenv ("HOME", root.getFullPathName().toRawUTF8(), 1);
            ::setenv ("XDG_CONFIG_HOME", root.getChildFile (".config").getFullPathName().toRawUTF8(), 1);
        }

        ~ScopedUserFolders()
        {
            restore ("HOME", savedHome);
            restore ("XDG_CONFIG_HOME", savedConfig);
            root.deleteRecursively();
        }

        const juce::File root;

    private:
        static std::optional<std::string> read (const char* name)
        {
            if (const auto* value = std::getenv (name))
                return std::string (value);
            return std::nullopt;
        }

        static void restore (const char* name, const std::optional<std::string>& value)
        {
            if (value)
                ::setenv (name, value->c_str(), 1);
            else
                ::unsetenv (name);
        }

        const std::optional<std::string> savedHome, savedConfig;
    };
}

//==============================================================================
TEST (ProcessorIdentity, DeclaresOneStereoInputAndOutputBus)
{
    EmberLashAudioProcessor processor;

    ASSERT_EQ (processor.getBusCount (true), 1);
    ASSERT_EQ (processor.getBusCount (false), 1);

    const auto* input = processor.getBus (true, 0);
    const auto* output = processor.getBus (false, 0);
    EXPECT_EQ (input->getName(), "Input");
    EXPECT_EQ (output->getName(), "Output");
    EXPECT_EQ (input->getDefaultLayout(), Set::stereo());
    EXPECT_EQ (output->getDefaultLayout(), Set::stereo());
    EXPECT_TRUE (input->isEnabledByDefault());
    EXPECT_TRUE (output->isEnabledByDefault());
    EXPECT_EQ (processor.getTotalNumInputChannels(), 2);
    EXPECT_EQ (processor.getTotalNumOutputChannels(), 2);
}

TEST (ProcessorIdentity, AcceptsOnlyMatchingMonoOrStereoLayouts)
{
    struct Case
    {
        const char* label;
        Set input, output;
        bool accepted;
    };

    const Case cases[] {
        { "stereo/stereo", Set::stereo(), Set::stereo(), true },
        { "mono/mono", Set::mono(), Set::mono(), true },
        { "stereo/mono", Set::stereo(), Set::mono(), false },
        { "mono/stereo", Set::mono(), Set::stereo(), false },
        { "5.1/5.1", Set::create5point1(), Set::create5point1(), false },
        { "stereo/5.1", Set::stereo(), Set::create5point1(), false },
        { "disabled/disabled", Set::disabled(), Set::disabled(), false },
        { "stereo/disabled", Set::stereo(), Set::disabled(), false },
        { "disabled/stereo", Set::disabled(), Set::stereo(), false },
        { "disabled/mono", Set::disabled(), Set::mono(), false },
    };

    EmberLashAudioProcessor processor;

    for (const auto& c : cases)
    {
        juce::AudioProcessor::BusesLayout layout;
        layout.inputBuses.add (c.input);
        layout.outputBuses.add (c.output);
        EXPECT_EQ (processor.checkBusesLayoutSupported (layout), c.accepted) << c.label;
    }
}

//==============================================================================
TEST (ProcessorIdentity, ParameterLayoutMatchesTheTable)
{
    struct Expected
    {
        const char* id;
        const char* name;
        float start, end, plainDefault, normalisedDefault;
    };

    // power and mode carry their index range; floats snap to 0.01.
    const Expected expected[] {
        { "power", "Power", 0.0f, 1.0f, 1.0f, 1.0f },
        { "mode", "Mode", 0.0f, 2.0f, 1.0f, 0.5f },
        { "tight", "Tight", -12.0f, 12.0f, 3.0f, 0.625f },
        { "body", "Body", -12.0f, 12.0f, 2.5f, 29.0f / 48.0f },
        { "bite", "Bite", -12.0f, 12.0f, 4.0f, 2.0f / 3.0f },
        { "fizz", "Fizz", -12.0f, 12.0f, 4.5f, 0.6875f },
        { "air", "Air", -12.0f, 12.0f, 1.5f, 0.5625f },
        { "width", "Width", 0.0f, 200.0f, 120.0f, 0.6f },
        { "room", "Room", 0.0f, 100.0f, 25.0f, 0.25f },
        { "mix", "Mix", 0.0f, 100.0f, 70.0f, 0.7f },
        { "output", "Output", -12.0f, 12.0f, 0.0f, 0.5f },
    };

    EmberLashAudioProcessor processor;
    const auto& parameters = processor.getParameters();
    ASSERT_EQ (parameters.size(), 11);

    for (int i = 0; i < 11; ++i)
    {
        const auto& e = expected[i];
        SCOPED_TRACE (e.id);

        auto* parameter = dynamic_cast<juce::RangedAudioParameter*> (parameters[i]);
        ASSERT_NE (parameter, nullptr);
        EXPECT_EQ (parameter->getParameterID(), e.id);
        EXPECT_EQ (juce::String (processor.parameterIds[(size_t) i]), e.id);
        EXPECT_EQ (parameter->getName (100), e.name);
        EXPECT_EQ (parameter->getVersionHint(), 1);
        EXPECT_EQ (parameter->getLabel(), "");
        EXPECT_TRUE (parameter->isAutomatable());
        EXPECT_FALSE (parameter->isMetaParameter());
        EXPECT_FALSE (parameter->isOrientationInverted());
        EXPECT_EQ (parameter->getCategory(), juce::AudioProcessorParameter::genericParameter);

        EXPECT_NEAR (parameter->getDefaultValue(), e.normalisedDefault, 1.0e-6f);
        EXPECT_NEAR (parameter->getValue(), e.normalisedDefault, 1.0e-6f);
        EXPECT_NEAR (processor.getParameterValue (e.id), e.plainDefault, 1.0e-5f);

        const auto& range = parameter->getNormalisableRange();
        EXPECT_FLOAT_EQ (range.start, e.start);
        EXPECT_FLOAT_EQ (range.end, e.end);

        if (i >= 2)
        {
            EXPECT_NE (dynamic_cast<juce::AudioParameterFloat*> (parameter), nullptr);
            EXPECT_FLOAT_EQ (range.interval, 0.01f);
            EXPECT_FLOAT_EQ (range.skew, 1.0f);
            EXPECT_FALSE (range.symmetricSkew);
        }
    }

    EXPECT_NE (dynamic_cast<juce::AudioParameterBool*> (parameters[0]), nullptr);
    EXPECT_NE (dynamic_cast<juce::AudioParameterChoice*> (parameters[1]), nullptr);
}

TEST (ProcessorIdentity, FloatValuesSnapToHundredths)
{
    struct Case
    {
        const char* id;
        float requested, stored;
    };

    const Case cases[] {
        { "tight", 3.004f, 3.0f },
        { "tight", -11.996f, -12.0f },
        { "body", 2.516f, 2.52f },
        { "width", 120.337f, 120.34f },
        { "output", 11.999f, 12.0f },
    };

    EmberLashAudioProcessor processor;

    for (const auto& c : cases)
    {
        setPlainValue (processor, c.id, c.requested);
        EXPECT_NEAR (processor.getParameterValue (c.id), c.stored, 1.0e-5f) << c.id << " " << c.requested;
    }
}

TEST (ProcessorIdentity, ModeChoicesMapToTheirNormalisedPositions)
{
    EmberLashAudioProcessor processor;
    auto* mode = dynamic_cast<juce::AudioParameterChoice*> (processor.valueTreeState.getParameter ("mode"));
    ASSERT_NE (mode, nullptr);
    EXPECT_EQ (mode->choices, juce::StringArray ({ "Clean", "Rock", "Modern" }));

    struct Case
    {
        float normalised;
        const char* choice;
        int index;
    };

    for (const auto& c : { Case { 0.0f, "Clean", 0 }, Case { 0.5f, "Rock", 1 }, Case { 1.0f, "Modern", 2 } })
    {
        mode->setValueNotifyingHost (c.normalised);
        EXPECT_EQ (mode->getCurrentChoiceName(), c.choice);
        EXPECT_EQ (mode->getIndex(), c.index);
        EXPECT_EQ (processor.getMode(), c.index);
    }
}

//==============================================================================
TEST (ProcessorIdentity, AnswersTheHostsConstantQueries)
{
    EmberLashAudioProcessor processor;

    EXPECT_EQ (processor.getName(), "Emberlash");
    EXPECT_DOUBLE_EQ (processor.getTailLengthSeconds(), 0.4);
    EXPECT_FALSE (processor.acceptsMidi());
    EXPECT_FALSE (processor.producesMidi());
    EXPECT_FALSE (processor.isMidiEffect());
    EXPECT_TRUE (processor.hasEditor());
    EXPECT_EQ (processor.getLatencySamples(), 0);
    EXPECT_FALSE (processor.supportsDoublePrecisionProcessing());
    EXPECT_EQ (processor.getBypassParameter(), nullptr);
}

TEST (ProcessorIdentity, ProgramCallsChangeNothingForAnyIndex)
{
    EmberLashAudioProcessor processor;
    setPlainValue (processor, "tight", -4.5f);
    processor.currentPresetModified = false;

    const auto stateBefore = processor.valueTreeState.copyState().toXmlString();
    EXPECT_EQ (processor.getNumPrograms(), 1);

    for (const auto index : { 0, 1, -1, 2, 99, INT_MIN, INT_MAX })
    {
        SCOPED_TRACE (index);
        processor.setCurrentProgram (index);
        processor.changeProgramName (index, "Renamed");

        EXPECT_EQ (processor.getProgramName (index), juce::String());
        EXPECT_EQ (processor.getCurrentProgram(), 0);
        EXPECT_EQ (processor.getNumPrograms(), 1);
    }

    EXPECT_EQ (processor.valueTreeState.copyState().toXmlString(), stateBefore);
    EXPECT_FALSE (processor.currentPresetModified.load());
}

//==============================================================================
TEST (ProcessorLifetime, FreshInstanceStartsFromItsInitialState)
{
    EmberLashAudioProcessor processor;

    EXPECT_EQ (processor.valueTreeState.state.getType(), juce::Identifier ("PARAMETERS"));
    EXPECT_EQ (processor.valueTreeState.undoManager, nullptr);
    EXPECT_DOUBLE_EQ (processor.currentSampleRate, 44100.0);
    EXPECT_EQ (processor.currentPresetName, "Presets");
    EXPECT_FALSE (processor.currentPresetIsUser);
    EXPECT_FALSE (processor.currentPresetModified.load());
    EXPECT_FALSE (processor.restoringState.load());

    for (int c = 0; c < 2; ++c)
    {
        EXPECT_EQ (processor.getInputLevel (c), 0.0f);
        EXPECT_EQ (processor.getOutputLevel (c), 0.0f);
    }
    EXPECT_EQ (processor.getClipLevel(), 0.0f);

    const auto& p = processor.reverbParameters;
    EXPECT_FLOAT_EQ (p.roomSize, 0.5f);
    EXPECT_FLOAT_EQ (p.damping, 0.5f);
    EXPECT_FLOAT_EQ (p.wetLevel, 0.33f);
    EXPECT_FLOAT_EQ (p.dryLevel, 0.4f);
    EXPECT_FLOAT_EQ (p.width, 1.0f);
    EXPECT_FLOAT_EQ (p.freezeMode, 0.0f);

    for (const auto* info : { &processor.productIdentity, &processor.productInfo })
    {
        EXPECT_EQ (info->name, "Emberlash");
        EXPECT_EQ (info->version, "1.0.1");
        EXPECT_EQ (info->companyFolder, "VontalAudio");
        EXPECT_FLOAT_EQ (info->defaultHeightFraction, 0.75f);
        EXPECT_FLOAT_EQ (info->aspectRatio, 1.61f);
        EXPECT_FLOAT_EQ (info->menuBarHeightFraction, 0.09f);
        EXPECT_FLOAT_EQ (info->minWidth, 500.0f);
        EXPECT_FLOAT_EQ (info->maxWidth, 1700.0f);
    }
}

TEST (ProcessorLifetime, DefaultProductInfoHasEmptyStringsAndEditorSizing)
{
    const ProductInfo info;
    EXPECT_TRUE (info.name.isEmpty());
    EXPECT_TRUE (info.version.isEmpty());
    EXPECT_TRUE (info.companyFolder.isEmpty());
    EXPECT_FLOAT_EQ (info.defaultHeightFraction, 0.75f);
    EXPECT_FLOAT_EQ (info.aspectRatio, 1.61f);
    EXPECT_FLOAT_EQ (info.menuBarHeightFraction, 0.09f);
    EXPECT_FLOAT_EQ (info.minWidth, 500.0f);
    EXPECT_FLOAT_EQ (info.maxWidth, 1700.0f);
}

TEST (ProcessorLifetime, ConstructionAndDeletionLeaveNoFileBehind)
{
    const ScopedUserFolders folders;
    ASSERT_TRUE (folders.root.isDirectory());

    {
        EmberLashAudioProcessor processor;
        EXPECT_EQ (folders.root.getNumberOfChildFiles (juce::File::findFilesAndDirectories, "*"), 0);
    }

    std::unique_ptr<juce::AudioProcessor> fromFactory (createPluginFilter());
    ASSERT_NE (dynamic_cast<EmberLashAudioProcessor*> (fromFactory.get()), nullptr);
    fromFactory.reset();

    const auto left = folders.root.findChildFiles (juce::File::findFilesAndDirectories, true, "*",
                                                   juce::File::FollowSymlinks::no);
    EXPECT_TRUE (left.isEmpty()) << left.getFirst().getFullPathName();
}

// Counts listener calls per parameter id, on top of the processor's own mark.
class CountingProcessor final : public EmberLashAudioProcessor
{
public:
    void parameterChanged (const juce::String& id, float newValue) override
    {
        ++calls[id];
        lastValue = newValue;
        EmberLashAudioProcessor::parameterChanged (id, newValue);
    }

    std::map<juce::String, int> calls;
    float lastValue = 0.0f;
};

TEST (ProcessorLifetime, ListensToEveryParameterExactlyOnce)
{
    struct Change
    {
        const char* id;
        float plainValue;
    };

    const Change changes[] {
        { "power", 0.0f }, { "mode", 2.0f }, { "tight", -3.0f }, { "body", 7.0f },
        { "bite", -1.0f }, { "fizz", 0.0f }, { "air", 12.0f }, { "width", 10.0f },
        { "room", 99.0f }, { "mix", 5.0f }, { "output", -6.5f },
    };

    CountingProcessor processor;

    for (const auto& change : changes)
    {
        SCOPED_TRACE (change.id);
        processor.calls.clear();
        processor.currentPresetModified = false;

        setPlainValue (processor, change.id, change.plainValue);

        EXPECT_EQ (processor.calls.size(), 1u);
        EXPECT_EQ (processor.calls[change.id], 1);
        EXPECT_FLOAT_EQ (processor.lastValue, change.plainValue);
        EXPECT_TRUE (processor.currentPresetModified.load());
    }

    // A restore in progress suppresses the mark, the call still arrives.
    processor.calls.clear();
    processor.currentPresetModified = false;
    processor.restoringState = true;
    setPlainValue (processor, "tight", 5.0f);
    EXPECT_EQ (processor.calls["tight"], 1);
    EXPECT_FALSE (processor.currentPresetModified.load());
}

TEST (ProcessorLifetime, RemovingTheProcessorsListenerSilencesEveryParameter)
{
    // The destructor unregisters through the same listener base that the
    // constructor registered; doing that removal early must leave no call.
    CountingProcessor processor;

    for (const auto& id : processor.parameterIds)
        processor.valueTreeState.removeParameterListener (juce::String (id), &processor);

    for (const auto& id : processor.parameterIds)
    {
        auto* parameter = processor.valueTreeState.getParameter (juce::String (id));
        parameter->setValueNotifyingHost (parameter->getValue() > 0.5f ? 0.0f : 1.0f);
    }

    EXPECT_TRUE (processor.calls.empty());
    EXPECT_FALSE (processor.currentPresetModified.load());
}
