#pragma once

#include <gtest/gtest.h>

#include <juce_gui_basics/juce_gui_basics.h>

#include "editor/MenuBar.h"
#include "processor/PresetStorage.h"
#include "processor/PresettableProcessor.h"
#include "tests/TestSupport.h"

#include <functional>
#include <map>
#include <vector>

// Reaches the Presets menu and the dialogs of a menu bar for the tests.
struct PresetUiTestAccess
{
    explicit PresetUiTestAccess (MenuBar& menuBar) : bar (menuBar) {}

    IconButton& presetButton()                          { return bar.presetButton; }
    IconButton& saveButton()                            { return bar.saveButton; }
    MenuBarLookAndFeel& menuLookAndFeel()               { return bar.menuLookAndFeel; }
    DialogLookAndFeel& dialogLookAndFeel()              { return bar.dialogLookAndFeel; }

    juce::PopupMenu buildPresetsMenu()                  { return bar.buildPresetsMenu(); }
    juce::PopupMenu::Options presetsMenuOptions()       { return bar.makePresetsMenuOptions(); }
    void handlePresetsMenuResult (int result)           { bar.handlePresetsMenuResult (result); }

    void showRenameDialog (const juce::String& name)    { bar.showRenameDialog (name); }
    void confirmDeletePreset (const juce::String& name) { bar.confirmDeletePreset (name); }
    juce::String defaultSaveName()                      { return bar.getDefaultSaveName(); }
    juce::String uniqueName (const juce::String& base)  { return bar.makeUniquePresetName (base); }
    bool exists (const juce::String& name)              { return bar.userPresetExists (name); }
    void savePresetNamed (const juce::String& name)     { bar.savePresetNamed (name); }
    void renamePresetTo (const juce::String& from, const juce::String& to) { bar.renamePresetTo (from, to); }

    void centreDialog (juce::AlertWindow& dialog)       { bar.centreDialog (&dialog); }
    void showSuccessMessage (const juce::String& title, const juce::String& message)
    {
        bar.showSuccessMessage (title, message);
    }

    static constexpr int maxListedUserPresets = MenuBar::maxListedUserPresets;

    MenuBar& bar;
};

namespace preset_ui_test
{
    using testing_support::pumpMessages;

    // A preset interface that keeps its lists in memory and records every
    // operation asked of it, in order.
    struct RecordingPresets : PresettableProcessor
    {
        juce::StringArray getFactoryPresetNames() override          { ++factoryListCalls; return factory; }
        juce::StringArray getUserPresetNames() override             { ++userListCalls; return user; }
        void loadFactoryPreset (const juce::String& name) override  { record ("loadFactory " + name); }
        bool saveUserPreset (const juce::String& name) override     { record ("save " + name); return succeed; }
        bool loadUserPreset (const juce::String& name) override     { record ("load " + name); return succeed; }
        bool deleteUserPreset (const juce::String& name) override   { record ("delete " + name); return succeed; }
        bool renameUserPreset (const juce::String& from, const juce::String& to) override
        {
            record ("rename " + from + " -> " + to);
            return succeed;
        }
        juce::String getCurrentPresetName() override                { return currentName; }
        juce::String getCurrentPresetDisplayName() override         { return currentName + (modified ? " *" : ""); }
        bool isCurrentPresetUser() override                         { return currentIsUser; }
        bool isCurrentPresetModified() override                     { return modified; }
        void setCurrentPreset (const juce::String& name, bool isUser, bool isModified) override
        {
            currentName = name;
            currentIsUser = isUser;
            modified = isModified;
        }

        void record (const juce::String& call) { calls.add (call); }

        juce::StringArray factory { "Studio Tight", "Full Stack", "Chugs" };
        juce::StringArray user;
        juce::String currentName { "Presets" };
        bool currentIsUser = false, modified = false, succeed = true;
        juce::StringArray calls;
        int factoryListCalls = 0, userListCalls = 0;
    };

    // Forwards to a real processor (so files on disk change), but refuses the
    // n-th call of a chosen operation without doing it.
    struct FailingPresets : PresettableProcessor
    {
        explicit FailingPresets (PresettableProcessor& realOne) : real (realOne) {}

        juce::StringArray getFactoryPresetNames() override          { return real.getFactoryPresetNames(); }
        juce::StringArray getUserPresetNames() override             { return real.getUserPresetNames(); }
        void loadFactoryPreset (const juce::String& name) override  { real.loadFactoryPreset (name); }
        bool saveUserPreset (const juce::String& name) override
        {
            calls.add ("save " + name);
            return ! fails ("save") && real.saveUserPreset (name);
        }
        bool loadUserPreset (const juce::String& name) override
        {
            calls.add ("load " + name);
            return ! fails ("load") && real.loadUserPreset (name);
        }
        bool deleteUserPreset (const juce::String& name) override
        {
            calls.add ("delete " + name);
            return ! fails ("delete") && real.deleteUserPreset (name);
        }
        bool renameUserPreset (const juce::String& from, const juce::String& to) override
        {
            calls.add ("rename " + from + " -> " + to);
            return ! fails ("rename") && real.renameUserPreset (from, to);
        }
        juce::String getCurrentPresetName() override                { return real.getCurrentPresetName(); }
        juce::String getCurrentPresetDisplayName() override         { return real.getCurrentPresetDisplayName(); }
        bool isCurrentPresetUser() override                         { return real.isCurrentPresetUser(); }
        bool isCurrentPresetModified() override                     { return real.isCurrentPresetModified(); }
        void setCurrentPreset (const juce::String& name, bool isUser, bool isModified) override
        {
            real.setCurrentPreset (name, isUser, isModified);
        }

        void reset()
        {
            calls.clear();
            failing.clear();
            counts.clear();
        }

        // Refuses the given calls of an operation: "rename" 2 is the second rename.
        void failCall (const juce::String& operation, int number) { failing.push_back ({ operation, number }); }

        bool fails (const juce::String& operation)
        {
            const auto number = ++counts[operation];
            for (const auto& f : failing)
                if (f.operation == operation && f.number == number)
                    return true;
            return false;
        }

        struct Failure { juce::String operation; int number; };

        PresettableProcessor& real;
        juce::StringArray calls;  // every operation asked for, refused or not
        std::vector<Failure> failing;
        std::map<juce::String, int> counts;
    };

    //==========================================================================
    // The dialog that is modal now, if it is an alert window.
    inline juce::AlertWindow* modalDialog()
    {
        return dynamic_cast<juce::AlertWindow*> (juce::Component::getCurrentlyModalComponent());
    }

    inline int numModalComponents()
    {
        return juce::ModalComponentManager::getInstance()->getNumModalComponents();
    }

    inline juce::StringArray buttonTexts (juce::AlertWindow& dialog)
    {
        juce::StringArray texts;
        for (int i = 0; i < dialog.getNumButtons(); ++i)
            texts.add (dialog.getButton (i)->getButtonText());
        return texts;
    }

    inline juce::Button* buttonNamed (juce::AlertWindow& dialog, const juce::String& text)
    {
        for (int i = 0; i < dialog.getNumButtons(); ++i)
            if (dialog.getButton (i)->getButtonText() == text)
                return dialog.getButton (i);
        return nullptr;
    }

    // Clicks a dialog's button as the framework does, then lets the modal
    // state end and the callbacks run.
    inline void press (juce::AlertWindow& dialog, const juce::String& text)
    {
        auto* button = buttonNamed (dialog, text);
        ASSERT_NE (button, nullptr) << "no button " << text;
        button->triggerClick();
        pumpMessages (60);
    }

    // A key typed on the keyboard, delivered through the dialog's window to
    // whatever has the focus in it.
    inline void typeKey (juce::AlertWindow& dialog, const juce::KeyPress& key)
    {
        auto* peer = dialog.getPeer();
        ASSERT_NE (peer, nullptr) << "the dialog is not on the screen";
        peer->handleKeyPress (key);
        pumpMessages (60);
    }

    // Text typed key by key into whatever has the focus in the dialog. A
    // person cannot type before the dialog's first pass through the message
    // loop, in which its name field takes its initial text.
    inline void typeText (juce::AlertWindow& dialog, const juce::String& text)
    {
        pumpMessages (30);
        auto* peer = dialog.getPeer();
        ASSERT_NE (peer, nullptr) << "the dialog is not on the screen";
        for (auto c : text)
            peer->handleKeyPress (juce::KeyPress ((int) c, 0, c));
        pumpMessages (30);
    }

    inline void setName (juce::AlertWindow& dialog, const juce::String& text)
    {
        auto* editor = dialog.getTextEditor ("presetName");
        ASSERT_NE (editor, nullptr);
        editor->setText (text);
    }

    // Closes whatever a test left open (answering 0) and lets the framework
    // delete it.
    inline void closeAllDialogs()
    {
        for (int guard = 0; guard < 20 && numModalComponents() > 0; ++guard)
        {
            if (auto* modal = juce::Component::getCurrentlyModalComponent())
                modal->exitModalState (0);
            pumpMessages (30);
        }
        pumpMessages (30);
    }

    struct DialogSnapshot
    {
        juce::String title, message;
        juce::StringArray buttons;
        juce::MessageBoxIconType icon = juce::MessageBoxIconType::NoIcon;
        bool hasNameField = false;
        juce::String nameField;
    };

    inline DialogSnapshot describe (juce::AlertWindow& dialog)
    {
        DialogSnapshot s;
        s.title = dialog.getName();
        s.buttons = buttonTexts (dialog);
        s.icon = dialog.getAlertType();
        if (auto* editor = dialog.getTextEditor ("presetName"))
        {
            s.hasNameField = true;
            s.nameField = editor->getText();
        }
        // The message is the accessible description after the title.
        s.message = dialog.getDescription().fromFirstOccurrenceOf (s.title + ". ", false, false);
        return s;
    }
}
