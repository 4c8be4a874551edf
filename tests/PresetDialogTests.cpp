#include "tests/PresetUiTestSupport.h"
#include "tests/DialogTextAssertions.h"
#include "tests/TempHome.h"
#include "tests/WindowTestSupport.h"

#include "editor/EmberLashAudioProcessorEditor.h"
#include "processor/EmberLashAudioProcessor.h"
#include "tests/FolderContents.h"
#include "tests/ProcessorTestUtils.h"

#include <functional>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace preset_ui_test;

namespace
{
    const juce::String menuMark = juce::String::fromUTF8 ("  \xe2\x96\xbe");

    MenuBar* menuBarOf (juce::Component& editor)
    {
        for (auto* child : editor.getChildren())
            if (auto* bar = dynamic_cast<MenuBar*> (child))
                return bar;
        return nullptr;
    }

    // An editor on the desktop, shown and settled.
    std::unique_ptr<EmberLashAudioProcessorEditor> openEditor (EmberLashAudioProcessor& processor)
    {
        auto editor = std::make_unique<EmberLashAudioProcessorEditor> (processor);
        editor->addToDesktop (0);
        editor->setVisible (true);
        pumpMessages (30);
        return editor;
    }

    // Checks the dialog that is modal now and hands it back.
    juce::AlertWindow* expectDialog (const juce::String& title, const juce::String& message,
                                     juce::MessageBoxIconType icon, const juce::StringArray& buttons,
                                     const char* field = nullptr)
    {
        auto* dialog = modalDialog();
        EXPECT_NE (dialog, nullptr) << "no dialog for " << title;
        if (dialog == nullptr)
            return nullptr;

        const auto shown = describe (*dialog);
        EXPECT_EQ (shown.title, title);
        EXPECT_EQ (shown.message, message);
        EXPECT_EQ (shown.icon, icon) << title;
        EXPECT_EQ (shown.buttons, buttons);
        EXPECT_EQ (shown.hasNameField, field != nullptr) << title;
        if (field != nullptr)
        {
            EXPECT_EQ (shown.nameField, field);
        }
        return dialog;
    }

    // Checks the success message that is modal now and closes it with OK.
    void expectSuccess (const juce::String& message)
    {
        if (auto* dialog = expectDialog ("Success", message, juce::MessageBoxIconType::NoIcon, { "OK" }))
            press (*dialog, "OK");
        EXPECT_EQ (numModalComponents(), 0);
    }

    void expectNothingOpen()
    {
        EXPECT_EQ (numModalComponents(), 0);
        EXPECT_EQ (modalDialog(), nullptr);
    }

    //==========================================================================
    // The plug-in window on the screen with a real processor and a fresh home.
    struct DialogFixture : testing::Test
    {
        void SetUp() override
        {
            editor = std::make_unique<EmberLashAudioProcessorEditor> (processor);
            editor->setTopLeftPosition (120, 90);
            editor->addToDesktop (0);
            editor->setVisible (true);
            editor->toFront (true);
            pumpMessages (50);

            bar = menuBarOf (*editor);
            ASSERT_NE (bar, nullptr);
            access = std::make_unique<PresetUiTestAccess> (*bar);
        }

        void TearDown() override
        {
            closeAllDialogs();
            access.reset();
            editor.reset();
            pumpMessages (20);
        }

        juce::File fileOf (const juce::String& name) const { return home.presets().getChildFile (name + ".xml"); }

        // A preset file made by hand, told apart from others by its marker.
        void writePreset (const juce::String& name, const juce::String& marker)
        {
            ASSERT_TRUE (home.presets().createDirectory().wasOk());
            ASSERT_TRUE (fileOf (name).replaceWithText ("<PARAMETERS marker=\"" + marker + "\"/>"));
        }

        // Every preset file and the marker it holds (empty for a saved preset).
        std::map<juce::String, juce::String> presetFiles() const
        {
            std::map<juce::String, juce::String> files;
            for (const auto& f : home.presets().findChildFiles (juce::File::findFiles, false, "*"))
            {
                auto xml = juce::parseXML (f);
                files[f.getFileName()] = xml != nullptr ? xml->getStringAttribute ("marker") : "?";
            }
            return files;
        }

        // Only the given hand-made presets, each marked with its lower-cased name.
        void startWithPresets (std::initializer_list<const char*> names)
        {
            for (const auto& [name, marker] : presetFiles())
                home.presets().getChildFile (name).deleteFile();
            for (auto* name : names)
                writePreset (name, juce::String (name).toLowerCase());
        }

        // The plain value of a parameter in a saved preset file.
        double savedValue (const juce::String& name, const juce::String& id) const
        {
            auto xml = juce::parseXML (fileOf (name));
            if (xml == nullptr)
                return -1000.0;
            auto* param = xml->getChildByAttribute ("id", id);
            return param != nullptr ? param->getDoubleAttribute ("value") : -1000.0;
        }

        void setPlain (const juce::String& id, float plain)
        {
            auto* parameter = processor.valueTreeState.getParameter (id);
            parameter->setValueNotifyingHost (parameter->convertTo0to1 (plain));
        }

        testing_support::TempHome home;
        EmberLashAudioProcessor processor;
        FailingPresets failing { processor };   // for a test that puts it between
        std::unique_ptr<EmberLashAudioProcessorEditor> editor;
        MenuBar* bar = nullptr;
        std::unique_ptr<PresetUiTestAccess> access;
    };

    // A menu bar of its own in front of a fake processor.
    struct FakeDialogFixture : DialogFixture
    {
        void SetUp() override
        {
            DialogFixture::SetUp();
            bar->setPresettableProcessor (&fake);
        }

        RecordingPresets fake;
    };
}

//==============================================================================
TEST_F (DialogFixture, SaveDialog)
{
    bar->showSaveDialog();
    auto* dialog = expectDialog ("Save Preset", "Enter a name:", juce::MessageBoxIconType::NoIcon,
                                 { "Save", "Cancel" }, "MyPreset");
    ASSERT_NE (dialog, nullptr);

    EXPECT_EQ (&dialog->getLookAndFeel(), &access->dialogLookAndFeel());
    EXPECT_TRUE (dialog->isCurrentlyModal());

    const auto* save = buttonNamed (*dialog, "Save");
    const auto* cancel = buttonNamed (*dialog, "Cancel");
    EXPECT_TRUE (save->isRegisteredForShortcut (juce::KeyPress (juce::KeyPress::returnKey)));
    EXPECT_FALSE (save->isRegisteredForShortcut (juce::KeyPress (juce::KeyPress::escapeKey)));
    EXPECT_TRUE (cancel->isRegisteredForShortcut (juce::KeyPress (juce::KeyPress::escapeKey)));
    EXPECT_FALSE (cancel->isRegisteredForShortcut (juce::KeyPress (juce::KeyPress::returnKey)));

    // The name is ready to be typed over.
    EXPECT_EQ (juce::Component::getCurrentlyFocusedComponent(), dialog->getTextEditor ("presetName"));

    juce::Component::SafePointer<juce::AlertWindow> watch (dialog);
    press (*dialog, "Cancel");
    EXPECT_EQ (watch.getComponent(), nullptr) << "the dialog is deleted after its answer";
    expectNothingOpen();
    EXPECT_FALSE (home.presets().exists());
}

TEST (PresetDialogNames, DefaultSaveName)
{
    juce::StringArray upTo9999 { "MyPreset" };
    for (int i = 1; i <= 9999; ++i)
        upTo9999.add ("MyPreset" + juce::String (i));

    struct Case
    {
        const char* what;
        const char* current;
        bool isUser, modified;
        juce::StringArray user;
        const char* expected;
    };

    const Case cases[] = {
        { "current user preset",            "Lead",    true,  false, { "Lead" },                  "Lead" },
        { "current user preset, modified",  "Lead",    true,  true,  { "Lead" },                  "Lead" },
        { "current user preset, trimmed",   " Lead\t", true,  false, { "Lead" },                  "Lead" },
        { "blank user name",                "   ",     true,  false, {},                          "MyPreset" },
        { "no preset, none saved",          "Presets", false, false, {},                          "MyPreset" },
        { "factory preset current",         "Chugs",   false, false, { "MyPreset", "mypreset1" }, "MyPreset2" },
        { "taken ignoring case",            "Presets", false, false, { "MYPRESET" },              "MyPreset1" },
        { "a gap is used",                  "Presets", false, false, { "MyPreset", "MyPreset2" }, "MyPreset1" },
        { "all ten thousand taken",         "Presets", false, false, upTo9999,                    "MyPreset_New" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        RecordingPresets fake;
        fake.currentName = c.current;
        fake.currentIsUser = c.isUser;
        fake.modified = c.modified;
        fake.user = c.user;

        MenuBar bar;
        bar.setPresettableProcessor (&fake);
        PresetUiTestAccess access (bar);
        EXPECT_EQ (access.defaultSaveName(), c.expected);
    }

    // MyPreset_New is not tested against the list.
    RecordingPresets fake;
    fake.user = upTo9999;
    fake.user.add ("MyPreset_New");
    MenuBar bar;
    bar.setPresettableProcessor (&fake);
    EXPECT_EQ (PresetUiTestAccess (bar).defaultSaveName(), "MyPreset_New");
}

TEST_F (DialogFixture, SavingTrimsTheNameAndIgnoresBlanks)
{
    bar->showSaveDialog();
    setName (*modalDialog(), "   ");
    press (*modalDialog(), "Save");
    expectNothingOpen();
    EXPECT_TRUE (presetFiles().empty());

    setPlain ("bite", 4.5f);
    bar->showSaveDialog();
    setName (*modalDialog(), " Lead ");
    press (*modalDialog(), "Save");

    // The Presets button is refreshed before the message shows.
    EXPECT_EQ (access->presetButton().getText(), "Lead" + menuMark);
    expectSuccess ("Preset \"Lead\" has been saved.");

    EXPECT_EQ (presetFiles().size(), 1u);
    EXPECT_NEAR (savedValue ("Lead", "bite"), 4.5, 1e-6);
    EXPECT_EQ (processor.getCurrentPresetName(), "Lead");
    EXPECT_TRUE (processor.isCurrentPresetUser());

    // Saving again proposes the current preset's name.
    bar->showSaveDialog();
    EXPECT_EQ (describe (*modalDialog()).nameField, "Lead");
}

TEST_F (DialogFixture, SavingOverAnExistingPresetAsksFirst)
{
    setPlain ("bite", 1.0f);
    ASSERT_TRUE (processor.saveUserPreset ("Lead"));
    const auto original = fileOf ("Lead").loadFileAsString();

    // Names that lead to Lead.xml, or equal Lead ignoring case, as typed.
    struct Case { const char* typed; const char* named; const char* file; };
    const Case cases[] = {
        { "lead",     "lead",  "lead" },   // a file of its own where file names keep their case
        { " LEAD! ",  "LEAD!", "LEAD" },
        { "Lead!",    "Lead!", "Lead" },   // sanitised to Lead.xml itself
        { "(Lead)",   "(Lead)", "Lead" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.typed);
        const auto overwrite = "A preset named \"" + juce::String (c.named)
                             + "\" already exists.\nDo you want to overwrite it?";

        // Cancel: nothing changes.
        bar->showSaveDialog();
        setName (*modalDialog(), c.typed);
        press (*modalDialog(), "Save");
        auto* dialog = expectDialog ("Overwrite Preset?", overwrite, juce::MessageBoxIconType::WarningIcon,
                                     { "Overwrite", "Cancel" });
        ASSERT_NE (dialog, nullptr);
        EXPECT_EQ (&dialog->getLookAndFeel(), &access->dialogLookAndFeel());
        press (*dialog, "Cancel");
        expectNothingOpen();
        EXPECT_EQ (fileOf ("Lead").loadFileAsString(), original);
        EXPECT_EQ (presetFiles().size(), 1u);

        // Overwrite: saved under the name as typed (trimmed).
        setPlain ("bite", 7.0f);
        bar->showSaveDialog();
        setName (*modalDialog(), c.typed);
        press (*modalDialog(), "Save");
        ASSERT_NE (modalDialog(), nullptr);
        press (*modalDialog(), "Overwrite");
        EXPECT_EQ (processor.getCurrentPresetName(), c.named);
        EXPECT_EQ (access->presetButton().getText(), c.named + menuMark);
        expectSuccess ("Preset \"" + juce::String (c.named) + "\" has been saved.");
        EXPECT_NEAR (savedValue (c.file, "bite"), 7.0, 1e-6);

        // Back to the one file Lead.xml for the next case.
        fileOf ("lead").deleteFile();
        fileOf ("LEAD").deleteFile();
        setPlain ("bite", 1.0f);
        ASSERT_TRUE (processor.saveUserPreset ("Lead"));
    }
}

TEST (PresetDialogNames, ExistenceCoversEveryNameThatLeadsToAListedFile)
{
    RecordingPresets fake;
    fake.user = { "Lead", "Preset", "My Tone" };
    MenuBar bar;
    bar.setPresettableProcessor (&fake);
    PresetUiTestAccess access (bar);

    struct Case { const char* name; bool exists; };
    const Case cases[] = {
        { "Lead", true }, { "LEAD", true }, { "  lead  ", true },
        { "Lead!", true }, { "(Lead)", true }, { "Le\xc3\xa4" "d", false },  // "Leäd" is Led.xml
        { "Lead2", false }, { "Le ad", false },
        { "!!!", true },                        // Preset.xml
        { "My Tone?", true }, { "my  tone", false },
    };

    for (const auto& c : cases)
        EXPECT_EQ (access.exists (juce::String::fromUTF8 (c.name)), c.exists) << c.name;
}

TEST_F (FakeDialogFixture, FailedSavesShowNothing)
{
    fake.succeed = false;
    access->savePresetNamed ("Riff");
    EXPECT_EQ (fake.calls, juce::StringArray ("save Riff"));
    expectNothingOpen();

    fake.user = { "Riff" };
    fake.calls.clear();
    access->savePresetNamed ("riff");
    ASSERT_NE (modalDialog(), nullptr);
    press (*modalDialog(), "Overwrite");
    EXPECT_EQ (fake.calls, juce::StringArray ("save riff"));
    expectNothingOpen();
}

//==============================================================================
TEST_F (DialogFixture, RenameDialog)
{
    access->showRenameDialog (" Old Name ");
    auto* dialog = expectDialog ("Rename Preset", "Enter a new name:", juce::MessageBoxIconType::NoIcon,
                                 { "Rename", "Cancel" }, " Old Name ");
    ASSERT_NE (dialog, nullptr);
    EXPECT_EQ (&dialog->getLookAndFeel(), &access->dialogLookAndFeel());
    EXPECT_TRUE (buttonNamed (*dialog, "Rename")->isRegisteredForShortcut (juce::KeyPress (juce::KeyPress::returnKey)));
    EXPECT_TRUE (buttonNamed (*dialog, "Cancel")->isRegisteredForShortcut (juce::KeyPress (juce::KeyPress::escapeKey)));
    EXPECT_EQ (juce::Component::getCurrentlyFocusedComponent(), dialog->getTextEditor ("presetName"));

    juce::Component::SafePointer<juce::AlertWindow> watch (dialog);
    press (*dialog, "Cancel");
    EXPECT_EQ (watch.getComponent(), nullptr);
    expectNothingOpen();
}

TEST_F (DialogFixture, RenamesThatChangeNothing)
{
    writePreset ("Lead", "L");
    const auto before = presetFiles();

    // Only letter case, blanks, nothing, or only characters that the file name drops.
    for (const auto* typed : { "LEAD", "lead", "   ", "", "Lead!", " Lead " })
    {
        SCOPED_TRACE (typed);
        access->showRenameDialog ("Lead");
        setName (*modalDialog(), typed);
        press (*modalDialog(), "Rename");
        expectNothingOpen();
        EXPECT_EQ (presetFiles(), before);
    }
}

TEST_F (FakeDialogFixture, RenamesThatChangeNothingAskNothingOfTheProcessor)
{
    fake.user = { "Lead" };
    for (const auto* to : { "LEAD", "  ", "Lead?", "(lead)" })
        access->renamePresetTo ("Lead", to);
    access->renamePresetTo ("   ", "Other");
    EXPECT_TRUE (fake.calls.isEmpty());
    expectNothingOpen();
}

TEST_F (DialogFixture, RenameToAFreeName)
{
    writePreset ("A", "a");
    processor.setCurrentPreset ("A", true, true);

    access->showRenameDialog ("A");
    setName (*modalDialog(), "  Crunch  ");
    press (*modalDialog(), "Rename");

    EXPECT_EQ (access->presetButton().getText(), "Crunch" + menuMark) << "current preset renamed, mark cleared";
    expectSuccess ("Preset \"A\" was renamed to \"Crunch\".");
    EXPECT_EQ (presetFiles(), (std::map<juce::String, juce::String> { { "Crunch.xml", "a" } }));
}

TEST_F (DialogFixture, RenameOntoAnExistingPresetKeepsABackupUntilItSucceeded)
{
    writePreset ("A", "a");
    writePreset ("B", "b");
    writePreset ("B__backup", "older backup");

    auto& watched = failing;
    bar->setPresettableProcessor (&watched);

    const juce::String overwrite ("A preset named \"B\" already exists.\nDo you want to overwrite it?");

    access->showRenameDialog ("A");
    setName (*modalDialog(), "B");
    press (*modalDialog(), "Rename");
    auto* dialog = expectDialog ("Overwrite Preset?", overwrite, juce::MessageBoxIconType::WarningIcon,
                                 { "Overwrite", "Cancel" });
    ASSERT_NE (dialog, nullptr);
    press (*dialog, "Cancel");
    expectNothingOpen();
    EXPECT_TRUE (watched.calls.isEmpty());
    EXPECT_EQ (presetFiles().size(), 3u);

    access->showRenameDialog ("A");
    setName (*modalDialog(), " B ");
    press (*modalDialog(), "Rename");
    ASSERT_NE (modalDialog(), nullptr);
    EXPECT_EQ (describe (*modalDialog()).message, overwrite);
    press (*modalDialog(), "Overwrite");

    // B goes to the first free backup name, A takes its place, then the backup goes.
    EXPECT_EQ (watched.calls, juce::StringArray ({ "rename B -> B__backup1", "rename A -> B", "delete B__backup1" }));
    expectSuccess ("Preset \"A\" was renamed to \"B\".");
    EXPECT_EQ (presetFiles(), (std::map<juce::String, juce::String> { { "B.xml", "a" },
                                                                      { "B__backup.xml", "older backup" } }));
}

TEST_F (DialogFixture, RenameOntoANameThatLeadsToAnExistingFileAsksToo)
{
    using Files = std::map<juce::String, juce::String>;

    struct Case { const char* typed; const char* firstMove; Files after; };
    const Case cases[] = {
        // B!'s file is B.xml; the backup is named after that file, and B__backup.xml exists.
        { "B!", "rename B -> B__backup1",  { { "B.xml", "a" }, { "B__backup.xml", "older backup" } } },
        // Where file names keep their case, b.xml replaces the listed B.
        { "b",  "rename B -> b__backup1",  { { "b.xml", "a" }, { "B__backup.xml", "older backup" } } },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.typed);
        startWithPresets ({ "A", "B" });
        writePreset ("B__backup", "older backup");
        failing.reset();
        bar->setPresettableProcessor (&failing);

        const auto overwrite = "A preset named \"" + juce::String (c.typed)
                             + "\" already exists.\nDo you want to overwrite it?";

        access->renamePresetTo ("A", c.typed);
        ASSERT_NE (expectDialog ("Overwrite Preset?", overwrite, juce::MessageBoxIconType::WarningIcon,
                                 { "Overwrite", "Cancel" }), nullptr);
        press (*modalDialog(), "Cancel");
        EXPECT_TRUE (failing.calls.isEmpty());
        EXPECT_EQ (presetFiles().size(), 3u);

        access->renamePresetTo ("A", c.typed);
        ASSERT_NE (modalDialog(), nullptr);
        press (*modalDialog(), "Overwrite");
        ASSERT_FALSE (failing.calls.isEmpty());
        EXPECT_EQ (failing.calls[0], c.firstMove);
        expectSuccess ("Preset \"A\" was renamed to \"" + juce::String (c.typed) + "\".");
        EXPECT_EQ (presetFiles(), c.after);
    }
}

TEST_F (DialogFixture, RenameOntoAnExistingPresetCarriesTheCurrentPreset)
{
    struct Case { const char* current; bool isUser; const char* after; };
    const Case cases[] = {
        { "B",     true,  "Presets" },  // moved to the backup and deleted with it
        { "b",     true,  "Presets" },
        { "A",     true,  "B" },
        { "Chugs", false, "Chugs" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.current);
        writePreset ("A", "a");
        writePreset ("B", "b");
        processor.setCurrentPreset (c.current, c.isUser, false);

        access->renamePresetTo ("A", "B");
        ASSERT_NE (modalDialog(), nullptr);
        press (*modalDialog(), "Overwrite");

        EXPECT_EQ (processor.getCurrentPresetName(), c.after);
        EXPECT_EQ (access->presetButton().getText(), juce::String (c.after) + menuMark);
        expectSuccess ("Preset \"A\" was renamed to \"B\".");
        EXPECT_EQ (presetFiles(), (std::map<juce::String, juce::String> { { "B.xml", "a" } }));
        fileOf ("B").deleteFile();
    }
}

// The moves carry the current preset along and clear its modified mark; a
// rename that fails leaves the current preset exactly as it was.
TEST_F (DialogFixture, RenameOntoAnExistingPresetLosesNoFileWhateverStepFails)
{
    using Files = std::map<juce::String, juce::String>;
    using testing_support::PresetState;

    struct Case
    {
        const char* what;
        std::vector<std::pair<const char*, int>> failures;
        Files after;
        bool confirmed;
        const char* current;   // a user preset, modified
        PresetState state;
    };

    const Case cases[] = {
        { "moving B away fails",          { { "rename", 1 } },                  { { "A.xml", "a" }, { "B.xml", "b" } },         false,
          "B", { "B", true, "B *" } },
        { "moving A fails, B comes back", { { "rename", 2 } },                  { { "A.xml", "a" }, { "B.xml", "b" } },         false,
          "B", { "B", true, "B *" } },
        { "the same, current as typed",   { { "rename", 2 } },                  { { "A.xml", "a" }, { "B.xml", "b" } },         false,
          "b", { "b", true, "b *" } },
        { "the same, A current",          { { "rename", 2 } },                  { { "A.xml", "a" }, { "B.xml", "b" } },         false,
          "A", { "A", true, "A *" } },
        { "moving B back fails too",      { { "rename", 2 }, { "rename", 3 } }, { { "A.xml", "a" }, { "B__backup.xml", "b" } }, false,
          "B", { "B", true, "B *" } },
        { "deleting the backup fails",    { { "delete", 1 } },                  { { "B.xml", "a" }, { "B__backup.xml", "b" } }, true,
          "B", { "B__backup", true, "B__backup" } },
        { "nothing fails",                {},                                   { { "B.xml", "a" } },                           true,
          "B", { "Presets", false, "Presets" } },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        startWithPresets ({ "A", "B" });
        processor.setCurrentPreset (c.current, true, true);

        failing.reset();
        for (const auto& [operation, number] : c.failures)
            failing.failCall (operation, number);
        bar->setPresettableProcessor (&failing);

        access->renamePresetTo ("A", "B");
        ASSERT_NE (modalDialog(), nullptr);
        press (*modalDialog(), "Overwrite");

        if (c.confirmed)
            expectSuccess ("Preset \"A\" was renamed to \"B\".");
        else
            expectNothingOpen();

        EXPECT_EQ (presetFiles(), c.after);
        EXPECT_EQ (testing_support::presetState (processor), c.state);
        bar->setPresettableProcessor (&processor);
    }
}

//==============================================================================
TEST_F (DialogFixture, DeleteDialog)
{
    writePreset ("A", "a");
    writePreset ("B", "b");
    processor.setCurrentPreset ("A", true, false);

    access->confirmDeletePreset ("A");
    auto* dialog = expectDialog ("Delete Preset?", "Are you sure you want to delete \"A\"?",
                                 juce::MessageBoxIconType::WarningIcon, { "Delete", "Cancel" });
    ASSERT_NE (dialog, nullptr);
    EXPECT_EQ (&dialog->getLookAndFeel(), &access->dialogLookAndFeel());
    EXPECT_TRUE (buttonNamed (*dialog, "Delete")->isRegisteredForShortcut (juce::KeyPress (juce::KeyPress::returnKey)));
    EXPECT_TRUE (buttonNamed (*dialog, "Cancel")->isRegisteredForShortcut (juce::KeyPress (juce::KeyPress::escapeKey)));
    press (*dialog, "Cancel");
    expectNothingOpen();
    EXPECT_EQ (presetFiles().size(), 2u);

    access->confirmDeletePreset ("A");
    press (*modalDialog(), "Delete");
    EXPECT_EQ (access->presetButton().getText(), "Presets" + menuMark) << "the current preset was deleted";
    expectSuccess ("Preset \"A\" has been deleted.");
    EXPECT_EQ (presetFiles(), (std::map<juce::String, juce::String> { { "B.xml", "b" } }));
}

TEST_F (FakeDialogFixture, DeleteUsesTheNameExactlyAsPassed)
{
    access->confirmDeletePreset (" a ");
    auto* dialog = expectDialog ("Delete Preset?", "Are you sure you want to delete \" a \"?",
                                 juce::MessageBoxIconType::WarningIcon, { "Delete", "Cancel" });
    ASSERT_NE (dialog, nullptr);
    press (*dialog, "Delete");
    EXPECT_EQ (fake.calls, juce::StringArray ("delete  a "));
    expectSuccess ("Preset \" a \" has been deleted.");

    fake.succeed = false;
    fake.calls.clear();
    access->confirmDeletePreset ("B");
    press (*modalDialog(), "Delete");
    EXPECT_EQ (fake.calls, juce::StringArray ("delete B"));
    expectNothingOpen();
}

//==============================================================================
// Files the plug-in did not name: through the menu and the dialogs, each
// listed preset is acted on in its own file, and nothing else is touched.
TEST_F (DialogFixture, HandNamedPresetsAreActedOnInTheirOwnFiles)
{
    using Files = std::map<std::string, std::string>;
    const std::string saved = "<saved>";

    // Each file's marker; a preset the plug-in saved has none.
    const auto files = [this, &saved]
    {
        Files markers;
        for (const auto& [name, contents] : testing_support::folderContents (home.presets()))
        {
            const auto xml = juce::parseXML (juce::String::fromUTF8 (contents.data(), (int) contents.size()));
            markers[name] = xml == nullptr ? contents : xml->hasAttribute ("marker") ? xml->getStringAttribute ("marker").toStdString() : saved;
        }
        return markers;
    };

    enum Action { load, rename, remove, save };

    struct Case
    {
        const char* what;
        Action action;
        const char* preset;   // the listed preset chosen from the menu
        const char* typed;    // the name typed into the dialog
        bool asksToOverwrite;
        const char* message;  // the success message, or none
        Files changed;        // files that differ from the start: an empty marker is a deleted file
    };

    const Case cases[] = {
        { "load",                   load,   "Lead (old)", nullptr,      false, nullptr, {} },
        { "delete",                 remove, "Lead (old)", nullptr,      false, "Preset \"Lead (old)\" has been deleted.",
          { { "Lead (old).xml", "" } } },
        { "delete a dotted name",   remove, "Odd.Name",   nullptr,      false, "Preset \"Odd.Name\" has been deleted.",
          { { "Odd.Name.xml", "" } } },
        { "rename to a free name",  rename, "Lead (old)", "Fresh",      false, "Preset \"Lead (old)\" was renamed to \"Fresh\".",
          { { "Lead (old).xml", "" }, { "Fresh.xml", "paren" } } },
        { "rename onto the preset its new name's file holds", rename, "Lead (old)", "Lead old", true,
          "Preset \"Lead (old)\" was renamed to \"Lead old\".", { { "Lead (old).xml", "" }, { "Lead old.xml", "paren" } } },
        // Lead (old) would land in Lead old.xml, another preset: nothing is done.
        { "rename onto a hand-named preset", rename, "Odd.Name", "Lead (old)", true, nullptr, {} },
        { "save over a hand-named preset",   save,   nullptr, "Lead (old)", true,
          "Preset \"Lead (old)\" has been saved.", { { "Lead (old).xml", saved } } },
        // Upper.XML is not listed, and saving Upper writes Upper.xml beside it.
        { "save beside an upper-case extension", save, nullptr, "Upper", false,
          "Preset \"Upper\" has been saved.", { { "Upper.xml", saved } } },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        home.presets().deleteRecursively();  // never opens the FIFO, as reading each file would
        processor.valueTreeState.state.removeProperty ("marker", nullptr);  // a load brings it along
        writePreset ("Lead (old)", "paren");
        writePreset ("Lead old", "plain");
        writePreset ("Odd.Name", "dot");
        ASSERT_TRUE (home.presets().getChildFile ("Upper.XML").replaceWithText ("<PARAMETERS marker=\"upper\"/>"));
        const auto fifo = home.presets().getChildFile ("Special.xml").getFullPathName().toStdString();
        const auto zero = home.presets().getChildFile ("Zero.xml").getFullPathName().toStdString();
        ASSERT_EQ (mkfifo (fifo.c_str(), 0644), 0);
        ASSERT_EQ (symlink ("/dev/zero", zero.c_str()), 0);

        const auto start = files();
        const auto names = processor.getUserPresetNames();
        ASSERT_EQ (names, juce::StringArray ({ "Lead (old)", "Lead old", "Odd.Name" }));
        const auto index = c.preset != nullptr ? names.indexOf (c.preset) : -1;

        switch (c.action)
        {
            case load:
                access->handlePresetsMenuResult (2000 + index);
                EXPECT_EQ (processor.valueTreeState.state.getProperty ("marker").toString(), "paren");
                EXPECT_EQ (access->presetButton().getText(), c.preset + menuMark);
                break;

            case remove:
                access->handlePresetsMenuResult (8000 + index);
                ASSERT_NE (modalDialog(), nullptr);
                press (*modalDialog(), "Delete");
                break;

            case rename:
                access->handlePresetsMenuResult (5000 + index);
                ASSERT_NE (modalDialog(), nullptr);
                setName (*modalDialog(), c.typed);
                press (*modalDialog(), "Rename");
                break;

            case save:
                bar->showSaveDialog();
                ASSERT_NE (modalDialog(), nullptr);
                setName (*modalDialog(), c.typed);
                press (*modalDialog(), "Save");
                break;
        }

        if (c.asksToOverwrite)
        {
            ASSERT_NE (modalDialog(), nullptr);
            EXPECT_EQ (modalDialog()->getName(), "Overwrite Preset?");
            press (*modalDialog(), "Overwrite");
        }

        if (c.message != nullptr)
            expectSuccess (c.message);
        else
            expectNothingOpen();

        auto expected = start;
        for (const auto& [name, marker] : c.changed)
            if (marker.empty())
                expected.erase (name);
            else
                expected[name] = marker;

        EXPECT_EQ (files(), expected);
    }

    home.presets().deleteRecursively();
}

//==============================================================================
TEST_F (FakeDialogFixture, ReturnAndEscapeKeys)
{
    struct Case
    {
        const char* what;
        juce::StringArray user;
        std::function<void()> open;
        const char* typed;        // typed into the name before the key
        juce::StringArray onReturn;
    };

    const Case cases[] = {
        { "save",              {},           [this] { bar->showSaveDialog(); },                 "Riff", { "save Riff" } },
        { "rename",            { "A" },      [this] { access->showRenameDialog ("A"); },        "C",    { "rename A -> C" } },
        { "overwrite by save", { "A" },      [this] { access->savePresetNamed ("A"); },         nullptr, { "save A" } },
        { "overwrite by rename", { "A", "B" }, [this] { access->renamePresetTo ("A", "B"); },   nullptr,
          { "rename B -> B__backup", "rename A -> B", "delete B__backup" } },
        { "delete",            { "A" },      [this] { access->confirmDeletePreset ("A"); },     nullptr, { "delete A" } },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        fake.user = c.user;

        // Escape: the Cancel button, nothing done.
        fake.calls.clear();
        c.open();
        ASSERT_NE (modalDialog(), nullptr);
        if (c.typed != nullptr)
            typeText (*modalDialog(), c.typed);
        typeKey (*modalDialog(), juce::KeyPress (juce::KeyPress::escapeKey));
        expectNothingOpen();
        EXPECT_TRUE (fake.calls.isEmpty());

        // Return: the affirmative button; the typed text replaced the name.
        c.open();
        ASSERT_NE (modalDialog(), nullptr);
        if (c.typed != nullptr)
            typeText (*modalDialog(), c.typed);
        typeKey (*modalDialog(), juce::KeyPress (juce::KeyPress::returnKey));
        EXPECT_EQ (fake.calls, c.onReturn);

        // Return closes the success message too.
        auto* message = modalDialog();
        ASSERT_NE (message, nullptr);
        EXPECT_EQ (message->getName(), "Success");
        typeKey (*message, juce::KeyPress (juce::KeyPress::returnKey));
        expectNothingOpen();
    }
}

//==============================================================================
TEST_F (DialogFixture, DialogsAreFittedToTheEditorAndCentredOverIt)
{
    const auto editorArea = editor->getScreenBounds();
    ASSERT_EQ (editorArea, juce::Rectangle<int> (120, 90, 1304, 810));

    struct Case { int width, height, expectedWidth, expectedHeight; };
    const Case cases[] = {
        { 2000, 100, 1304, 175 },   // narrowed, made 175 high
        { 1304, 174, 1304, 175 },
        { 400,  300, 400,  300 },   // kept
        { 400,  900, 400,  810 },   // never higher than the editor
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.width) + " x " + juce::String (c.height));
        juce::AlertWindow dialog ("Title", "Message", juce::MessageBoxIconType::NoIcon);
        dialog.setSize (c.width, c.height);
        access->centreDialog (dialog);

        EXPECT_EQ (dialog.getWidth(), c.expectedWidth);
        EXPECT_EQ (dialog.getHeight(), c.expectedHeight);
        EXPECT_NEAR (dialog.getScreenBounds().getCentreX(), editorArea.getCentreX(), 1);
        EXPECT_NEAR (dialog.getScreenBounds().getCentreY(), editorArea.getCentreY(), 1);
    }

    // The real dialogs are placed the same way.
    for (const auto& open : std::vector<std::function<void()>> {
             [this] { bar->showSaveDialog(); },
             [this] { access->confirmDeletePreset ("A"); },
             [this] { access->showSuccessMessage ("Success", "Preset \"A\" has been saved."); } })
    {
        open();
        auto* dialog = modalDialog();
        ASSERT_NE (dialog, nullptr);
        EXPECT_LE (dialog->getWidth(), editorArea.getWidth()) << dialog->getName();
        EXPECT_GE (dialog->getHeight(), 175) << dialog->getName();
        EXPECT_NEAR (dialog->getScreenBounds().getCentreX(), editorArea.getCentreX(), 1) << dialog->getName();
        EXPECT_NEAR (dialog->getScreenBounds().getCentreY(), editorArea.getCentreY(), 1) << dialog->getName();
        closeAllDialogs();
    }
}

TEST_F (FakeDialogFixture, DialogsAtTheSmallestEditorsKeepTheirTextInside)
{
    struct Kind { const char* what; std::function<void (const juce::String&)> open; };
    const Kind kinds[] = {
        { "save",      [this] (const juce::String& name)
                       {
                           fake.currentName = name;
                           fake.currentIsUser = true;
                           bar->showSaveDialog();
                       } },
        { "rename",    [this] (const juce::String& name) { access->showRenameDialog (name); } },
        { "overwrite", [this] (const juce::String& name) { fake.user = { name }; access->savePresetNamed (name); } },
        { "delete",    [this] (const juce::String& name) { access->confirmDeletePreset (name); } },
        { "renamed",   [this] (const juce::String& name) { fake.user = { name }; access->renamePresetTo (name, name + "2"); } },
    };

    const auto names = dialog_text::longNames();

    // The smallest size the window allows, and the one it opens at on a display too low for that.
    for (const auto& size : { juce::Point<int> (500, 311), juce::Point<int> (403, 250) })
    {
        editor->setSize (size.x, size.y);
        const auto editorArea = editor->getScreenBounds();

        for (const auto& [what, name] : { names[0], names[2] })
            for (const auto& kind : kinds)
            {
                const auto shown = juce::String (kind.what) + "-" + juce::String (size.x) + "x" + juce::String (size.y)
                                 + "-" + juce::String (what).replaceCharacter (' ', '-');
                SCOPED_TRACE (shown);

                fake.user.clear();
                kind.open (name);
                auto* dialog = modalDialog();
                ASSERT_NE (dialog, nullptr);

                const auto area = dialog->getScreenBounds();
                EXPECT_TRUE (editorArea.contains (area)) << area.toString();
                EXPECT_NEAR (area.getCentreX(), editorArea.getCentreX(), 1);
                EXPECT_NEAR (area.getCentreY(), editorArea.getCentreY(), 1);

                // Before its first paint, given the dialog look that records
                // where it puts the text; the dialog lays itself out again for
                // it, and is placed as before.
                RecordingDialogLook look;
                dialog->setLookAndFeel (&look);
                access->centreDialog (*dialog);
                ASSERT_EQ (dialog->getScreenBounds(), area);

                const auto image = dialog->createComponentSnapshot (dialog->getLocalBounds(), true, 1.0f);
                window_test::save (image, "dialog-" + shown);
                ASSERT_TRUE (look.placed.has_value());
                dialog_text::expectInside (*dialog, *look.placed);

                // The text's ink lies within the margins, above the buttons
                // and the name field's label.
                auto limit = dialog->getButton (0)->getY();
                if (auto* field = dialog->getTextEditor ("presetName"))
                    limit = juce::jmin (limit, field->getY() - 14);

                const auto ink = window_test::columnsWhere (image, { 3, 3, image.getWidth() - 6, limit - 3 },
                                                            window_test::isBright);
                ASSERT_FALSE (ink.isEmpty());
                EXPECT_GE (ink.getStart(), (int) dialog_text::margin - 1);
                EXPECT_LE (ink.getEnd(), image.getWidth() - (int) dialog_text::margin + 1);

                closeAllDialogs();
            }
    }
}

TEST (PresetDialogPlacement, WithoutAnEditorTheTopLevelWindowIsTheTarget)
{
    // A window lower than 175: the dialog takes its height.
    juce::Component window;
    MenuBar inWindow;
    window.setBounds (200, 200, 700, 150);
    inWindow.setBounds (0, 0, 700, 40);
    window.addAndMakeVisible (inWindow);
    window.addToDesktop (0);
    window.setVisible (true);

    // A menu bar with no parent is its own target.
    MenuBar alone;
    alone.setBounds (300, 500, 600, 60);
    alone.addToDesktop (0);
    alone.setVisible (true);
    pumpMessages (50);

    struct Case { MenuBar* bar; juce::Rectangle<int> target; int width, height, expectedWidth, expectedHeight; };
    const Case cases[] = {
        { &inWindow, { 200, 200, 700, 150 }, 400, 100, 400, 150 },
        { &inWindow, { 200, 200, 700, 150 }, 900, 300, 700, 150 },
        { &alone,    { 300, 500, 600, 60 },  500, 100, 500, 60 },
    };

    for (const auto& c : cases)
    {
        juce::AlertWindow dialog ("Title", "Message", juce::MessageBoxIconType::NoIcon);
        dialog.setSize (c.width, c.height);
        PresetUiTestAccess (*c.bar).centreDialog (dialog);

        EXPECT_EQ (dialog.getWidth(), c.expectedWidth);
        EXPECT_EQ (dialog.getHeight(), c.expectedHeight);
        EXPECT_NEAR (dialog.getScreenBounds().getCentreX(), c.target.getCentreX(), 1);
        EXPECT_NEAR (dialog.getScreenBounds().getCentreY(), c.target.getCentreY(), 1);
    }
}

//==============================================================================
namespace
{
    // Records how a dialog's modal state ended.
    std::shared_ptr<std::vector<int>> watchEnding (juce::Component& dialog)
    {
        auto results = std::make_shared<std::vector<int>>();
        juce::ModalComponentManager::getInstance()->attachCallback (
            &dialog, juce::ModalCallbackFunction::create ([results] (int r) { results->push_back (r); }));
        return results;
    }
}

TEST_F (DialogFixture, SuccessMessageClosesItselfOnceAfterThreeSeconds)
{
    access->showSuccessMessage ("Success", "Preset \"A\" has been saved.");
    auto* message = expectDialog ("Success", "Preset \"A\" has been saved.", juce::MessageBoxIconType::NoIcon, { "OK" });
    ASSERT_NE (message, nullptr);
    EXPECT_EQ (&message->getLookAndFeel(), &access->dialogLookAndFeel());
    EXPECT_TRUE (buttonNamed (*message, "OK")->isRegisteredForShortcut (juce::KeyPress (juce::KeyPress::returnKey)));

    juce::Component::SafePointer<juce::AlertWindow> watch (message);
    const auto endings = watchEnding (*message);

    pumpMessages (2000);
    EXPECT_NE (watch.getComponent(), nullptr) << "closed before its time";
    EXPECT_TRUE (endings->empty());

    pumpMessages (1700);
    EXPECT_EQ (watch.getComponent(), nullptr) << "not closed after three seconds";
    EXPECT_EQ (*endings, std::vector<int> { 0 });
}

TEST_F (DialogFixture, SuccessMessageClosedWithOkIsNotClosedAgain)
{
    access->showSuccessMessage ("Success", "Preset \"A\" has been deleted.");
    auto* message = modalDialog();
    ASSERT_NE (message, nullptr);
    juce::Component::SafePointer<juce::AlertWindow> watch (message);
    const auto endings = watchEnding (*message);

    press (*message, "OK");
    EXPECT_EQ (watch.getComponent(), nullptr);
    EXPECT_EQ (*endings, std::vector<int> { 1 });

    // A second message shown meanwhile is not closed early by the first's delay.
    pumpMessages (1500);
    access->showSuccessMessage ("Success", "Preset \"B\" has been deleted.");
    juce::Component::SafePointer<juce::AlertWindow> second (modalDialog());
    pumpMessages (2000);
    EXPECT_EQ (*endings, std::vector<int> { 1 });
    EXPECT_NE (second.getComponent(), nullptr);
    closeAllDialogs();
}

//==============================================================================
TEST (PresetDialogsAfterTheEditorCloses, AnswersRunNothing)
{
    testing_support::TempHome home;
    EmberLashAudioProcessor processor;

    struct Case
    {
        const char* what;
        juce::StringArray user;
        std::function<void (MenuBar&)> open;
        const char* affirmative;
    };

    const Case cases[] = {
        { "save",                {},           [] (MenuBar& b) { b.showSaveDialog(); },                                "Save" },
        { "rename",              { "A" },      [] (MenuBar& b) { PresetUiTestAccess (b).showRenameDialog ("A"); },      "Rename" },
        { "overwrite by save",   { "A" },      [] (MenuBar& b) { PresetUiTestAccess (b).savePresetNamed ("A"); },       "Overwrite" },
        { "overwrite by rename", { "A", "B" }, [] (MenuBar& b) { PresetUiTestAccess (b).renamePresetTo ("A", "B"); },   "Overwrite" },
        { "delete",              { "A" },      [] (MenuBar& b) { PresetUiTestAccess (b).confirmDeletePreset ("A"); },   "Delete" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        RecordingPresets fake;
        fake.user = c.user;

        auto editor = openEditor (processor);
        auto* bar = menuBarOf (*editor);
        ASSERT_NE (bar, nullptr);
        bar->setPresettableProcessor (&fake);

        c.open (*bar);
        auto* dialog = modalDialog();
        ASSERT_NE (dialog, nullptr);
        if (auto* field = dialog->getTextEditor ("presetName"))
            field->setText ("Typed Name");
        juce::Component::SafePointer<juce::AlertWindow> watch (dialog);

        const auto assertionsBefore = testing_support::assertionCount();
        editor.reset();
        pumpMessages (30);

        // Still open, drawn with the framework's look.
        ASSERT_NE (watch.getComponent(), nullptr);
        EXPECT_TRUE (dialog->isCurrentlyModal());
        EXPECT_EQ (&dialog->getLookAndFeel(), &juce::LookAndFeel::getDefaultLookAndFeel());
        for (int i = 0; i < dialog->getNumButtons(); ++i)
            EXPECT_EQ (&dialog->getButton (i)->getLookAndFeel(), &juce::LookAndFeel::getDefaultLookAndFeel());
        dialog->repaint();
        (void) dialog->createComponentSnapshot (dialog->getLocalBounds());
        pumpMessages (30);

        press (*dialog, c.affirmative);

        EXPECT_TRUE (fake.calls.isEmpty());
        expectNothingOpen();
        EXPECT_EQ (watch.getComponent(), nullptr) << "the dialog is deleted all the same";
        EXPECT_EQ (testing_support::assertionCount(), assertionsBefore);
    }

    EXPECT_FALSE (home.presets().exists());
}

TEST (PresetDialogsAfterTheEditorCloses, SuccessMessageStaysThenClosesItself)
{
    testing_support::TempHome home;
    EmberLashAudioProcessor processor;
    auto editor = openEditor (processor);
    auto* bar = menuBarOf (*editor);
    ASSERT_NE (bar, nullptr);

    PresetUiTestAccess (*bar).showSuccessMessage ("Success", "Preset \"A\" has been saved.");
    auto* message = modalDialog();
    ASSERT_NE (message, nullptr);
    juce::Component::SafePointer<juce::AlertWindow> watch (message);
    const auto endings = watchEnding (*message);

    editor.reset();
    pumpMessages (1000);

    ASSERT_NE (watch.getComponent(), nullptr) << "the message stays after the editor closed";
    EXPECT_EQ (&message->getLookAndFeel(), &juce::LookAndFeel::getDefaultLookAndFeel());
    (void) message->createComponentSnapshot (message->getLocalBounds());

    pumpMessages (2700);
    EXPECT_EQ (watch.getComponent(), nullptr);
    EXPECT_EQ (*endings, std::vector<int> { 0 });
}
