#include "editor/DialogLookAndFeel.h"

#include "editor/MenuBarLookAndFeel.h"

#include <cmath>
#include <optional>

namespace
{
    int nearest (float value) noexcept { return (int) std::round (value); }

    juce::Font defaultFont (float height, int style)
    {
        return juce::Font (juce::FontOptions (juce::String(), height, style));
    }

    // The top of the buttons that placeButtons places, in an alert h high.
    int buttonTop (float h) noexcept { return nearest (0.72f * h); }

    const juce::Identifier messageProperty ("dialogMessage");

    // The alert's message as its creator handed it over; the framework offers
    // no getter for it.
    std::optional<juce::String> messageOf (const juce::AlertWindow& alert)
    {
        if (const auto* message = alert.getProperties().getVarPointer (messageProperty))
            return message->toString();

        return std::nullopt;
    }

    // How far down the title and message may reach: a little above the
    // buttons, and above every text field with the label that the alert draws
    // in the 14 pixels over it.
    float textLimit (const juce::AlertWindow& alert, float bottomMargin)
    {
        constexpr float gap = 4.0f;
        auto limit = (float) alert.getHeight() - bottomMargin;

        if (alert.getNumButtons() > 0)
            limit = (float) buttonTop ((float) alert.getHeight()) - gap;

        for (auto* child : alert.getChildren())
            if (auto* field = dynamic_cast<juce::TextEditor*> (child); field != nullptr && field->isVisible())
                limit = juce::jmin (limit, (float) field->getY() - 14.0f - gap);

        return limit;
    }

    // Whether a line of the layout lost its end: the framework's layout never
    // breaks inside a word, and cuts a word too long for the last line.
    bool dropsText (const juce::TextLayout& layout)
    {
        for (const auto& line : layout)
        {
            const auto end = line.runs.isEmpty() ? line.stringRange.getStart()
                                                 : line.runs.getLast()->stringRange.getEnd();
            if (end < line.stringRange.getEnd())
                return true;
        }

        return false;
    }

    // Centres each line across the layout's width, as centred justification
    // would have put it.
    void centreLines (juce::TextLayout& layout)
    {
        for (auto& line : layout)
        {
            const auto extent = line.getLineBoundsX();
            line.lineOrigin.x += (layout.getWidth() - extent.getLength()) * 0.5f - extent.getStart();
        }
    }

    // The text with a zero-width space between the characters of every word
    // wider than the width, so that the layout may break such a word anywhere.
    juce::String withBreakableWords (const juce::String& text, const juce::Font& font, float width)
    {
        const auto zeroWidthSpace = juce::String::charToString ((juce::juce_wchar) 0x200b);
        juce::String result, word;

        const auto addWord = [&]
        {
            if (juce::GlyphArrangement::getStringWidth (font, word) <= width)
                result += word;
            else
                for (auto c = word.getCharPointer(); ! c.isEmpty();)
                {
                    result += juce::String::charToString (c.getAndAdvance());
                    result += c.isEmpty() ? juce::String() : zeroWidthSpace;
                }

            word.clear();
        };

        for (const auto c : text)
        {
            if (juce::CharacterFunctions::isWhitespace (c))
            {
                addWord();
                result += juce::String::charToString (c);
            }
            else
            {
                word += juce::String::charToString (c);
            }
        }

        addWord();
        return result;
    }

    // The title and message as the alert lays them out, in fonts of the given
    // scale, but centred and breakable for the width.
    juce::AttributedString alertText (const juce::AlertWindow& alert, const juce::String& message,
                                      float scale, float width)
    {
        auto& lookAndFeel = alert.getLookAndFeel();
        const auto titleFont = lookAndFeel.getAlertWindowTitleFont();
        const auto messageFont = lookAndFeel.getAlertWindowMessageFont();

        const auto scaledTitleFont = titleFont.withHeight (scale * titleFont.getHeight());
        const auto scaledMessageFont = messageFont.withHeight (scale * messageFont.getHeight());

        juce::AttributedString text;
        text.append (withBreakableWords (alert.getName(), scaledTitleFont, width), scaledTitleFont);

        if (message.isNotEmpty())
            text.append ("\n\n" + withBreakableWords (message, scaledMessageFont, width), scaledMessageFont);

        text.setColour (alert.findColour (juce::AlertWindow::textColourId));
        text.setJustification (juce::Justification::centredTop);
        return text;
    }

    // The title and message laid out for the width, with lines of balanced
    // lengths as the alert makes them where those fit too (balancing tries
    // narrower widths, at which a long word may no longer fit). When the text
    // is higher than the height, its fonts are made smaller until it is not,
    // down to a quarter of their size.
    juce::TextLayout layOutAlertText (const juce::AlertWindow& alert, const juce::String& message,
                                      float width, float height)
    {
        juce::TextLayout layout;
        layout.createLayout (alertText (alert, message, 1.0f, width), width);

        if (layout.getHeight() <= height)
        {
            juce::TextLayout balanced;
            balanced.createLayoutWithBalancedLineLengths (alertText (alert, message, 1.0f, width), width);

            const auto fits = balanced.getHeight() <= height && balanced.getWidth() <= width && ! dropsText (balanced);
            return fits ? balanced : layout;
        }

        // The height of wrapped text goes roughly with the square of its size.
        for (auto scale = std::sqrt (height / layout.getHeight());; scale *= 0.95f)
        {
            layout.createLayout (alertText (alert, message, scale, width), width);

            if (layout.getHeight() <= height || scale < 0.25f)
                return layout;
        }
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
    const auto top = buttonTop (h);
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

    // Kept as the alert's own layout: the next paint finds it fitting and
    // need not lay the text out again.
    auto text = placeText (alert, textArea, textLayout);
    textLayout = std::move (text.layout);
    textLayout.draw (g, text.bounds);

    // No icon, whatever the alert's type.
}

DialogLookAndFeel::PlacedText DialogLookAndFeel::placeText (const juce::AlertWindow& alert,
                                                            const juce::Rectangle<int>& textArea,
                                                            const juce::TextLayout& alertLayout)
{
    // The alert worked out its text area for the size it chose; the dialog
    // may have been narrowed or made lower since.
    const juce::Rectangle<float> area ((float) textArea.getX(), (float) textArea.getY(),
                                       (float) (alert.getWidth() - 2 * textArea.getX()),
                                       (float) juce::jmin (textArea.getHeight(), alert.getHeight() - textArea.getY()));

    const auto top = area.getY() + 0.1f * area.getHeight();
    const auto height = textLimit (alert, (float) textArea.getY()) - top;

    PlacedText placed { alertLayout, {} };

    if (alertLayout.getWidth() <= area.getWidth() && alertLayout.getHeight() <= height && ! dropsText (alertLayout))
    {
        // With an icon the alert aligns its lines to the left of the room it
        // keeps beside the icon.
        if (alert.getAlertType() != juce::MessageBoxIconType::NoIcon)
            centreLines (placed.layout);
    }
    else if (const auto message = messageOf (alert))
    {
        placed.layout = layOutAlertText (alert, *message, area.getWidth(), height);
    }

    placed.bounds = { area.getX() + (area.getWidth() - placed.layout.getWidth()) * 0.5f, top,
                      placed.layout.getWidth(), placed.layout.getHeight() };
    return placed;
}

void DialogLookAndFeel::keepMessage (juce::AlertWindow& alert, const juce::String& message)
{
    alert.getProperties().set (messageProperty, message);
}

int DialogLookAndFeel::getWidthWithoutIcon (const juce::AlertWindow& alert)
{
    const auto message = messageOf (alert);

    if (alert.getAlertType() == juce::MessageBoxIconType::NoIcon || ! message.has_value())
        return alert.getWidth();

    // The same alert without the icon, as the framework would size it; text
    // fields make an alert higher, never wider.
    juce::AlertWindow withoutIcon (alert.getName(), *message, juce::MessageBoxIconType::NoIcon);
    withoutIcon.setLookAndFeel (&alert.getLookAndFeel());

    for (int i = 0; i < alert.getNumButtons(); ++i)
        withoutIcon.addButton (alert.getButton (i)->getButtonText(), i);

    return juce::jmin (withoutIcon.getWidth(), alert.getWidth());
}

juce::Font DialogLookAndFeel::getAlertWindowTitleFont()
{
    return defaultFont (20.0f, juce::Font::bold);
}

juce::Font DialogLookAndFeel::getAlertWindowMessageFont()
{
    return defaultFont (16.0f, juce::Font::plain);
}
