#include "editor/PanelText.h"

bool PanelText::fitsUnsqueezed() const
{
    return juce::GlyphArrangement::getStringWidth (font, text) <= (float) area.getWidth();
}

void PanelText::draw (juce::Graphics& g) const
{
    g.setFont (font);

    if (fitsUnsqueezed())
        g.drawText (text, area, justification, false);
    else
        g.drawFittedText (text, area, justification, 1, 0.0f);
}

juce::GlyphArrangement PanelText::arrange() const
{
    const auto width = (float) area.getWidth();
    const auto height = (float) area.getHeight();
    juce::GlyphArrangement glyphs;

    // Laid out at the origin and then moved, as Graphics lays out and draws them.
    if (fitsUnsqueezed())
    {
        glyphs.addCurtailedLineOfText (font, text, 0.0f, 0.0f, width, false);
        glyphs.justifyGlyphs (0, glyphs.getNumGlyphs(), 0.0f, 0.0f, width, height, justification);
    }
    else
    {
        glyphs.addFittedText (font, text, 0.0f, 0.0f, width, height, justification, 1, 0.0f);
    }

    glyphs.moveRangeOfGlyphs (0, -1, (float) area.getX(), (float) area.getY());
    return glyphs;
}

juce::Rectangle<float> PanelText::getInk() const
{
    return inkOf (arrange());
}

juce::Rectangle<float> inkOf (const juce::GlyphArrangement& glyphs)
{
    juce::Path outlines;
    glyphs.createPath (outlines);
    return outlines.getBounds();
}

bool inksApart (juce::Rectangle<float> a, juce::Rectangle<float> b)
{
    return ! a.getSmallestIntegerContainer().expanded (1).intersects (b.getSmallestIntegerContainer());
}

int rowsToMoveApart (juce::Rectangle<float> upper, juce::Rectangle<float> lower)
{
    if (inksApart (upper, lower))
        return 0;

    return juce::jmax (0, upper.getSmallestIntegerContainer().getBottom() + 1
                              - lower.getSmallestIntegerContainer().getY());
}
