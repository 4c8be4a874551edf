#include "editor/MenuBar.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include "processor/PresetStorage.h"

#include <cmath>
#include <set>

namespace
{
    int nearest (float value) noexcept { return (int) std::round (value); }

    // Two blanks and U+25BE BLACK DOWN-POINTING SMALL TRIANGLE, as UTF-8.
    constexpr const char* menuMarkUtf8 = "  \xe2\x96\xbe";

    juce::String withMenuMark (const juce::String& text)
    {
        return text + juce::String::fromUTF8 (menuMarkUtf8);
    }

    juce::String quoted (const juce::String& name)
    {
        return "\"" + name + "\"";
    }

    juce::String overwriteMessage (const juce::String& name)
    {
        return "A preset named " + quoted (name) + " already exists.\nDo you want to overwrite it?";
    }

    juce::String deleteMessage (const juce::String& name)
    {
        return "Are you sure you want to delete " + quoted (name) + "?";
    }

    juce::String savedMessage (const juce::String& name)
    {
        return "Preset " + quoted (name) + " has been saved.";
    }

    juce::String deletedMessage (const juce::String& name)
    {
        return "Preset " + quoted (name) + " has been deleted.";
    }

    juce::String renamedMessage (const juce::String& oldName, const juce::String& newName)
    {
        return "Preset " + quoted (oldName) + " was renamed to " + quoted (newName) + ".";
    }

    bool inRange (int value, int first, int count) noexcept
    {
        return value >= first && value < first + count;
    }

    // Typing goes straight into the name, which is selected, so a new name
    // replaces it; Return and Escape still reach the dialog's buttons.
    void focusNameField (juce::AlertWindow& dialog)
    {
        if (auto* field = dialog.getTextEditor ("presetName"))
            field->grabKeyboardFocus();
    }

    // The file name a preset name leads to.
    juce::String fileNameOf (const juce::String& name)
    {
        return PresetStorage::sanitisePresetName (name);
    }

    // The listed name equal to the name, exactly if there is one, else
    // ignoring case; empty when there is none.
    juce::String listedAs (const juce::StringArray& names, const juce::String& name)
    {
        if (names.contains (name))
            return name;

        return names[names.indexOf (name, true)];
    }
}

MenuBar::MenuBar()
{
    presetButton.setText (withMenuMark ("Presets"));
    saveButton.setText ("Save");

    addAndMakeVisible (presetButton);
    addAndMakeVisible (saveButton);

    presetButton.onClick = [this] { showPresetsMenu(); };
    saveButton.onClick = [this] { showSaveDialog(); };

    startTimer (125);
}

void MenuBar::setPresettableProcessor (PresettableProcessor* processorToUse)
{
    presettable = processorToUse;
    updatePresetButtonText();
}

void MenuBar::updatePresetButtonText()
{
    juce::String text ("Presets");

    if (presettable != nullptr)
        text = presettable->getCurrentPresetDisplayName().trim();

    // "Preset" is the button's own name, never a preset shown on it.
    if (text.isEmpty() || text == "Preset")
        text = "Presets";

    // Polled eight times a second: an unchanged text is not painted again.
    if (const auto shown = withMenuMark (text); shown != presetButton.getText())
        presetButton.setText (shown);
}

void MenuBar::timerCallback()
{
    updatePresetButtonText();
}

void MenuBar::paint (juce::Graphics& g)
{
    g.setColour (backgroundColour);
    g.fillRect (0, 0, getWidth(), getHeight());
}

void MenuBar::resized()
{
    const auto w = (float) getWidth();
    const auto h = (float) getHeight();

    menuLookAndFeel.updateSizes (h);

    const auto pad = juce::jmax (0.12f * h, 6.0f);
    const auto presetWidth = nearest (0.24f * w);
    const auto buttonHeight = nearest (juce::jmax (18.0f, 0.9f * h - 2.0f * pad));
    const auto buttonY = nearest (pad);
    const auto presetX = 0.5f * w - 0.8f * (float) presetWidth;

    presetButton.setBounds (nearest (presetX), buttonY, presetWidth, buttonHeight);
    saveButton.setBounds (nearest (presetX + (float) presetWidth + 0.01f * w), buttonY,
                          nearest (1.8f * h), buttonHeight);
}

bool MenuBar::asksForAction (Completion kind, int result) noexcept
{
    return kind == Completion::menuChoice ? result != 0 : result == 1;
}


//==============================================================================
void MenuBar::showPresetsMenu()
{
    if (presettable == nullptr)
        return;

    menuLookAndFeel.updateSizes ((float) getHeight());

    buildPresetsMenu().showMenuAsync (makePresetsMenuOptions(),
                                      guardedCallback (Completion::menuChoice, [] (MenuBar& bar, int result)
                                      {
                                          bar.handlePresetsMenuResult (result);
                                      }));
}

juce::PopupMenu MenuBar::buildPresetsMenu()
{
    juce::PopupMenu menu;

    if (presettable == nullptr)
        return menu;

    menu.setLookAndFeel (&menuLookAndFeel);

    const auto currentName = presettable->getCurrentPresetName();
    const auto currentIsUser = presettable->isCurrentPresetUser();

    menu.addSectionHeader ("Factory Presets");

    const auto factoryNames = presettable->getFactoryPresetNames();

    for (int i = 0; i < juce::jmin (factoryNames.size(), maxListedFactoryPresets); ++i)
        menu.addItem (factoryItemBase + i, factoryNames[i], true, ! currentIsUser && currentName == factoryNames[i]);

    const auto userNames = presettable->getUserPresetNames();

    if (userNames.isEmpty())
        return menu;

    menu.addSeparator();
    menu.addSectionHeader ("User Presets");

    const auto listed = juce::jmin (userNames.size(), maxListedUserPresets);

    for (int i = 0; i < listed; ++i)
    {
        // The sub-menu's window takes its look from the popup's window. A look
        // set on the sub-menu itself would be held by the open popup's items,
        // and the menu bar could not be deleted cleanly while it is open.
        juce::PopupMenu actions;
        actions.addItem (loadItemBase + i, "Load");
        actions.addItem (renameItemBase + i, "Rename");
        actions.addItem (deleteItemBase + i, "Delete");
        menu.addSubMenu (userNames[i], actions, true);
    }

    if (const auto unlisted = userNames.size() - listed; unlisted > 0)
        menu.addItem (unlistedNoteItemId,
                      juce::String (unlisted) + (unlisted == 1 ? " more user preset not listed"
                                                               : " more user presets not listed"),
                      false, false);

    return menu;
}

juce::PopupMenu::Options MenuBar::makePresetsMenuOptions()
{
    const auto h = (float) getHeight();

    return juce::PopupMenu::Options()
               .withTargetComponent (&presetButton)
               .withMinimumWidth (nearest (juce::jmax (4.0f * h, 180.0f)))
               .withStandardItemHeight (menuLookAndFeel.getItemHeight());
}

void MenuBar::handlePresetsMenuResult (int result)
{
    if (presettable == nullptr || result == 0)
        return;

    if (inRange (result, factoryItemBase, maxListedFactoryPresets))
    {
        const auto names = presettable->getFactoryPresetNames();
        const auto index = result - factoryItemBase;

        if (index < names.size())
        {
            presettable->loadFactoryPreset (names[index]);
            updatePresetButtonText();
        }

        return;
    }

    // The user preset at the result's position in one action's range, taken
    // from the list as it is now.
    const auto userPresetFor = [this, result] (int rangeBase, juce::String& name)
    {
        if (! inRange (result, rangeBase, maxListedUserPresets))
            return false;

        const auto names = presettable->getUserPresetNames();
        const auto index = result - rangeBase;

        if (index >= names.size())
            return false;

        name = names[index];
        return true;
    };

    juce::String name;

    if (userPresetFor (loadItemBase, name))
    {
        if (presettable->loadUserPreset (name))
            updatePresetButtonText();
    }
    else if (userPresetFor (renameItemBase, name))
    {
        showRenameDialog (name);
    }
    else if (userPresetFor (deleteItemBase, name))
    {
        confirmDeletePreset (name);
    }
}

//==============================================================================
std::unique_ptr<juce::AlertWindow> MenuBar::createNameDialog (const juce::String& title, const juce::String& message,
                                                              const juce::String& initialName,
                                                              const juce::String& affirmativeButton)
{
    auto dialog = std::make_unique<juce::AlertWindow> (title, message, juce::MessageBoxIconType::NoIcon);
    DialogLookAndFeel::keepMessage (*dialog, message);
    dialog->setLookAndFeel (&dialogLookAndFeel);
    dialog->addTextEditor ("presetName", initialName, "Preset Name:", false);
    dialog->addButton (affirmativeButton, 1, juce::KeyPress (juce::KeyPress::returnKey));
    dialog->addButton ("Cancel", 0, juce::KeyPress (juce::KeyPress::escapeKey));
    centreDialog (dialog.get());
    return dialog;
}

void MenuBar::showConfirmation (const juce::String& title, const juce::String& message,
                                const juce::String& affirmativeButton, std::function<void (int)> callback)
{
    auto* dialog = new juce::AlertWindow (title, message, juce::MessageBoxIconType::WarningIcon);
    DialogLookAndFeel::keepMessage (*dialog, message);
    dialog->setLookAndFeel (&dialogLookAndFeel);
    dialog->addButton (affirmativeButton, 1, juce::KeyPress (juce::KeyPress::returnKey));
    dialog->addButton ("Cancel", 0, juce::KeyPress (juce::KeyPress::escapeKey));
    centreDialog (dialog);

    // The framework deletes it when it is dismissed.
    dialog->enterModalState (true, juce::ModalCallbackFunction::create (std::move (callback)), true);
}

void MenuBar::showSaveDialog()
{
    if (presettable == nullptr)
        return;

    auto dialog = createNameDialog ("Save Preset", "Enter a name:", getDefaultSaveName(), "Save");
    auto* shown = dialog.get();

    shown->enterModalState (true,
                            juce::ModalCallbackFunction::create (guardedCallback (
                                Completion::confirmation, std::move (dialog),
                                [] (MenuBar& bar, juce::AlertWindow& d, int result) { bar.handleSaveDialogResult (d, result); })),
                            false);

    focusNameField (*shown);
}

void MenuBar::showRenameDialog (const juce::String& oldName)
{
    if (presettable == nullptr)
        return;

    auto dialog = createNameDialog ("Rename Preset", "Enter a new name:", oldName, "Rename");
    auto* shown = dialog.get();

    shown->enterModalState (true,
                            juce::ModalCallbackFunction::create (guardedCallback (
                                Completion::confirmation, std::move (dialog),
                                [oldName] (MenuBar& bar, juce::AlertWindow& d, int result)
                                {
                                    bar.handleRenameDialogResult (d, oldName, result);
                                })),
                            false);

    focusNameField (*shown);
}

void MenuBar::confirmDeletePreset (const juce::String& name)
{
    if (presettable == nullptr)
        return;

    showConfirmation ("Delete Preset?", deleteMessage (name), "Delete",
                      guardedCallback (Completion::confirmation, [name] (MenuBar& bar, int result)
                      {
                          bar.handleDeleteConfirmResult (name, result);
                      }));
}

//==============================================================================
juce::String MenuBar::getDefaultSaveName()
{
    if (presettable != nullptr && presettable->isCurrentPresetUser())
    {
        const auto current = presettable->getCurrentPresetName().trim();

        if (current.isNotEmpty())
            return current;
    }

    return makeUniquePresetName ("MyPreset");
}

juce::String MenuBar::makeUniquePresetName (const juce::String& baseName)
{
    // Keyed by upper case, which is how names are compared ignoring case.
    std::set<juce::String> taken;

    if (presettable != nullptr)
        for (const auto& name : presettable->getUserPresetNames())
            taken.insert (name.toUpperCase());

    // A candidate is also taken when it leads to a listed preset's file.
    const auto isTaken = [&taken] (const juce::String& candidate)
    {
        return taken.count (candidate.toUpperCase()) > 0 || taken.count (fileNameOf (candidate).toUpperCase()) > 0;
    };

    if (! isTaken (baseName))
        return baseName;

    for (int number = 1; number <= 9999; ++number)
    {
        const auto candidate = baseName + juce::String (number);

        if (! isTaken (candidate))
            return candidate;
    }

    return baseName + "_New";
}

bool MenuBar::userPresetExists (const juce::String& name)
{
    return findExistingPresetName (name).isNotEmpty();
}

juce::String MenuBar::findExistingPresetName (const juce::String& name)
{
    if (presettable == nullptr)
        return {};

    // The listed preset a name stands for, as the list spells it: the name
    // itself, else the name its file would have ("Lead!" is saved as
    // Lead.xml, and replacing that file without asking would lose the preset
    // Lead); each exactly first, then ignoring case. Empty when none is listed.
    const auto names = presettable->getUserPresetNames();
    const auto trimmed = name.trim();
    const auto listed = listedAs (names, trimmed);

    return listed.isNotEmpty() ? listed : listedAs (names, fileNameOf (trimmed));
}

//==============================================================================
void MenuBar::savePresetNamed (const juce::String& name)
{
    const auto trimmed = name.trim();

    if (trimmed.isEmpty() || presettable == nullptr)
        return;

    if (userPresetExists (trimmed))
    {
        showConfirmation ("Overwrite Preset?", overwriteMessage (trimmed), "Overwrite",
                          guardedCallback (Completion::confirmation, [trimmed] (MenuBar& bar, int result)
                          {
                              bar.handleSaveOverwriteResult (trimmed, result);
                          }));
        return;
    }

    if (presettable->saveUserPreset (trimmed))
    {
        updatePresetButtonText();
        showSuccessMessage ("Success", savedMessage (trimmed));
    }
}

void MenuBar::renamePresetTo (const juce::String& oldName, const juce::String& newName)
{
    // The old name comes from the list and is passed on exactly as listed,
    // since it names one file, blanks and all.
    const auto from = oldName.trim();
    const auto to = newName.trim();

    if (presettable == nullptr || from.isEmpty() || to.isEmpty() || from.equalsIgnoreCase (to))
        return;

    // A new name that leads to the old preset's own file ("Lead!" for Lead)
    // leaves nothing to move.
    if (oldName.equalsIgnoreCase (fileNameOf (to)))
        return;

    if (userPresetExists (to))
    {
        showConfirmation ("Overwrite Preset?", overwriteMessage (to), "Overwrite",
                          guardedCallback (Completion::confirmation, [oldName, to] (MenuBar& bar, int result)
                          {
                              bar.handleRenameOverwriteResult (oldName, to, result);
                          }));
        return;
    }

    if (presettable->renameUserPreset (oldName, to))
    {
        updatePresetButtonText();
        showSuccessMessage ("Success", renamedMessage (oldName, to));
    }
}

void MenuBar::handleSaveDialogResult (juce::AlertWindow& dialog, int result)
{
    if (presettable == nullptr || result != 1)
        return;

    savePresetNamed (dialog.getTextEditorContents ("presetName").trim());
}

void MenuBar::handleSaveOverwriteResult (const juce::String& name, int result)
{
    if (presettable == nullptr || result != 1)
        return;

    if (presettable->saveUserPreset (name))
    {
        updatePresetButtonText();
        showSuccessMessage ("Success", savedMessage (name));
    }
}

void MenuBar::handleDeleteConfirmResult (const juce::String& name, int result)
{
    if (presettable == nullptr || result != 1)
        return;

    if (presettable->deleteUserPreset (name))
    {
        updatePresetButtonText();
        showSuccessMessage ("Success", deletedMessage (name));
    }
}

void MenuBar::handleRenameDialogResult (juce::AlertWindow& dialog, const juce::String& oldName, int result)
{
    if (presettable == nullptr || result != 1)
        return;

    renamePresetTo (oldName, dialog.getTextEditorContents ("presetName").trim());
}

void MenuBar::handleRenameOverwriteResult (const juce::String& oldName, const juce::String& newName, int result)
{
    if (presettable == nullptr || result != 1)
        return;

    // The preset being replaced is the listed one the name was found as. The
    // rename lands on the file the new name leads to; when that is another
    // listed preset's file, it could only succeed by replacing a preset
    // nobody agreed to lose, so nothing is done.
    const auto existing = findExistingPresetName (newName);
    const auto landing = listedAs (presettable->getUserPresetNames(), fileNameOf (newName));

    if (existing.isEmpty() || (landing.isNotEmpty() && landing != existing))
        return;

    // The replaced preset is first moved to a backup name, so that it is
    // never lost: it comes back if the rename fails. The backup is named
    // after a file name, so that it is listed, and so moved back or deleted,
    // under that very name.
    const auto backupBase = fileNameOf (newName).trim() + "__backup";
    auto backup = backupBase;

    for (int number = 1; userPresetExists (backup); ++number)
        backup = backupBase + juce::String (number);

    // The moves carry the current preset along, and a move clears its
    // modified mark; a failed rename puts the state back as it was.
    const auto currentName = presettable->getCurrentPresetName();
    const auto currentIsUser = presettable->isCurrentPresetUser();
    const auto currentIsModified = presettable->isCurrentPresetModified();

    if (! presettable->renameUserPreset (existing, backup))
        return;

    if (presettable->renameUserPreset (oldName, newName))
    {
        presettable->deleteUserPreset (backup);
        updatePresetButtonText();
        showSuccessMessage ("Success", renamedMessage (oldName, newName));
        return;
    }

    presettable->renameUserPreset (backup, existing);

    // An edit made meanwhile (host automation) keeps its mark.
    presettable->setCurrentPreset (currentName, currentIsUser,
                                   currentIsModified || presettable->isCurrentPresetModified());
}

//==============================================================================
void MenuBar::centreDialog (juce::AlertWindow* dialog)
{
    if (dialog == nullptr)
        return;

    juce::Component* target = findParentComponentOfClass<juce::AudioProcessorEditor>();

    if (target == nullptr)
        target = getTopLevelComponent();

    // The dialog look draws no icon, so the width the framework keeps for one
    // is not kept either.
    const auto area = target->getScreenBounds();
    const auto width = juce::jmin (DialogLookAndFeel::getWidthWithoutIcon (*dialog), area.getWidth());
    const auto height = juce::jmin (juce::jmax (dialog->getHeight(), 175), area.getHeight());

    dialog->setBounds (dialog->getX(), dialog->getY(), width, height);
    dialog->centreAroundComponent (target, width, height);
}

void MenuBar::showSuccessMessage (const juce::String& title, const juce::String& message)
{
    auto* window = new juce::AlertWindow (title, message, juce::MessageBoxIconType::NoIcon);
    DialogLookAndFeel::keepMessage (*window, message);
    window->setLookAndFeel (&dialogLookAndFeel);
    window->addButton ("OK", 1, juce::KeyPress (juce::KeyPress::returnKey));
    centreDialog (window);

    const juce::Component::SafePointer<juce::AlertWindow> safeWindow (window);

    // From here on the framework owns the window and deletes it when it is
    // dismissed; only the delayed close refers to it, through the safe pointer.
    window->enterModalState (true, nullptr, true);

    juce::Timer::callAfterDelay (3000, [safeWindow] { dismissSuccessMessage (safeWindow); });
}

void MenuBar::dismissSuccessMessage (const juce::Component::SafePointer<juce::AlertWindow>& window)
{
    if (auto* shown = window.getComponent())
        shown->exitModalState (0);
}
