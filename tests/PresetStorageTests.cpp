#include <gtest/gtest.h>

#include "processor/PresetStorage.h"
#include "tests/TempHome.h"
#include "tests/TestSupport.h"

using testing_support::TempHome;

namespace
{
    class Storage : public testing::Test
    {
    protected:
        Storage()
        {
            storage.productInfo.name = "Emberlash";
            storage.productInfo.version = "1.0.1";
            storage.productInfo.companyFolder = "VontalAudio";
        }

        juce::ValueTree tree (float tightValue = 1.0f)
        {
            juce::ValueTree t ("PARAMETERS");
            juce::ValueTree p ("PARAM");
            p.setProperty ("id", "tight", nullptr);
            p.setProperty ("value", tightValue, nullptr);
            t.appendChild (p, nullptr);
            return t;
        }

        void writeByHand (const juce::String& fileName, const juce::String& content = "<PARAMETERS/>")
        {
            home.presets().createDirectory();
            ASSERT_TRUE (home.presets().getChildFile (fileName).replaceWithText (content));
        }

        TempHome home;
        PresetStorage storage;
    };
}

TEST_F (Storage, FoldersFollowTheProductInfo)
{
    EXPECT_EQ (storage.getVersionFolder(), home.config().getChildFile ("VontalAudio/Emberlash/version_1.0.1"));
    EXPECT_EQ (storage.getPresetsFolder(), home.presets());
    EXPECT_EQ (storage.getPresetFile ("My Preset!"), home.presets().getChildFile ("My Preset.xml"));
}

TEST (PresetStorageNames, Sanitising)
{
    const std::pair<const char*, const char*> cases[] {
        { "My Preset!", "My Preset" },
        { "   ", "Preset" },
        { "!?.,;", "Preset" },
        { "(Lead)", "Lead" },
        { "! Lead", " Lead" },
        { "  Crunch 2_a-b  ", "Crunch 2_a-b" },
        { "../x", "x" },
        { "/etc/passwd", "etcpasswd" },
        { "a/b\\c", "abc" },
        { "..", "Preset" },
        { "tab\tand\nnewline\x01", "tabandnewline" },
        { "caf\xc3\xa9", "caf" },
        { "", "Preset" },
    };

    for (const auto& [in, out] : cases)
        EXPECT_EQ (PresetStorage::sanitisePresetName (juce::String::fromUTF8 (in)), out) << in;
}

TEST_F (Storage, ListingRule)
{
    EXPECT_TRUE (storage.listPresetNames().isEmpty()) << "no folder yet";

    ASSERT_TRUE (storage.savePresetFile ("gamma", tree()));
    ASSERT_TRUE (storage.savePresetFile ("alpha", tree()));
    ASSERT_TRUE (storage.savePresetFile ("Beta", tree()));
    writeByHand (".xml");
    writeByHand (juce::String::fromUTF8 ("caf\xc3\xa9 fr.ancais.xml"));
    writeByHand ("notes.txt");
    home.presets().getChildFile ("Sub").createDirectory();
    home.presets().getChildFile ("Sub/hidden.xml").replaceWithText ("<PARAMETERS/>");
    home.presets().getChildFile ("folder.xml").createDirectory();

    juce::StringArray expected { ".xml", "alpha", "Beta" };
    expected.add (juce::String::fromUTF8 ("caf\xc3\xa9 fr.ancais"));
    expected.add ("gamma");
    EXPECT_EQ (storage.listPresetNames(), expected);
}

TEST_F (Storage, HandNamedFileIsListedButNotReachableByItsName)
{
    writeByHand ("Odd.Name.xml");
    ASSERT_TRUE (storage.listPresetNames().contains ("Odd.Name"));

    juce::ValueTree t;
    EXPECT_FALSE (storage.loadPresetFile ("Odd.Name", t)) << "goes to OddName.xml";
    EXPECT_FALSE (storage.deletePresetFile ("Odd.Name"));
    EXPECT_FALSE (storage.renamePresetFile ("Odd.Name", "Other"));
    EXPECT_TRUE (home.presets().getChildFile ("Odd.Name.xml").existsAsFile());
}

TEST_F (Storage, SavedFileBytes)
{
    auto t = tree (-2.5f);
    t.setProperty ("uiCurrentPresetName", "Restored", nullptr);
    ASSERT_TRUE (storage.savePresetFile ("Exact", t));

    juce::MemoryBlock bytes;
    ASSERT_TRUE (home.presets().getChildFile ("Exact.xml").loadFileAsData (bytes));
    EXPECT_EQ (bytes.toString(),
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
               "\r\n"
               "<PARAMETERS uiCurrentPresetName=\"Restored\">\r\n"
               "  <PARAM id=\"tight\" value=\"-2.5\"/>\r\n"
               "</PARAMETERS>\r\n");
}

TEST_F (Storage, LoadGivesTheTreeAndToleratesOtherRootTags)
{
    ASSERT_TRUE (storage.savePresetFile ("Round", tree (4.0f)));
    juce::ValueTree loaded;
    ASSERT_TRUE (storage.loadPresetFile ("Round", loaded));
    EXPECT_TRUE (loaded.isEquivalentTo (tree (4.0f))) << loaded.toXmlString();

    writeByHand ("Foreign.xml", "<SOMETHING a=\"1\"><PARAM id=\"tight\" value=\"2\"/></SOMETHING>");
    ASSERT_TRUE (storage.loadPresetFile ("Foreign", loaded));
    EXPECT_TRUE (loaded.hasType ("SOMETHING"));
}

TEST_F (Storage, UnreadableFilesLeaveTheTreeAlone)
{
    writeByHand ("Broken.xml", "<PARAMETERS><PARAM id=");
    writeByHand ("Empty.xml", "");
    home.presets().getChildFile ("Dir.xml").createDirectory();

    for (auto name : { "Broken", "Empty", "Dir", "Missing" })
    {
        auto t = tree (7.0f);
        EXPECT_FALSE (storage.loadPresetFile (name, t)) << name;
        EXPECT_TRUE (t.isEquivalentTo (tree (7.0f))) << name;
    }
}

TEST_F (Storage, MovesRefusedOntoExistingFilesKeepBoth)
{
    ASSERT_TRUE (storage.savePresetFile ("Lead", tree (1.0f)));
    ASSERT_TRUE (storage.savePresetFile ("Rhythm", tree (2.0f)));

    EXPECT_FALSE (storage.renamePresetFile ("Lead", "Rhythm"));
    EXPECT_FALSE (storage.renamePresetFile ("Lead", "Lead!")) << "same sanitised file";
    EXPECT_FALSE (storage.renamePresetFile ("Lead", "   "));
    EXPECT_FALSE (storage.renamePresetFile ("Nothing", "New"));

    juce::ValueTree t;
    ASSERT_TRUE (storage.loadPresetFile ("Lead", t));
    EXPECT_TRUE (t.isEquivalentTo (tree (1.0f)));
    ASSERT_TRUE (storage.loadPresetFile ("Rhythm", t));
    EXPECT_TRUE (t.isEquivalentTo (tree (2.0f)));

    EXPECT_TRUE (storage.renamePresetFile ("Lead", "!!!")) << "a name of removed characters becomes Preset";
    EXPECT_TRUE (home.presets().getChildFile ("Preset.xml").existsAsFile());
    EXPECT_FALSE (home.presets().getChildFile ("Lead.xml").exists());
}

TEST_F (Storage, DeleteOnlyPresetFiles)
{
    ASSERT_TRUE (storage.savePresetFile ("Gone", tree()));
    EXPECT_TRUE (storage.deletePresetFile ("Gone"));
    EXPECT_FALSE (home.presets().getChildFile ("Gone.xml").exists());
    EXPECT_FALSE (storage.deletePresetFile ("Gone"));

    home.presets().getChildFile ("Dir.xml").createDirectory();
    EXPECT_FALSE (storage.deletePresetFile ("Dir"));
    EXPECT_TRUE (home.presets().getChildFile ("Dir.xml").isDirectory());
}

TEST_F (Storage, UntrustedNamesStayInsideThePresetsFolder)
{
    juce::String huge;
    for (int i = 0; i < 10000; ++i)
        huge << "a";

    const juce::String names[] { "../x", "/etc/passwd", "a/b", "..", ".", "~/evil",
                                 juce::String::fromUTF8 ("nul\0byte", 8), "ctl\x01\x1f\x7f", "\\..\\..\\win" };

    // Whatever the name became, using it must not crash.
    for (const auto& name : names)
    {
        EXPECT_TRUE (storage.savePresetFile (name, tree())) << name;
        EXPECT_EQ (storage.getPresetFile (name).getParentDirectory(), home.presets()) << name;
        juce::ValueTree t;
        EXPECT_TRUE (storage.loadPresetFile (name, t)) << name;
        EXPECT_TRUE (storage.renamePresetFile (name, name + "2")) << name;
        EXPECT_TRUE (storage.deletePresetFile (name + "2")) << name;
    }

    // A name too long for the file system: nothing is written, nothing breaks.
    EXPECT_FALSE (storage.savePresetFile (huge, tree()));
    juce::ValueTree t;
    EXPECT_FALSE (storage.loadPresetFile (huge, t));
    EXPECT_FALSE (storage.deletePresetFile (huge));
    ASSERT_TRUE (storage.savePresetFile ("Short", tree()));
    EXPECT_FALSE (storage.renamePresetFile ("Short", huge));
    EXPECT_TRUE (storage.deletePresetFile ("Short")) << "the source survives a refused move";

    EXPECT_EQ (home.everything(), juce::StringArray ({ "config", "config/VontalAudio", "config/VontalAudio/Emberlash",
                                                       "config/VontalAudio/Emberlash/version_1.0.1",
                                                       "config/VontalAudio/Emberlash/version_1.0.1/Presets" }));
}

// A file copied in by hand may carry a name that is not UTF-8.
TEST_F (Storage, FileNameThatIsNotUtf8)
{
    home.presets().createDirectory();
    const std::string raw = std::string (home.presets().getFullPathName().toRawUTF8()) + "/bad\xff.xml";
    FILE* f = std::fopen (raw.c_str(), "w");
    ASSERT_NE (f, nullptr);
    std::fputs ("<PARAMETERS/>", f);
    std::fclose (f);

    const auto names = storage.listPresetNames();
    EXPECT_EQ (names.size(), 1);

    // Whatever the name became, using it must not crash.
    for (const auto& name : names)
    {
        juce::ValueTree t;
        storage.loadPresetFile (name, t);
        storage.renamePresetFile (name, "Renamed");
        storage.deletePresetFile (name);
    }
}
