#include <gtest/gtest.h>

#include "tests/ProcessorTestUtils.h"

#include <cstring>

using namespace testing_support;

namespace
{
    juce::MemoryBlock stateOf (EmberLashAudioProcessor& p)
    {
        juce::MemoryBlock block;
        p.getStateInformation (block);
        return block;
    }

    juce::MemoryBlock wrap (const juce::String& xmlText) { return wrapChunk (xmlText.toStdString()); }

    juce::String chunkText (const juce::String& rootAttributes, const juce::String& rootTag = "PARAMETERS")
    {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?> <" + rootTag + " " + rootAttributes + ">"
               "<PARAM id=\"tight\" value=\"-5.0\"/><PARAM id=\"mix\" value=\"40.0\"/></" + rootTag + ">";
    }

    void restore (EmberLashAudioProcessor& p, const juce::MemoryBlock& block)
    {
        p.setStateInformation (block.getData(), (int) block.getSize());
    }
}

TEST (StateChunk, HeaderTextAndTrailer)
{
    EmberLashAudioProcessor processor;
    processor.setCurrentPreset ("Full Stack", false, true);
    const auto block = stateOf (processor);
    const auto* bytes = static_cast<const uint8_t*> (block.getData());
    const auto size = block.getSize();

    ASSERT_GT (size, 9u);
    EXPECT_EQ (std::memcmp (bytes, "VC2!", 4), 0);
    const uint32_t n = bytes[4] | (bytes[5] << 8) | (bytes[6] << 16) | ((uint32_t) bytes[7] << 24);
    EXPECT_EQ (n, size - 9);
    EXPECT_EQ (bytes[size - 1], 0);

    const auto text = juce::String::fromUTF8 (reinterpret_cast<const char*> (bytes + 8), (int) n);
    EXPECT_TRUE (text.startsWith ("<?xml version=\"1.0\" encoding=\"UTF-8\"?> <PARAMETERS "));
    EXPECT_FALSE (text.containsAnyOf ("\r\n"));
    EXPECT_TRUE (text.contains ("uiCurrentPresetName=\"Full Stack\""));
    EXPECT_TRUE (text.contains ("uiCurrentPresetIsUser=\"0\""));
    EXPECT_TRUE (text.contains ("uiCurrentPresetModified=\"1\""));
    EXPECT_TRUE (text.contains ("<PARAM id=\"tight\" value=\"3.0\"/>"));
}

TEST (StateChunk, RoundTripOfAModifiedPreset)
{
    EmberLashAudioProcessor source;
    source.setCurrentPreset ("Dark 4x12", false, false);
    setPlain (source, "fizz", -5.5f);
    setPlain (source, "mode", 2.0f);
    setPlain (source, "power", 0.0f);
    ASSERT_EQ (source.getCurrentPresetDisplayName(), "Dark 4x12 *");

    EmberLashAudioProcessor target;
    restore (target, stateOf (source));

    EXPECT_EQ (snapshot (target), snapshot (source));
    EXPECT_EQ (presetState (target), presetState (source));

    source.setCurrentPreset ("Mine", true, false);
    restore (target, stateOf (source));
    EXPECT_EQ (presetState (target), (PresetState { "Mine", true, "Mine" }));
}

TEST (StateChunk, StateAfterARestoreCarriesTheCurrentPresetState)
{
    EmberLashAudioProcessor processor;
    restore (processor, wrap (chunkText ("uiCurrentPresetName=\"Old\" uiCurrentPresetIsUser=\"1\" uiCurrentPresetModified=\"1\"")));
    processor.setCurrentPreset ("New", false, false);

    EmberLashAudioProcessor target;
    restore (target, stateOf (processor));
    EXPECT_EQ (presetState (target), (PresetState { "New", false, "New" }));
}

namespace
{
    struct ChunkCase
    {
        const char* attributes;
        PresetState expected;
    };

    class ChunkAttributes : public testing::TestWithParam<ChunkCase> {};
}

TEST_P (ChunkAttributes, AreReadWithTheirDefaults)
{
    EmberLashAudioProcessor processor;
    processor.setCurrentPreset ("Before", true, true);
    restore (processor, wrap (chunkText (GetParam().attributes)));

    EXPECT_FLOAT_EQ (plain (processor, "tight"), -5.0f);
    EXPECT_FLOAT_EQ (plain (processor, "mix"), 40.0f);
    EXPECT_EQ (presetState (processor), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P (StateChunk, ChunkAttributes, testing::Values (
    ChunkCase { "", { "Presets", false, "Presets" } },
    ChunkCase { "uiCurrentPresetName=\"\" uiCurrentPresetIsUser=\"1\"", { "Presets", true, "Presets" } },
    ChunkCase { "uiCurrentPresetName=\"A\" uiCurrentPresetIsUser=\"true\"", { "A", true, "A" } },
    ChunkCase { "uiCurrentPresetName=\"A\" uiCurrentPresetIsUser=\"YES\"", { "A", true, "A" } },
    ChunkCase { "uiCurrentPresetName=\"A\" uiCurrentPresetIsUser=\"1\"", { "A", true, "A" } },
    ChunkCase { "uiCurrentPresetName=\"A\" uiCurrentPresetIsUser=\"-2\"", { "A", true, "A" } },
    ChunkCase { "uiCurrentPresetName=\"A\" uiCurrentPresetIsUser=\"0\"", { "A", false, "A" } },
    ChunkCase { "uiCurrentPresetName=\"A\" uiCurrentPresetIsUser=\"false\"", { "A", false, "A" } },
    ChunkCase { "uiCurrentPresetName=\"A\" uiCurrentPresetIsUser=\"no\"", { "A", false, "A" } },
    ChunkCase { "uiCurrentPresetName=\"A\" uiCurrentPresetIsUser=\"\"", { "A", false, "A" } },
    ChunkCase { "uiCurrentPresetName=\"A\" uiCurrentPresetModified=\" True \"", { "A", false, "A *" } }
));

TEST (StateChunk, ForeignRootTagIsTaken)
{
    EmberLashAudioProcessor processor;
    restore (processor, wrap (chunkText ("uiCurrentPresetName=\"Elsewhere\"", "SOMETHINGELSE")));
    EXPECT_FLOAT_EQ (plain (processor, "tight"), -5.0f);
    EXPECT_EQ (processor.getCurrentPresetName(), "Elsewhere");
}

TEST (StateChunk, LengthBeyondTheBlockIsReadToTheBlockEnd)
{
    EmberLashAudioProcessor processor;
    auto block = wrap (chunkText ("uiCurrentPresetName=\"Long\""));
    static_cast<uint8_t*> (block.getData())[5] = 0x7f; // n far larger than the block
    restore (processor, block);
    EXPECT_FLOAT_EQ (plain (processor, "tight"), -5.0f);
    EXPECT_EQ (processor.getCurrentPresetName(), "Long");
}

namespace
{
    struct BadBlock
    {
        const char* description;
        std::function<juce::MemoryBlock()> make;
    };

    class RejectedBlocks : public testing::TestWithParam<BadBlock> {};

    juce::MemoryBlock validBlock() { return wrap (chunkText ("uiCurrentPresetName=\"Intruder\"")); }
}

TEST_P (RejectedBlocks, LeaveParametersAndPresetStateAlone)
{
    EmberLashAudioProcessor processor;
    setPlain (processor, "body", -7.0f);
    processor.setCurrentPreset ("Kept", true, true);
    const auto before = snapshot (processor);
    const auto presetBefore = presetState (processor);

    const auto block = GetParam().make();
    processor.setStateInformation (block.getSize() > 0 ? block.getData() : nullptr, (int) block.getSize());

    EXPECT_EQ (snapshot (processor), before);
    EXPECT_EQ (presetState (processor), presetBefore);
}

INSTANTIATE_TEST_SUITE_P (StateChunk, RejectedBlocks, testing::Values (
    BadBlock { "empty", [] { return juce::MemoryBlock(); } },
    BadBlock { "one byte", [] { auto b = validBlock(); b.setSize (1); return b; } },
    BadBlock { "four bytes", [] { auto b = validBlock(); b.setSize (4); return b; } },
    BadBlock { "eight bytes", [] { auto b = validBlock(); b.setSize (8); return b; } },
    BadBlock { "wrong magic", [] { auto b = validBlock(); static_cast<char*> (b.getData())[2] = '3'; return b; } },
    BadBlock { "length zero", [] { auto b = validBlock(); std::memset (static_cast<char*> (b.getData()) + 4, 0, 4); return b; } },
    BadBlock { "length with top bit", [] { auto b = validBlock(); static_cast<uint8_t*> (b.getData())[7] |= 0x80; return b; } },
    BadBlock { "not xml", [] { return wrap ("this is not XML at all"); } },
    BadBlock { "truncated xml", [] { auto b = validBlock(); b.setSize (60); return b; } }
), [] (const testing::TestParamInfo<BadBlock>& param)
{
    return juce::String (param.param.description).replaceCharacter (' ', '_').toStdString();
});

TEST (StateChunk, ValuesThatAreNotFiniteNumbersGiveTheDefault)
{
    EmberLashAudioProcessor processor;
    setPlain (processor, "tight", 7.0f);
    setPlain (processor, "room", 90.0f);
    restore (processor, wrap ("<PARAMETERS><PARAM id=\"tight\" value=\"nan\"/><PARAM id=\"room\" value=\"-inf\"/>"
                              "<PARAM id=\"mix\" value=\"1e30\"/></PARAMETERS>"));

    EXPECT_FLOAT_EQ (plain (processor, "tight"), 3.0f);
    EXPECT_FLOAT_EQ (plain (processor, "room"), 25.0f);
    EXPECT_FLOAT_EQ (plain (processor, "mix"), 100.0f);
}
