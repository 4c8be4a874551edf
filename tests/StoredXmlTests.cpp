#include <gtest/gtest.h>

#include "processor/PresetStorage.h"
#include "processor/StoredXml.h"
#include "tests/ProcessorTestUtils.h"
#include "tests/TempHome.h"

using namespace testing_support;

namespace
{
    bool wellFormed (const std::string& bytes) { return StoredXml::isWellFormedUtf8 (bytes.data(), bytes.size()); }

    std::string nested (int depth)
    {
        std::string text = "<?xml version=\"1.0\"?>";
        for (int i = 0; i < depth; ++i)
            text += "<a>";
        for (int i = 0; i < depth; ++i)
            text += "</a>";
        return text;
    }
}

TEST (StoredXml, Utf8Table)
{
    const std::pair<std::string, bool> cases[] {
        { "plain ascii", true },
        { "caf\xc3\xa9 \xe2\x96\xbe \xf0\x9f\x8e\xb8", true },
        { std::string ("ends at a zero\0\xff", 16), true },
        { "\xff", false },
        { "\xc3", false },                 // cut short
        { "\xc3\x41", false },             // not a continuation byte
        { std::string ("\xc3\0", 2), false },
        { "\xc0\xaf", false },             // overlong
        { "\xe0\x80\xaf", false },         // overlong
        { "\xed\xa0\x80", false },         // surrogate
        { "\xf4\x90\x80\x80", false },     // beyond U+10FFFF
        { "\xf0\x9f\x8e", false },
    };

    for (const auto& [bytes, expected] : cases)
        EXPECT_EQ (wellFormed (bytes), expected) << juce::String::toHexString (bytes.data(), (int) bytes.size());
}

TEST (StoredXml, PlainDocuments)
{
    const std::pair<const char*, bool> cases[] {
        { "<PARAMETERS a=\"1\"><PARAM id=\"x\" value=\"1\"/><PARAM id='y'/></PARAMETERS>", true },
        { "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n\r\n<PARAMETERS>\r\n  <PARAM id=\"x\"/>\r\n</PARAMETERS>\r\n", true },
        { "<!-- c --><a q=\"&lt;&#65;&#x42;\">\r\n\t <!-- <b> --> <b/></a><!-- end -->", true },
        // A value tree has no text: none inside an element, in any form.
        { "<a>text</a>", false },
        { "<a><b/>x</a>", false },
        { "<a>&amp;</a>", false },
        { "<a>&#65;</a>", false },
        { "<a><![CDATA[x]]></a>", false },
        { "<a><![CDATA[ ]]></a>", false },
        { "<a>\xc2\xa0</a>", false },
        { "<a/>", true },
        { "<a><b></b></a>", true },
        { "<a>text<?pi <d> ?></a>", false },
        { "<S \r>en<?xr\"?> T", false },
        { "<a><om\" value=\"8\"/>M i<?xml x?></a>", false },
        { "<!DOCTYPE a><a/>", false },
        { "<a q=\"<\"/>", false },
        { "<a q=unquoted/>", false },
        { "<a>&bogus</a>", false },
        { "<a></b>", true },
        { "<a>", false },
        { "<a/><b/>", false },
        { "text<a/>", false },
        { "", false },
    };

    for (const auto& [text, expected] : cases)
        EXPECT_EQ (StoredXml::isPlainDocument (text, std::strlen (text)), expected) << text;

    EXPECT_TRUE (StoredXml::isPlainDocument (nested (StoredXml::maxNestingDepth).c_str(), nested (StoredXml::maxNestingDepth).size()));
    EXPECT_FALSE (StoredXml::isPlainDocument (nested (100000).c_str(), nested (100000).size()));
}

TEST (StoredXml, ParseRefusesWhatTheParserCannotTake)
{
    EXPECT_NE (StoredXml::parse ("<PARAMETERS/>", 13), nullptr);
    EXPECT_NE (StoredXml::parse ("\xef\xbb\xbf<PARAMETERS/>", 16), nullptr) << "a UTF-8 byte-order mark is fine";
    EXPECT_EQ (StoredXml::parse ("<PARAMETERS a=\"\xff\"/>", 19), nullptr);
    EXPECT_EQ (StoredXml::parse ("", 0), nullptr);

    const auto atLimit = nested (StoredXml::maxNestingDepth);
    EXPECT_NE (StoredXml::parse (atLimit.data(), atLimit.size()), nullptr);
    const auto beyond = nested (StoredXml::maxNestingDepth + 1);
    EXPECT_EQ (StoredXml::parse (beyond.data(), beyond.size()), nullptr);
}

// Both ways in from outside: a chunk nested far deeper than the parser's
// stack allows, or holding bytes that are not UTF-8, is refused and changes
// nothing.
TEST (StoredXml, HostileChunksAndPresetFilesChangeNothing)
{
    TempHome home;
    EmberLashAudioProcessor processor;
    setPlain (processor, "tight", -2.0f);
    processor.setCurrentPreset ("Kept", true, false);
    const auto before = snapshot (processor);

    const std::string hostile[] {
        nested (300000),
        "<PARAMETERS uiCurrentPresetName=\"\xc3\"><PARAM id=\"tight\" value=\"5\"/></PARAMETERS>",
        "<PARAMETERS><PARAM id=\"tight\" value=\"5\"/>\xf0",
        // The framework's parser would never return from this one.
        "<PARAMETERS>en<?xr\"?> T<PARAM id=\"tight\" value=\"5\"/></PARAMETERS>",
        // Text has no place in a value tree; the framework asserts on it.
        "<PARAMETERS>text<PARAM id=\"tight\" value=\"5\"/></PARAMETERS>",
        "<PARAMETERS><PARAM id=\"tight\" value=\"5\"><![CDATA[x]]></PARAM></PARAMETERS>",
    };

    for (const auto& text : hostile)
    {
        const auto chunk = wrapChunk (text);
        processor.setStateInformation (chunk.getData(), (int) chunk.getSize());
        EXPECT_EQ (snapshot (processor), before);
        EXPECT_EQ (processor.getCurrentPresetName(), "Kept");

        home.presets().createDirectory();
        ASSERT_TRUE (home.presets().getChildFile ("Hostile.xml").replaceWithData (text.data(), text.size()));
        EXPECT_FALSE (processor.loadUserPreset ("Hostile"));
        EXPECT_EQ (snapshot (processor), before);
    }
}

TEST (StoredXml, PresetFileWithByteOrderMarkLoads)
{
    TempHome home;
    EmberLashAudioProcessor processor;
    home.presets().createDirectory();
    const std::string text = "\xef\xbb\xbf<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<PARAMETERS><PARAM id=\"bite\" value=\"-4\"/></PARAMETERS>\r\n";
    ASSERT_TRUE (home.presets().getChildFile ("Marked.xml").replaceWithData (text.data(), text.size()));
    EXPECT_TRUE (processor.loadUserPreset ("Marked"));
    EXPECT_FLOAT_EQ (plain (processor, "bite"), -4.0f);
}
