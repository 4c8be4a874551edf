#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

//==============================================================================
// The common look of the preset dialogs and the success message: colours,
// button bodies, fonts, and an alert box that also places its buttons.
class DialogLookAndFeel : public juce::LookAndFeel_V4
{
public:
    DialogLookAndFeel();
    ~DialogLookAndFeel() override;

    void drawButtonBackground (juce::Graphics& g, juce::Button& button, const juce::Colour& backgroundColour,
                               bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown) override;

    juce::Font getTextButtonFont (juce::TextButton& button, int buttonHeight) override;

    void drawAlertBox (juce::Graphics& g, juce::AlertWindow& alert, const juce::Rectangle<int>& textArea,
                       juce::TextLayout& textLayout) override;

    juce::Font getAlertWindowTitleFont() override;
    juce::Font getAlertWindowMessageFont() override;

    // Puts the first one or two buttons of an alert into their places for the
    // alert's current size.
    static void placeButtons (juce::AlertWindow& alert);

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DialogLookAndFeel)
};
