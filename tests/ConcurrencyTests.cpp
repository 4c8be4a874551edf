#include <gtest/gtest.h>

#include "tests/ProcessorTestUtils.h"
#include "tests/TempHome.h"
#include "tests/TestSupport.h"

#include <atomic>
#include <thread>
#include <vector>

using namespace testing_support;

namespace
{
    juce::MemoryBlock chunkFor (const juce::String& name, bool isUser, float tight)
    {
        EmberLashAudioProcessor source;
        setPlain (source, "tight", tight);
        source.setCurrentPreset (name, isUser, ! isUser);
        juce::MemoryBlock block;
        source.getStateInformation (block);
        return block;
    }
}

// The audio thread processes, a host thread restores chunks and a third thread
// moves parameters and reads the preset display, all at once.
TEST (Concurrency, RestoresParameterChangesAndProcessingTogether)
{
    const auto userChunk = chunkFor ("User Sound", true, -6.0f);
    const auto factoryChunk = chunkFor ("Full Stack", false, 6.0f);

    EmberLashAudioProcessor processor;
    processor.prepareToPlay (48000.0, 128);

    std::atomic<bool> stop { false };
    std::atomic<int> tornDisplays { 0 };

    std::thread audio ([&]
    {
        juce::AudioBuffer<float> buffer (2, 128);
        juce::MidiBuffer midi;
        int block = 0;
        while (! stop.load())
        {
            for (int i = 0; i < 128; ++i)
                for (int ch = 0; ch < 2; ++ch)
                    buffer.setSample (ch, i, std::sin (0.01f * float (block * 128 + i)));
            processor.processBlock (buffer, midi);
            ++block;
        }
    });

    std::thread host ([&]
    {
        for (int round = 0; round < 1000; ++round)
        {
            const auto& chunk = (round % 2 == 0) ? userChunk : factoryChunk;
            processor.setStateInformation (chunk.getData(), (int) chunk.getSize());
            juce::MemoryBlock saved;
            processor.getStateInformation (saved);
        }
    });

    std::thread ui ([&]
    {
        for (int round = 0; round < 10000; ++round)
        {
            setPlain (processor, "mix", float (round % 100));
            const auto display = processor.getCurrentPresetDisplayName();
            if (! (display.startsWith ("User Sound") || display.startsWith ("Full Stack") || display.startsWith ("Presets")))
                ++tornDisplays;
            (void) processor.getInputLevel (0);
            (void) processor.readMeters();
        }
    });

    host.join();
    ui.join();
    stop = true;
    audio.join();

    EXPECT_EQ (tornDisplays.load(), 0);

    // The name and the user flag always come from the same chunk.
    const auto name = processor.getCurrentPresetName();
    const auto isUser = processor.isCurrentPresetUser();
    EXPECT_TRUE ((name == "User Sound" && isUser) || (name == "Full Stack" && ! isUser)) << name << " " << isUser;

    for (const auto& id : processor.parameterIds)
    {
        const auto range = processor.valueTreeState.getParameter (juce::String (id))->getNormalisableRange();
        const auto value = processor.getParameterValue (juce::String (id));
        EXPECT_TRUE (value >= range.start && value <= range.end) << id;
    }
}

namespace
{
    // What the framework's wrapper does around each processing call.
    void processLikeTheWrapper (EmberLashAudioProcessor& processor, juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi)
    {
        const juce::ScopedLock lock (processor.getCallbackLock());

        if (processor.isSuspended())
            buffer.clear();
        else
            processor.processBlock (buffer, midi);
    }
}

// The audio thread processes, a host thread restores and saves state, and the
// message thread applies factory and user presets and polls the display name.
TEST (Concurrency, PresetsStateAndProcessingTogether)
{
    testing_support::TempHome home;

    const auto chunkA = chunkFor ("Chunk A", true, -3.0f);
    const auto chunkB = chunkFor ("Chunk B", false, 9.0f);

    EmberLashAudioProcessor processor;
    processor.prepareToPlay (44100.0, 64);
    setPlain (processor, "tight", 1.0f);
    ASSERT_TRUE (processor.saveUserPreset ("User One"));
    setPlain (processor, "tight", -8.0f);
    ASSERT_TRUE (processor.saveUserPreset ("User Two"));

    std::atomic<bool> stop { false };
    std::atomic<int> blocks { 0 };

    std::thread audio ([&]
    {
        juce::AudioBuffer<float> buffer (2, 64);
        juce::MidiBuffer midi;
        while (! stop.load())
        {
            for (int i = 0; i < 64; ++i)
                for (int ch = 0; ch < 2; ++ch)
                    buffer.setSample (ch, i, 0.5f * std::sin (0.02f * float (blocks.load() * 64 + i)));
            processLikeTheWrapper (processor, buffer, midi);
            ++blocks;
        }
    });

    // The chunks saved here are read back on the message thread after the
    // join: hosts build and destroy instances there, and the framework's
    // parameter timer may not be stopped from another thread.
    std::vector<juce::MemoryBlock> saved (400);

    std::thread host ([&]
    {
        for (int round = 0; round < (int) saved.size(); ++round)
        {
            const auto& chunk = (round % 2 == 0) ? chunkA : chunkB;
            processor.setStateInformation (chunk.getData(), (int) chunk.getSize());
            processor.getStateInformation (saved[(size_t) round]);
        }
    });

    const auto factoryNames = processor.getFactoryPresetNames();
    int torn = 0;

    for (int round = 0; round < 400; ++round)
    {
        if (round % 3 == 0)
            processor.loadUserPreset (round % 2 == 0 ? "User One" : "User Two");
        else
            processor.loadFactoryPreset (factoryNames[round % factoryNames.size()]);

        const auto display = processor.getCurrentPresetDisplayName();
        if (display.isEmpty())
            ++torn;

        testing_support::pumpMessages (1);
    }

    host.join();
    stop = true;
    audio.join();

    for (const auto& chunk : saved)
    {
        EmberLashAudioProcessor reader;
        reader.setStateInformation (chunk.getData(), (int) chunk.getSize());
        EXPECT_FALSE (reader.getCurrentPresetName().isEmpty());
    }

    EXPECT_EQ (torn, 0);
    EXPECT_GT (blocks.load(), 0);
    EXPECT_FALSE (processor.isSuspended());

    const auto name = processor.getCurrentPresetName();
    const auto isUser = processor.isCurrentPresetUser();
    const bool consistent = (name == "Chunk A" && isUser) || (name == "Chunk B" && ! isUser)
                         || (name.startsWith ("User ") && isUser) || (factoryNames.contains (name) && ! isUser);
    EXPECT_TRUE (consistent) << name << " " << isUser;
}
