#include <gtest/gtest.h>

#include "tests/ChildProcess.h"
#include "tests/FolderContents.h"
#include "tests/ProcessorTestUtils.h"
#include "tests/TempHome.h"

#include <csignal>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace testing_support;

namespace
{
    using Contents = std::map<std::string, std::string>;

    class UserPresets : public testing::Test
    {
    protected:
        juce::File file (const juce::String& name) const { return home.presets().getChildFile (name + ".xml"); }

        // A preset file told apart from others by its tight value.
        static std::string presetText (float tight)
        {
            return "<PARAMETERS><PARAM id=\"tight\" value=\"" + std::to_string (tight) + "\"/></PARAMETERS>";
        }

        void writeFile (const std::string& fileName, const std::string& bytes)
        {
            ASSERT_TRUE (home.presets().createDirectory().wasOk());
            ASSERT_TRUE (home.presets().getChildFile (fileName).replaceWithData (bytes.data(), bytes.size()));
        }

        void startWith (const Contents& files)
        {
            home.presets().deleteRecursively();
            for (const auto& [fileName, bytes] : files)
                writeFile (fileName, bytes);
        }

        // The bytes a save of the processor's state writes now.
        std::string bytesOfASave()
        {
            const auto name = processor.getCurrentPresetName();
            const auto isUser = processor.isCurrentPresetUser();
            const auto isModified = processor.isCurrentPresetModified();
            EXPECT_TRUE (processor.saveUserPreset ("Probe"));
            const auto bytes = folderContents (home.presets())["Probe.xml"];
            EXPECT_TRUE (file ("Probe").deleteFile());
            processor.setCurrentPreset (name, isUser, isModified);
            return bytes;
        }

        // A preset file of exactly the given size (tight 6, padded with blanks).
        static std::string presetOfSize (size_t size)
        {
            const std::string head = "<PARAMETERS><PARAM id=\"tight\" value=\"6\"/>", tail = "</PARAMETERS>";
            return head + std::string (size - head.size() - tail.size(), ' ') + tail;
        }

        std::string path (const std::string& fileName) const
        {
            return home.presets().getChildFile (fileName).getFullPathName().toStdString();
        }

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

    // An id that names no parameter changes nothing at all.
    const auto before = snapshot (processor);
    processor.setCurrentPreset ("Kept", true, false);
    processor.setParameterValue ("nonexistent", 1.0f);
    EXPECT_EQ (snapshot (processor), before);
    EXPECT_EQ (presetState (processor), (PresetState { "Kept", true, "Kept" }));
}

//==============================================================================
// A name from the list acts on the very file it was listed from; a typed
// name is saved under its sanitised file name unless a preset is listed under it.
TEST_F (UserPresets, ListedNamesActOnExactlyTheFilesTheyCameFrom)
{
    const Contents start {
        { "Lead (old).xml", presetText (1.0f) },
        { "Lead old.xml",   presetText (2.0f) },
        { "Odd.Name.xml",   presetText (3.0f) },
        { "Upper.XML",      presetText (4.0f) },  // not listed: no operation reaches it
    };

    const PresetState kept { "Kept", true, "Kept *" };
    const std::string saved = "<what a save writes>";

    enum Operation { load, remove, rename, save };

    struct Case
    {
        const char* what;
        Operation operation;
        const char* name;
        const char* newName;
        bool succeeds;
        Contents after;   // only the files that differ from the start: an empty text is a deleted file
        float tight;
    };

    const Case cases[] = {
        { "load a hand-named file",       load,   "Lead (old)", nullptr,      true,  {},                                        1.0f },
        { "load its neighbour",           load,   "Lead old",   nullptr,      true,  {},                                        2.0f },
        { "load a name with a dot",       load,   "Odd.Name",   nullptr,      true,  {},                                        3.0f },
        { "load the sanitised name",      load,   "OddName",    nullptr,      false, {},                                        9.0f },
        { "load in another case",         load,   "lead (old)", nullptr,      false, {},                                        9.0f },
        { "load an upper-case extension", load,   "Upper",      nullptr,      false, {},                                        9.0f },
        { "delete a hand-named file",     remove, "Lead (old)", nullptr,      true,  { { "Lead (old).xml", "" } },              9.0f },
        { "delete a name with a dot",     remove, "Odd.Name",   nullptr,      true,  { { "Odd.Name.xml", "" } },                9.0f },
        { "delete the sanitised name",    remove, "OddName",    nullptr,      false, {},                                        9.0f },
        { "delete an upper-case one",     remove, "Upper",      nullptr,      false, {},                                        9.0f },
        { "rename a hand-named file",     rename, "Lead (old)", "Fresh",      true,  { { "Lead (old).xml", "" },
                                                                                       { "Fresh.xml", presetText (1.0f) } },    9.0f },
        { "rename a name with a dot",     rename, "Odd.Name",   "Odd Name",   true,  { { "Odd.Name.xml", "" },
                                                                                       { "Odd Name.xml", presetText (3.0f) } }, 9.0f },
        { "rename onto a taken file",     rename, "Lead (old)", "Lead old!",  false, {},                                        9.0f },
        { "rename onto a listed name",    rename, "Lead old",   "Lead (old)", false, {},                                        9.0f },
        { "rename the sanitised name",    rename, "OddName",    "Other",      false, {},                                        9.0f },
        { "save a listed name",           save,   "Lead (old)", nullptr,      true,  { { "Lead (old).xml", saved } },           9.0f },
        { "save a typed name",            save,   "Lead (old)!", nullptr,     true,  { { "Lead old.xml", saved } },             9.0f },
        { "save beside an upper-case one", save,  "Upper",      nullptr,      true,  { { "Upper.xml", saved } },                9.0f },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        startWith (start);
        setPlain (processor, "tight", 9.0f);
        processor.setCurrentPreset ("Kept", true, true);
        const auto savedNow = bytesOfASave();

        bool result = false;
        switch (c.operation)
        {
            case load:   result = processor.loadUserPreset (c.name); break;
            case remove: result = processor.deleteUserPreset (c.name); break;
            case rename: result = processor.renameUserPreset (c.name, c.newName); break;
            case save:   result = processor.saveUserPreset (c.name); break;
        }

        EXPECT_EQ (result, c.succeeds);

        auto expected = start;
        for (const auto& [fileName, bytes] : c.after)
            if (bytes.empty())
                expected.erase (fileName);
            else
                expected[fileName] = bytes == saved ? savedNow : bytes;

        EXPECT_EQ (folderContents (home.presets()), expected);
        EXPECT_FLOAT_EQ (plain (processor, "tight"), c.tight);

        const bool madeCurrent = c.succeeds && (c.operation == load || c.operation == save);
        EXPECT_EQ (presetState (processor), (madeCurrent ? PresetState { c.name, true, c.name } : kept));
    }
}

// A file-size limit below the preset's size gives a real short write: the
// save fails, and every file is as it was, with no temporary file left.
TEST_F (UserPresets, ShortWritesFailAndLeaveEveryFileAsItWas)
{
    setPlain (processor, "tight", 1.0f);
    ASSERT_TRUE (processor.saveUserPreset ("Lead"));
    const auto start = folderContents (home.presets());

    setPlain (processor, "tight", 5.0f);
    processor.setCurrentPreset ("Kept", true, true);
    const auto saved = bytesOfASave();
    const auto size = (rlim_t) saved.size();

    struct Case { const char* name; rlim_t limit; bool succeeds; };
    const Case cases[] = {
        { "Lead", 0,        false },
        { "Lead", 1,        false },
        { "Lead", size / 2, false },
        { "Lead", size - 1, false },
        { "Lead", size,     true },
        { "New",  size - 1, false },
        { "New",  size,     true },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.name) + " with a limit of " + juce::String ((int) c.limit) + " bytes");

        const auto code = runInChild ([&]
        {
            std::signal (SIGXFSZ, SIG_IGN);
            const rlimit limit { c.limit, RLIM_INFINITY };

            if (setrlimit (RLIMIT_FSIZE, &limit) != 0)
                return 3;

            const auto result = processor.saveUserPreset (c.name);
            const auto expectedState = result ? PresetState { c.name, true, c.name } : PresetState { "Kept", true, "Kept *" };

            if (! (presetState (processor) == expectedState))
                return 2;

            return result ? 1 : 0;
        });

        EXPECT_EQ (code, c.succeeds ? 1 : 0);

        auto expected = start;
        if (c.succeeds)
            expected[std::string (c.name) + ".xml"] = saved;

        EXPECT_EQ (folderContents (home.presets()), expected);
        startWith (start);
    }
}

// Names up to the file system's limit: a rename can make them, and a save
// replaces them again.
TEST_F (UserPresets, TheLongestNamesAreSavedAgain)
{
    struct Case { int length; bool fits; };
    const Case cases[] = { { 240, true }, { 251, true }, { 252, false } };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.length);
        const auto cleaned = juce::String::repeatedString ("ab", c.length / 2) + (c.length % 2 != 0 ? "c" : "");
        ASSERT_EQ (cleaned.length(), c.length);
        const auto typed = cleaned + "?!";

        startWith ({});
        setPlain (processor, "tight", 1.0f);
        ASSERT_TRUE (processor.saveUserPreset ("Short"));
        const auto shortOnly = folderContents (home.presets());

        EXPECT_EQ (processor.renameUserPreset ("Short", typed), c.fits);

        if (! c.fits)
        {
            EXPECT_FALSE (processor.saveUserPreset (typed));
            EXPECT_EQ (folderContents (home.presets()), shortOnly);
            continue;
        }

        EXPECT_EQ (processor.getUserPresetNames(), juce::StringArray (cleaned));
        setPlain (processor, "tight", 7.0f);
        EXPECT_TRUE (processor.saveUserPreset (cleaned));
        EXPECT_EQ (presetState (processor), (PresetState { cleaned, true, cleaned }));

        const auto files = folderContents (home.presets());
        EXPECT_EQ (files.size(), 1u);
        setPlain (processor, "tight", 0.0f);
        EXPECT_TRUE (processor.loadUserPreset (cleaned));
        EXPECT_FLOAT_EQ (plain (processor, "tight"), 7.0f);
    }
}

// Odd things in the presets folder: nothing blocks, nothing is read without
// limit, and only a regular file (after following a link) of at most the cap
// is listed and read. Each case runs in a child, so a hang fails it.
TEST_F (UserPresets, SpecialFilesNeitherBlockNorExhaustMemory)
{
    const auto cap = PresetStorage::maxPresetFileBytes;
    startWith ({ { "AtCap.xml", presetOfSize (cap) }, { "OverCap.xml", presetOfSize (cap + 1) } });
    ASSERT_EQ (mkfifo (path ("Special.xml").c_str(), 0644), 0);
    ASSERT_EQ (symlink ("/dev/zero", path ("Zero.xml").c_str()), 0);
    ASSERT_EQ (symlink ("AtCap.xml", path ("Linked.xml").c_str()), 0);
    ASSERT_TRUE (testing_support::makeSparseFile (home.presets().getChildFile ("Huge.xml"), 400 * 1024 * 1024));
    ASSERT_TRUE (home.presets().getChildFile ("Folder.xml").createDirectory().wasOk());
    const auto start = folderContents (home.presets());

    setPlain (processor, "tight", -1.0f);
    processor.setCurrentPreset ("Kept", true, true);
    const auto before = snapshot (processor);

    EXPECT_EQ (processor.getUserPresetNames(), juce::StringArray ({ "AtCap", "Huge", "Linked", "OverCap" }));

    struct Case { const char* name; bool loads; };
    const Case cases[] = {
        { "Special", false }, { "Zero", false }, { "Huge", false }, { "OverCap", false }, { "Folder", false },
        { "AtCap", true }, { "Linked", true },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);

        const auto code = runInChild ([&]
        {
            const auto loaded = processor.loadUserPreset (c.name);

            if (loaded)
                return presetState (processor) == PresetState { c.name, true, c.name } && juce::exactlyEqual (plain (processor, "tight"), 6.0f) ? 1 : 2;

            return snapshot (processor) == before && presetState (processor) == PresetState { "Kept", true, "Kept *" } ? 0 : 2;
        });

        EXPECT_NE (code, childHung) << "the load blocked";
        EXPECT_EQ (code, c.loads ? 1 : 0);
    }

    EXPECT_EQ (folderContents (home.presets()), start);
}

namespace
{
    // The process's data memory now (heaps and private writable mappings,
    // what RLIMIT_DATA limits), in bytes.
    rlim_t dataInUse()
    {
        std::ifstream status ("/proc/self/status");
        std::string word;

        while (status >> word)
            if (word == "VmData:")
            {
                rlim_t kilobytes = 0;
                status >> kilobytes;
                return kilobytes * 1024;
            }

        return 0;
    }
}

// Memory that runs out while a preset is read: the operation fails and no
// exception (std::bad_alloc) leaves it.
TEST_F (UserPresets, RunningOutOfMemoryIsAFailureNotAnException)
{
   #if defined (__SANITIZE_ADDRESS__) || defined (__SANITIZE_THREAD__)
    GTEST_SKIP() << "a sanitizer's allocator ends the process on an allocation the limit refuses";
   #else
    const auto cap = PresetStorage::maxPresetFileBytes;
    startWith ({ { "Big.xml", presetOfSize (cap) } });
    const auto start = folderContents (home.presets());
    processor.setCurrentPreset ("Kept", true, false);
    const auto before = snapshot (processor);

    const auto code = runInChild ([&]
    {
        // Room for little more data than the process holds now, and the heap
        // filled up to a last quarter of a megabyte: the small allocations
        // of a load still succeed, the block for a file of a megabyte does not.
        const rlimit tight { dataInUse() + 64 * 1024, RLIM_INFINITY };
        const rlimit loose { RLIM_INFINITY, RLIM_INFINITY };

        if (setrlimit (RLIMIT_DATA, &tight) != 0)
            return 4;

        void* lastBlocks[4] {};

        for (size_t n = 0;; ++n)
        {
            auto* block = std::malloc (64 * 1024);

            if (block == nullptr)
                break;

            lastBlocks[n % 4] = block;
        }

        for (auto* block : lastBlocks)
            std::free (block);

        bool loaded = true;

        try
        {
            loaded = processor.loadUserPreset ("Big");
        }
        catch (...)
        {
            return 3;
        }

        setrlimit (RLIMIT_DATA, &loose);

        if (loaded)
            return 1;

        if (! (snapshot (processor) == before) || processor.getCurrentPresetDisplayName() != "Kept")
            return 2;

        // Nothing was left half done: a change marks the preset modified again.
        setPlain (processor, "bite", 2.0f);
        return processor.getCurrentPresetDisplayName() == "Kept *" ? 0 : 2;
    });

    EXPECT_EQ (code, 0) << "1: loaded all the same, 2: state changed, 3: an exception left the load";
    EXPECT_EQ (folderContents (home.presets()), start);
   #endif
}
