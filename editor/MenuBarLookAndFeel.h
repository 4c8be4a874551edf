#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

//==============================================================================
// The look of the Presets popup and its sub-menus; text and item sizes follow
// the height of the menu bar.
class MenuBarLookAndFeel : public juce::LookAndFeel_V4
{
public:
    MenuBarLookAndFeel() = default;
    ~MenuBarLookAndFeel() override;

    void updateSizes (float barHeight);

    void drawPopupMenuBackground (juce::Graphics& g, int width, int height) override;

    void drawPopupMenuItem (juce::Graphics& g, const juce::Rectangle<int>& area,
                            bool isSeparator, bool isActive, bool isHighlighted, bool isTicked,
                            bool hasSubMenu, const juce::String& text, const juce::String& shortcutKeyText,
                            const juce::Drawable* icon, const juce::Colour* textColour) override;

    void drawPopupMenuSectionHeader (juce::Graphics& g, const juce::Rectangle<int>& area,
                                     const juce::String& sectionName) override;

    juce::Font getPopupMenuFont() override;

    void getIdealPopupMenuItemSize (const juce::String& text, bool isSeparator, int standardMenuItemHeight,
                                    int& idealWidth, int& idealHeight) override;

    // The font of an item's text: bold for the ticked item.
    juce::Font getItemFont (bool isTicked) const;

    // Where an item's text is drawn in the item's area: it ends well before
    // the sub-menu arrow.
    static juce::Rectangle<float> getItemTextArea (const juce::Rectangle<int>& area, bool hasSubMenu);

    float getMenuFontHeight() const noexcept    { return menuFontHeight; }
    float getHeaderFontHeight() const noexcept  { return headerFontHeight; }
    int getItemHeight() const noexcept          { return itemHeight; }

    // Hands every desktop window still drawn with a look-and-feel back to the
    // framework's default, so a popup or dialog that outlives its owner keeps
    // painting.
    static void releaseFromDesktop (juce::LookAndFeel& lookAndFeel);

private:
    float menuFontHeight = 14.0f;
    float headerFontHeight = 13.0f;
    int itemHeight = 30;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MenuBarLookAndFeel)
};
