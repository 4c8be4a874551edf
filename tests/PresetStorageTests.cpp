#include <gtest/gtest.h>

#include "processor/PresetStorage.h"
#include "processor/RegularFile.h"
#include "tests/ChildProcess.h"
#include "tests/FolderContents.h"
#include "tests/TempHome.h"
#include "tests/TestSupport.h"

#include <sys/stat.h>
#include <unistd.h>

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

        std::string path (const char* fileName) const
        {
            return home.presets().getChildFile (fileName).getFullPathName().toStdString();
        }

        // The odd things a presets folder may hold besides preset files.
        void addSpecialEntries()
        {
            home.presets().createDirectory();
            ASSERT_EQ (mkfifo (path ("Special.xml").c_str(), 0644), 0);
            ASSERT_EQ (symlink ("/dev/zero", path ("Zero.xml").c_str()), 0);
            ASSERT_EQ (symlink ("Missing.xml", path ("Dangling.xml").c_str()), 0);
            ASSERT_TRUE (home.presets().getChildFile ("Folder.xml").createDirectory().wasOk());
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

TEST_F (Storage, ListedNamesLeadToTheFilesTheyCameFromAndNothingElseIsListed)
{
    writeByHand ("Lower.xml");
    writeByHand ("Odd.Name.xml");
    writeByHand ("Lead (old).xml");
    writeByHand ("Lead old.xml");
    writeByHand ("Upper.XML");     // another file than Upper.xml, which the name Upper leads to
    writeByHand ("Mixed.Xml");
    writeByHand (".xml");          // listed as ".xml", and so is the next: neither is
    writeByHand (".xml.xml");
    home.home().getChildFile ("elsewhere.xml").replaceWithText ("<PARAMETERS/>");
    ASSERT_EQ (symlink (home.home().getChildFile ("elsewhere.xml").getFullPathName().toRawUTF8(),
                        path ("Linked.xml").c_str()), 0);
    addSpecialEntries();

    EXPECT_EQ (storage.listPresetNames(),
               juce::StringArray ({ "Lead (old)", "Lead old", "Linked", "Lower", "Odd.Name" }));

    const std::pair<const char*, const char*> cases[] {
        { "Lead (old)", "Lead (old).xml" }, { "Lead old", "Lead old.xml" }, { "Odd.Name", "Odd.Name.xml" },
        { "Lower", "Lower.xml" }, { "Linked", "Linked.xml" },
        { "OddName", nullptr }, { "lower", nullptr }, { "Upper", nullptr }, { "Mixed", nullptr },
        { ".xml", nullptr }, { "Special", nullptr }, { "Zero", nullptr }, { "Dangling", nullptr },
        { "Folder", nullptr }, { "Missing", nullptr },
    };

    for (const auto& [name, fileName] : cases)
        EXPECT_EQ (storage.findListedFile (name),
                   fileName != nullptr ? home.presets().getChildFile (fileName) : juce::File()) << name;
}

// Each read runs in a child, so one that blocks fails instead of stalling.
TEST_F (Storage, OnlyRegularFilesUpToTheCapAreRead)
{
    const auto cap = PresetStorage::maxPresetFileBytes;
    writeByHand ("Small.xml");
    writeByHand ("AtCap.xml", juce::String::repeatedString (" ", (int) cap));
    writeByHand ("OverCap.xml", juce::String::repeatedString (" ", (int) cap + 1));
    ASSERT_EQ (symlink ("Small.xml", path ("Linked.xml").c_str()), 0);
    addSpecialEntries();
    ASSERT_TRUE (testing_support::makeSparseFile (home.presets().getChildFile ("Huge.xml"), 400 * 1024 * 1024));
    const auto start = testing_support::folderContents (home.presets());

    struct Case { const char* fileName; int size; };  // -1: not read
    const Case cases[] {
        { "Small.xml", 13 }, { "Linked.xml", 13 }, { "AtCap.xml", (int) cap },
        { "OverCap.xml", -1 }, { "Huge.xml", -1 }, { "Special.xml", -1 }, { "Zero.xml", -1 },
        { "Dangling.xml", -1 }, { "Folder.xml", -1 }, { "Missing.xml", -1 },
    };

    for (const auto& c : cases)
    {
        const auto file = home.presets().getChildFile (c.fileName);
        const auto code = testing_support::runInChild ([&]
        {
            juce::MemoryBlock bytes;
            bytes.append ("untouched", 9);

            if (RegularFile::read (file, cap, bytes))
                return (int) bytes.getSize() == c.size ? 1 : 2;

            return bytes.toString() == "untouched" ? 0 : 2;
        });

        EXPECT_NE (code, testing_support::childHung) << c.fileName << ": the read blocked";
        EXPECT_EQ (code, c.size >= 0 ? 1 : 0) << c.fileName;
    }

    EXPECT_EQ (testing_support::folderContents (home.presets()), start);
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

    // Whatever the name became, using it must not crash; the preset is
    // listed under its file name.
    for (const auto& name : names)
    {
        EXPECT_TRUE (storage.savePresetFile (name, tree())) << name;
        EXPECT_EQ (storage.getPresetFile (name).getParentDirectory(), home.presets()) << name;
        const auto listed = PresetStorage::sanitisePresetName (name);
        EXPECT_EQ (storage.listPresetNames(), juce::StringArray (listed)) << name;
        juce::ValueTree t;
        EXPECT_TRUE (storage.loadPresetFile (listed, t)) << name;
        EXPECT_TRUE (storage.renamePresetFile (listed, name + "2")) << name;
        EXPECT_TRUE (storage.deletePresetFile (PresetStorage::sanitisePresetName (name + "2"))) << name;
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

// A file copied in by hand may carry a name that is not UTF-8. The
// framework keeps the name's bytes, so the file is listed and reached.
TEST_F (Storage, FileNameThatIsNotUtf8)
{
    home.presets().createDirectory();
    const std::string raw = std::string (home.presets().getFullPathName().toRawUTF8()) + "/bad\xff.xml";

    const auto writeRaw = [&raw]
    {
        FILE* f = std::fopen (raw.c_str(), "w");
        ASSERT_NE (f, nullptr);
        std::fputs ("<PARAMETERS a=\"1\"/>", f);
        std::fclose (f);
    };

    writeRaw();
    const auto start = testing_support::folderContents (home.presets());
    const auto names = storage.listPresetNames();
    ASSERT_EQ (names.size(), 1);

    juce::ValueTree t;
    EXPECT_TRUE (storage.loadPresetFile (names[0], t));
    EXPECT_TRUE (t.isEquivalentTo (juce::ValueTree ("PARAMETERS").setProperty ("a", 1, nullptr)));
    EXPECT_EQ (testing_support::folderContents (home.presets()), start);

    EXPECT_TRUE (storage.renamePresetFile (names[0], "Renamed"));
    EXPECT_EQ (testing_support::folderContents (home.presets()),
               (std::map<std::string, std::string> { { "Renamed.xml", start.begin()->second } }));

    ASSERT_TRUE (storage.deletePresetFile ("Renamed"));
    writeRaw();
    EXPECT_TRUE (storage.deletePresetFile (names[0]));
    EXPECT_TRUE (testing_support::folderContents (home.presets()).empty());
}
