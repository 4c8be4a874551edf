#include "editor/DialogLookAndFeel.h"

#include "editor/MenuBarLookAndFeel.h"

#include <cmath>

namespace
{
    int nearest (float value) noexcept { return (int) std::round (value); }

    juce::Font defaultFont (float height, int style)
    {
        return juce::Font (juce::FontOptions (juce::String(), height, style));
    }
}

DialogLookAndFeel::DialogLookAndFeel()
{
    setColour (juce::AlertWindow::backgroundColourId, juce::Colour (0xff12161b));
    setColour (juce::AlertWindow::textColourId, juce::Colour (0xdcd2e1eb));
    setColour (juce::TextEditor::backgroundColourId, juce::Colour (0xff161c22));
    setColour (juce::TextEditor::textColourId, juce::Colour (0xffeff5ff));
    setColour (juce::TextEditor::highlightedTextColourId, juce::Colour (0xffffffff));
    setColour (juce::TextEditor::outlineColourId, juce::Colour (0xff384452));
    setColour (juce::TextEditor::focusedOutlineColourId, juce::Colour (0xff4eff24));
    setColour (juce::TextButton::buttonColourId, juce::Colour (0xff1c232b));
    setColour (juce::TextButton::buttonOnColourId, juce::Colour (0xff26303a));
    setColour (juce::TextButton::textColourOffId, juce::Colour (0xffeff5ff));
    setColour (juce::TextButton::textColourOnId, juce::Colour (0xffeff5ff));
}

DialogLookAndFeel::~DialogLookAndFeel()
{
    // A dialog can stay open after the editor is gone; it goes on with the
    // framework's look.
    MenuBarLookAndFeel::releaseFromDesktop (*this);
}

void DialogLookAndFeel::drawButtonBackground (juce::Graphics& g, juce::Button& button, const juce::Colour&,
                                              bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown)
{
    const auto fill = shouldDrawButtonAsDown        ? juce::Colour (0xff3b4045)
                    : shouldDrawButtonAsHighlighted ? juce::Colour (0xff30363b)
                                                    : juce::Colour (0xff181e24);

    const juce::Rectangle<float> body (0.5f, 0.5f,
                                       juce::jmax ((float) button.getWidth() - 1.0f, 0.0f),
                                       juce::jmax ((float) button.getHeight() - 1.0f, 0.0f));

    g.setColour (fill);
    g.fillRoundedRectangle (body, 5.0f);

    g.setColour (juce::Colour (0xff384452));
    g.drawRoundedRectangle (body, 5.0f, 1.0f);
}

juce::Font DialogLookAndFeel::getTextButtonFont (juce::TextButton&, int buttonHeight)
{
    return defaultFont (juce::jmin (0.9f * (float) buttonHeight, 16.0f), juce::Font::bold);
}

void DialogLookAndFeel::placeButtons (juce::AlertWindow& alert)
{
    const auto w = (float) alert.getWidth();
    const auto h = (float) alert.getHeight();
    const auto top = nearest (0.72f * h);
    const auto height = nearest (0.18f * h);

    if (alert.getNumButtons() >= 2)
    {
        const auto width = nearest (0.3f * w);
        const auto gap = 0.03f * w;

        alert.getButton (0)->setBounds (nearest (0.5f * w - 0.3f * w - 0.5f * gap), top, width, height);
        alert.getButton (1)->setBounds (nearest (0.5f * w + 0.5f * gap), top, width, height);
    }
    else if (alert.getNumButtons() == 1)
    {
        alert.getButton (0)->setBounds (nearest ((w - 0.34f * w) * 0.5f), top, nearest (0.34f * w), height);
    }
}

void DialogLookAndFeel::drawAlertBox (juce::Graphics& g, juce::AlertWindow& alert,
                                      const juce::Rectangle<int>& textArea, juce::TextLayout& textLayout)
{
    const auto w = (float) alert.getWidth();
    const auto h = (float) alert.getHeight();

    // On every paint, so the buttons follow any change of the dialog's size.
    placeButtons (alert);

    const juce::Rectangle<float> bounds (0.0f, 0.0f, w, h);

    g.setGradientFill (juce::ColourGradient (juce::Colour (0xff131415), 0.0f, 0.0f,
                                             juce::Colour (0xff0e0f10), 0.0f, h, false));
    g.fillRoundedRectangle (bounds, 5.0f);

    g.setColour (juce::Colour (0xffd2e1eb));
    g.drawRoundedRectangle (bounds, 5.0f, 1.0f);

    textLayout.draw (g, { (float) textArea.getX() + ((float) textArea.getWidth() - textLayout.getWidth()) * 0.5f,
                          (float) textArea.getY() + 0.1f * (float) textArea.getHeight(),
                          textLayout.getWidth(), textLayout.getHeight() });

    // No icon, whatever the alert's type.
}

juce::Font DialogLookAndFeel::getAlertWindowTitleFont()
{
    return defaultFont (20.0f, juce::Font::bold);
}

juce::Font DialogLookAndFeel::getAlertWindowMessageFont()
{
    return defaultFont (16.0f, juce::Font::plain);
}
