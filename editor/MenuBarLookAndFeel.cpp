#include "editor/MenuBarLookAndFeel.h"

#include <cmath>

namespace
{
    int nearest (float value) noexcept { return (int) std::round (value); }

    // An item's highlight and text lie 4 in from its sides, the text 12 more.
    constexpr int itemInset = 4;
    constexpr float textInset = 12.0f;

    // The sub-menu arrow: its tip 14 in from the highlight's right edge, its
    // open side 3 further left, stroked 1.4 wide. The text of an item with a
    // sub-menu ends 6 clear of the stroke.
    constexpr float arrowTipInset = 14.0f;
    constexpr float subMenuTextEndInset = arrowTipInset + 3.0f + 0.7f + 6.0f;

    juce::Rectangle<int> highlightArea (const juce::Rectangle<int>& area)
    {
        return { area.getX() + itemInset, area.getY() + 1,
                 juce::jmax (area.getWidth() - 2 * itemInset, 0), juce::jmax (area.getHeight() - 2, 0) };
    }

    juce::Font defaultFont (float height, int style)
    {
        return juce::Font (juce::FontOptions (juce::String(), height, style));
    }

    void release (juce::Component& component, juce::LookAndFeel& lookAndFeel)
    {
        // Parents come first, so a child that still resolves to the look-and-feel
        // has it set on itself.
        if (&component.getLookAndFeel() == &lookAndFeel)
            component.setLookAndFeel (nullptr);

        for (auto* child : component.getChildren())
            release (*child, lookAndFeel);
    }
}

MenuBarLookAndFeel::~MenuBarLookAndFeel()
{
    releaseFromDesktop (*this);
}

void MenuBarLookAndFeel::releaseFromDesktop (juce::LookAndFeel& lookAndFeel)
{
    auto& desktop = juce::Desktop::getInstance();

    for (int i = desktop.getNumComponents(); --i >= 0;)
        if (auto* component = desktop.getComponent (i))
            release (*component, lookAndFeel);
}

void MenuBarLookAndFeel::updateSizes (float barHeight)
{
    menuFontHeight = 0.28f * barHeight;
    headerFontHeight = 0.32f * barHeight;
    itemHeight = nearest (0.33f * barHeight);
}

void MenuBarLookAndFeel::drawPopupMenuBackground (juce::Graphics& g, int width, int height)
{
    const juce::Rectangle<float> r (1.0f, 1.0f,
                                    juce::jmax ((float) width - 2.0f, 0.0f),
                                    juce::jmax ((float) height - 2.0f, 0.0f));

    g.setGradientFill (juce::ColourGradient (juce::Colour (0xff101112), 0.0f, 0.0f,
                                             juce::Colour (0xff0f1011), 0.0f, (float) height, false));
    g.fillRoundedRectangle (r, 0.0f);

    g.setColour (juce::Colour (0xff384452));
    g.drawRoundedRectangle (r, 0.0f, 1.0f);

    g.setColour (juce::Colour (0xb44e4f51));
    g.drawRoundedRectangle ({ 3.0f, 3.0f,
                              juce::jmax ((float) width - 6.0f, 0.0f),
                              juce::jmax ((float) height - 6.0f, 0.0f) },
                            0.0f, 1.0f);
}

void MenuBarLookAndFeel::drawPopupMenuItem (juce::Graphics& g, const juce::Rectangle<int>& area,
                                            bool isSeparator, bool /*isActive*/, bool isHighlighted,
                                            bool isTicked, bool hasSubMenu, const juce::String& text,
                                            const juce::String& /*shortcutKeyText*/,
                                            const juce::Drawable* /*icon*/, const juce::Colour* /*textColour*/)
{
    if (isSeparator)
    {
        g.setColour (juce::Colour (0xff2a333d));

        const auto left = area.getX() + 8;
        const auto right = area.getRight() - 8;

        if (right > left)
            g.fillRect (juce::Rectangle<float> ((float) left, (float) (area.getY() + area.getHeight() / 2),
                                                (float) (right - left), 1.0f));
        return;
    }

    const auto r = highlightArea (area);

    if (isHighlighted)
    {
        g.setColour (juce::Colour (0x28ffffff));
        g.fillRoundedRectangle (r.toFloat(), 0.0f);
    }

    const auto textColour = isHighlighted ? juce::Colour (0xffffffff) : juce::Colour (0xf0e6eef2);

    g.setColour (textColour);
    g.setFont (getItemFont (isTicked));
    g.drawText (text, getItemTextArea (area, hasSubMenu), juce::Justification::centredLeft, true);

    if (hasSubMenu)
    {
        const auto ax = (float) r.getRight() - arrowTipInset;
        const auto cy = (float) (r.getY() + r.getHeight() / 2);

        juce::Path chevron;
        chevron.startNewSubPath (ax - 3.0f, cy - 4.0f);
        chevron.lineTo (ax + 1.5f, cy);
        chevron.lineTo (ax - 3.0f, cy + 4.0f);

        g.strokePath (chevron, juce::PathStrokeType (1.4f));
    }
}

void MenuBarLookAndFeel::drawPopupMenuSectionHeader (juce::Graphics& g, const juce::Rectangle<int>& area,
                                                     const juce::String& sectionName)
{
    g.setColour (juce::Colour (0xffffffff));
    g.setFont (defaultFont (headerFontHeight, juce::Font::bold));
    g.drawText (sectionName.toUpperCase(),
                juce::Rectangle<float> ((float) area.getX() + 10.0f, (float) area.getY(),
                                        juce::jmax ((float) area.getWidth() - 20.0f, 0.0f),
                                        juce::jmax ((float) area.getHeight(), 0.0f)),
                juce::Justification::centredLeft, true);
}

juce::Font MenuBarLookAndFeel::getPopupMenuFont()
{
    return getItemFont (false);
}

juce::Font MenuBarLookAndFeel::getItemFont (bool isTicked) const
{
    return defaultFont (menuFontHeight, isTicked ? juce::Font::bold : juce::Font::plain);
}

juce::Rectangle<float> MenuBarLookAndFeel::getItemTextArea (const juce::Rectangle<int>& area, bool hasSubMenu)
{
    const auto r = highlightArea (area).toFloat();
    const auto endInset = hasSubMenu ? subMenuTextEndInset : textInset;

    return { r.getX() + textInset, r.getY(), juce::jmax (r.getWidth() - textInset - endInset, 0.0f), r.getHeight() };
}

void MenuBarLookAndFeel::getIdealPopupMenuItemSize (const juce::String& text, bool isSeparator,
                                                    int standardMenuItemHeight, int& idealWidth, int& idealHeight)
{
    juce::LookAndFeel_V4::getIdealPopupMenuItemSize (text, isSeparator, standardMenuItemHeight,
                                                     idealWidth, idealHeight);

    if (! isSeparator)
    {
        // The framework measures the text in a font no higher than the item
        // allows, smaller than the one drawn. Wide enough for the text as
        // drawn, bold in case the item is ticked, beside a sub-menu arrow in
        // case it has one.
        const auto textWidth = juce::GlyphArrangement::getStringWidth (getItemFont (true), text);
        const auto margins = (float) (2 * itemInset) + textInset + subMenuTextEndInset;
        idealWidth = juce::jmax (idealWidth, (int) std::ceil (textWidth + margins));
    }

    idealHeight = isSeparator ? 6 : itemHeight;
}
