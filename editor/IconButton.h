#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

//==============================================================================
// A menu-bar button that paints its own rounded body, outline and text.
class IconButton : public juce::Button
{
public:
    explicit IconButton (const juce::String& buttonName);

    void setText (const juce::String& newText);
    const juce::String& getText() const noexcept { return text; }

    void paintButton (juce::Graphics& g, bool shouldDrawButtonAsHighlighted,
                      bool shouldDrawButtonAsDown) override;

    // The font of the text in a button of the given size.
    static juce::Font textFont (int buttonWidth, int buttonHeight);

    // Where a text of the given width is drawn: centred on the middle 80 %
    // of the button when it fits, never limited to the button.
    static juce::Rectangle<int> textBounds (int buttonWidth, int buttonHeight, float textWidth);

private:
    static juce::Rectangle<float> bodyBounds (int buttonWidth, int buttonHeight);

    juce::String text;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (IconButton)
};
