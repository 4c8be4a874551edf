#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include "editor/DialogLookAndFeel.h"
#include "editor/IconButton.h"
#include "editor/MenuBarLookAndFeel.h"
#include "processor/PresettableProcessor.h"

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

    void timerCallback() override;

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
