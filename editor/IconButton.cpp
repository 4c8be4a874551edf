#include "editor/IconButton.h"

#include <cmath>

namespace
{
    int nearest (float value) noexcept { return (int) std::round (value); }

    // The font's own advance width of the text, as the placement is defined
    // by it (the framework has marked the call as superseded).
    float advanceWidth (const juce::Font& font, const juce::String& text)
    {
        JUCE_BEGIN_IGNORE_DEPRECATION_WARNINGS
        return font.getStringWidthFloat (text);
        JUCE_END_IGNORE_DEPRECATION_WARNINGS
    }
}

IconButton::IconButton (const juce::String& buttonName)
    : juce::Button (buttonName)
{
}

void IconButton::setText (const juce::String& newText)
{
    text = newText;
    repaint();
}

juce::Rectangle<float> IconButton::bodyBounds (int buttonWidth, int buttonHeight)
{
    return { 0.5f, 0.5f,
             juce::jmax ((float) buttonWidth - 1.0f, 0.0f),
             juce::jmax ((float) buttonHeight - 1.0f, 0.0f) };
}

juce::Font IconButton::textFont (int buttonWidth, int buttonHeight)
{
    const auto body = bodyBounds (buttonWidth, buttonHeight);
    return juce::Font (juce::FontOptions (juce::String(), juce::jmax (0.5f * body.getHeight(), 11.0f),
                                          juce::Font::bold));
}

juce::Rectangle<int> IconButton::textBounds (int buttonWidth, int buttonHeight, float textWidth)
{
    const auto body = bodyBounds (buttonWidth, buttonHeight);
    const auto inset = 0.1f * body.getWidth();
    const auto centreArea = juce::Rectangle<float> (body.getX() + inset, body.getY(),
                                                    juce::jmax (0.8f * body.getWidth(), 0.0f),
                                                    body.getHeight());

    const auto x = nearest (centreArea.getX() + 0.5f * centreArea.getWidth() - 0.5f * textWidth);
    return { x, 0, buttonWidth - x - 6, buttonHeight };
}

void IconButton::paintButton (juce::Graphics& g, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown)
{
    const auto fill = shouldDrawButtonAsDown        ? juce::Colour (0xff3b4045)
                    : shouldDrawButtonAsHighlighted ? juce::Colour (0xff30363b)
                                                    : juce::Colour (0xff181e24);

    const auto body = bodyBounds (getWidth(), getHeight());

    g.setColour (fill);
    g.fillRoundedRectangle (body, 5.0f);

    g.setColour (juce::Colour (0xff384452));
    g.drawRoundedRectangle (body, 5.0f, 1.0f);

    const auto font = textFont (getWidth(), getHeight());
    g.setFont (font);

    const auto area = textBounds (getWidth(), getHeight(), advanceWidth (font, text));

    g.setColour (juce::Colour (0xffdce6f0));
    g.drawFittedText (text, area, juce::Justification::centredLeft, 1, 0.0f);
}
