#pragma once

#include <juce_graphics/juce_graphics.h>

//==============================================================================
// One line of the main panel's own text: its font, and the area it is drawn
// in. It is drawn whole: where it fits the area's width, as drawText lays it
// out; where it would not, squeezed horizontally just enough, as
// drawFittedText does (down to the framework's default minimum scale).
struct PanelText
{
    juce::String text;
    juce::Font font { juce::FontOptions() };
    juce::Rectangle<int> area;
    juce::Justification justification { juce::Justification::centred };

    bool fitsUnsqueezed() const;

    // Sets the font and draws the text in the current colour.
    void draw (juce::Graphics& g) const;

    // The glyphs where draw puts them.
    juce::GlyphArrangement arrange() const;

    // The bounds of the glyphs' outlines, where draw puts them.
    juce::Rectangle<float> getInk() const;
};

// The bounds of the glyphs' outlines.
juce::Rectangle<float> inkOf (const juce::GlyphArrangement& glyphs);

// Whether two inked areas keep at least one whole pixel row or column clear
// between them, so that no pixel holds ink of both and they do not touch.
bool inksApart (juce::Rectangle<float> a, juce::Rectangle<float> b);

// How many whole pixels a lower inked area has to move down to be apart from
// an upper one, by rows; 0 when it is apart already.
int rowsToMoveApart (juce::Rectangle<float> upper, juce::Rectangle<float> lower);
