#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include "editor/DialogLookAndFeel.h"
#include "editor/IconButton.h"
#include "editor/MenuBarLookAndFeel.h"
#include "processor/PresettableProcessor.h"

#include <functional>
#include <memory>
#include <utility>

//==============================================================================
// The strip above the main panel: the Presets button, which names the current
// preset and opens the Presets menu, and the Save button.
class MenuBar : public juce::Component,
                private juce::Timer
{
public:
    MenuBar();

    void setPresettableProcessor (PresettableProcessor* processorToUse);
    void updatePresetButtonText();

    void paint (juce::Graphics& g) override;
    void resized() override;

    void showPresetsMenu();
    void showSaveDialog();

    // What a completion result must be for its callback to act.
    enum class Completion
    {
        menuChoice,   // a popup reports the chosen item's id, 0 when nothing was chosen
        confirmation  // a dialog reports 1 for its affirmative button
    };

    static bool asksForAction (Completion kind, int result) noexcept;

private:
    friend struct MenuBarTestAccess;
    friend struct PresetUiTestAccess;

    void timerCallback() override;

    //==========================================================================
    // The Presets menu. Item ids encode the action and the position of the
    // name in the list the processor returns; the lists are fetched again
    // when the result arrives.
    static constexpr int factoryItemBase = 1000;
    static constexpr int loadItemBase = 2000;
    static constexpr int renameItemBase = 5000;
    static constexpr int deleteItemBase = 8000;

    // Each range has room for 3000 positions (1000 for the factory list);
    // further names are not listed, so no id ever runs into the next range.
    static constexpr int maxListedFactoryPresets = loadItemBase - factoryItemBase;
    static constexpr int maxListedUserPresets = renameItemBase - loadItemBase;

    // The disabled note that says how many user presets are not listed;
    // outside every range, so it decodes to nothing.
    static constexpr int unlistedNoteItemId = 999;

    juce::PopupMenu buildPresetsMenu();
    juce::PopupMenu::Options makePresetsMenuOptions();
    void handlePresetsMenuResult (int result);

    //==========================================================================
    // The preset dialogs.
    void showRenameDialog (const juce::String& oldName);
    void confirmDeletePreset (const juce::String& name);

    juce::String getDefaultSaveName();
    juce::String makeUniquePresetName (const juce::String& baseName);
    bool userPresetExists (const juce::String& name);
    juce::String findExistingPresetName (const juce::String& name);

    void savePresetNamed (const juce::String& name);
    void renamePresetTo (const juce::String& oldName, const juce::String& newName);

    void handleSaveDialogResult (juce::AlertWindow& dialog, int result);
    void handleSaveOverwriteResult (const juce::String& name, int result);
    void handleDeleteConfirmResult (const juce::String& name, int result);
    void handleRenameDialogResult (juce::AlertWindow& dialog, const juce::String& oldName, int result);
    void handleRenameOverwriteResult (const juce::String& oldName, const juce::String& newName, int result);

    std::unique_ptr<juce::AlertWindow> createNameDialog (const juce::String& title, const juce::String& message,
                                                         const juce::String& initialName,
                                                         const juce::String& affirmativeButton);
    void showConfirmation (const juce::String& title, const juce::String& message,
                           const juce::String& affirmativeButton, std::function<void (int)> callback);

    //==========================================================================
    // Placement and the success message.
    void centreDialog (juce::AlertWindow* dialog);
    void showSuccessMessage (const juce::String& title, const juce::String& message);
    static void dismissSuccessMessage (const juce::Component::SafePointer<juce::AlertWindow>& window);

    // Completion callbacks of popups and dialogs run later, possibly after the
    // window and this menu bar have been deleted. They hold a safe pointer,
    // never a plain one, and call action (menuBar, result) only while the menu
    // bar exists, has its processor and the result asks for action.
    template <typename Action>
    auto guardedCallback (Completion kind, Action action)
    {
        return [menuBar = juce::Component::SafePointer<MenuBar> (this), kind,
                action = std::move (action)] (int result) mutable
        {
            if (auto* bar = menuBar.getComponent())
                if (bar->presettable != nullptr && asksForAction (kind, result))
                    action (*bar, result);
        };
    }

    // The same for a callback that owns what it was handed (a dialog): the
    // action gets it as action (menuBar, owned, result), and it is deleted as
    // the callback's last step whether or not the callback acted, or with the
    // callback if that is never called.
    template <typename Owned, typename Action>
    auto guardedCallback (Completion kind, std::unique_ptr<Owned> owned, Action action)
    {
        return [menuBar = juce::Component::SafePointer<MenuBar> (this), kind,
                owned = std::move (owned), action = std::move (action)] (int result) mutable
        {
            if (auto* bar = menuBar.getComponent())
                if (bar->presettable != nullptr && owned != nullptr && asksForAction (kind, result))
                    action (*bar, *owned, result);

            owned.reset();
        };
    }

    PresettableProcessor* presettable = nullptr;
    IconButton presetButton { "Preset" };
    IconButton saveButton { "Save" };
    MenuBarLookAndFeel menuLookAndFeel;
    DialogLookAndFeel dialogLookAndFeel;
    juce::Colour backgroundColour { 0xff0a0b0c };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MenuBar)
};
