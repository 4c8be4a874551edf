#include "editor/MenuBar.h"

#include <cmath>

namespace
{
    int nearest (float value) noexcept { return (int) std::round (value); }

    // Two blanks and U+25BE BLACK DOWN-POINTING SMALL TRIANGLE, as UTF-8.
    constexpr const char* menuMarkUtf8 = "  \xe2\x96\xbe";

    juce::String withMenuMark (const juce::String& text)
    {
        return text + juce::String::fromUTF8 (menuMarkUtf8);
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

    presetButton.setText (withMenuMark (text));
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

void MenuBar::showPresetsMenu()
{
}

void MenuBar::showSaveDialog()
{
}
