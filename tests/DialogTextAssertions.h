#pragma once

#include <gtest/gtest.h>

#include <juce_gui_basics/juce_gui_basics.h>

#include "editor/DialogLookAndFeel.h"

#include <optional>
#include <vector>

// The dialog look, keeping what its last paint was given and where it put the
// title and message.
struct RecordingDialogLook final : DialogLookAndFeel
{
    void drawAlertBox (juce::Graphics& g, juce::AlertWindow& alert, const juce::Rectangle<int>& textArea,
                       juce::TextLayout& textLayout) override
    {
        given = textLayout;
        givenArea = textArea;
        placed = placeText (alert, textArea, textLayout);
        DialogLookAndFeel::drawAlertBox (g, alert, textArea, textLayout);
    }

    std::optional<juce::TextLayout> given;
    juce::Rectangle<int> givenArea;
    std::optional<PlacedText> placed;
};

namespace dialog_text
{
    // The left, right and top margins of the text area that the alert keeps.
    constexpr float margin = 10.0f;

    struct LongName { const char* what; juce::String name; };

    // Long preset names, up to the longest a preset file can have (255 bytes
    // with ".xml"), with blanks to wrap at and without.
    inline std::vector<LongName> longNames()
    {
        return { { "54 characters",            juce::String::repeatedString ("Abcdefghi ", 5) + "Xyzw" },
                 { "54 without blanks",        juce::String::repeatedString ("Abcdefghi", 6) },
                 { "251 characters",           juce::String::repeatedString ("Abcdefghi ", 25) + "X" },
                 { "251 without blanks",       juce::String::repeatedString ("W", 251) } };
    }

    // The title and message as placed in the alert: inside the window less its
    // margins, centred on it within a pixel, clear of the buttons and the text
    // fields with their labels below, and with every line whole.
    inline void expectInside (const juce::AlertWindow& alert, const DialogLookAndFeel::PlacedText& text)
    {
        const auto w = (float) alert.getWidth();
        const auto& b = text.bounds;

        EXPECT_GE (b.getX(), margin - 0.01f) << b.toString();
        EXPECT_LE (b.getRight(), w - margin + 0.01f) << b.toString() << " in " << w;
        EXPECT_NEAR (b.getCentreX(), 0.5f * w, 1.0f) << b.toString();
        EXPECT_GE (b.getY(), margin);

        auto below = (float) alert.getHeight() - margin;
        for (int i = 0; i < alert.getNumButtons(); ++i)
            below = juce::jmin (below, (float) alert.getButton (i)->getY());
        for (auto* child : alert.getChildren())
            if (auto* field = dynamic_cast<juce::TextEditor*> (child); field != nullptr && field->isVisible())
                below = juce::jmin (below, (float) field->getY() - 14.0f);

        EXPECT_LE (b.getBottom(), below) << b.toString();

        // Consecutive lines hold consecutive pieces of the text, each drawn to
        // its end: a line whose glyphs stop short has lost characters.
        auto next = 0;
        for (const auto& line : text.layout)
        {
            EXPECT_EQ (line.stringRange.getStart(), next);
            ASSERT_FALSE (line.runs.isEmpty());
            EXPECT_EQ (line.runs.getLast()->stringRange.getEnd(), line.stringRange.getEnd())
                << "a line lost its end at " << line.stringRange.getEnd();
            next = line.stringRange.getEnd();
        }
    }
}
