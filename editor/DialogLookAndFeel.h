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

    // The title and message as drawAlertBox draws them, and where.
    struct PlacedText
    {
        juce::TextLayout layout;
        juce::Rectangle<float> bounds;
    };

    // Places the title and message in the alert's current size: centred
    // across the window less the text area's margins, a tenth of the text
    // area's height below its top. The alert's own layout is kept where it
    // fits, its lines centred where the alert aligned them beside the room it
    // keeps for an icon. It is laid out again for the width when it is wider
    // (a dialog narrowed after its layout), has lost the end of a word too
    // long for a line, or would reach what lies below the text; in smaller
    // fonts only when even that is too high.
    static PlacedText placeText (const juce::AlertWindow& alert, const juce::Rectangle<int>& textArea,
                                 const juce::TextLayout& alertLayout);

    // Hands the alert's message to this look, which lays it out again when the
    // alert is narrowed; without it the alert's own layout is drawn as it is.
    static void keepMessage (juce::AlertWindow& alert, const juce::String& message);

    // The width the framework gives an alert of this title, message and
    // buttons without an icon: an alert with one is made wider for an icon
    // that this look never draws.
    static int getWidthWithoutIcon (const juce::AlertWindow& alert);

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DialogLookAndFeel)
};
