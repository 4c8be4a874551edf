#include "tests/RepaintRecorder.h"
#include "tests/WindowTestSupport.h"

#include "editor/IconButton.h"
#include "editor/MenuBarLookAndFeel.h"
#include "processor/EmberLashAudioProcessor.h"

#include <functional>
#include <memory>
#include <vector>

using namespace window_test;

namespace
{
    struct MenuBarFixture : testing::Test
    {
        MenuBar bar;
        MenuBarTestAccess access { bar };
        FakePresettable fake;
    };

    juce::Image paintButton (IconButton& button, bool highlighted, bool down)
    {
        auto image = blankImage (button.getWidth(), button.getHeight());
        juce::Graphics g (image);
        button.paintButton (g, highlighted, down);
        return image;
    }

    template <typename Draw>
    juce::Image render (int width, int height, Draw&& draw)
    {
        auto image = blankImage (width, height);
        juce::Graphics g (image);
        draw (g);
        return image;
    }

    // Opaque where two images of one size differ, clear elsewhere.
    juce::Image difference (const juce::Image& a, const juce::Image& b)
    {
        auto result = blankImage (a.getWidth(), a.getHeight());

        for (int y = 0; y < a.getHeight(); ++y)
            for (int x = 0; x < a.getWidth(); ++x)
                if (a.getPixelAt (x, y) != b.getPixelAt (x, y))
                    result.setPixelAt (x, y, juce::Colours::white);

        return result;
    }

    bool sameImages (const juce::Image& a, const juce::Image& b)
    {
        if (a.getBounds() != b.getBounds())
            return false;

        for (int y = 0; y < a.getHeight(); ++y)
            for (int x = 0; x < a.getWidth(); ++x)
                if (a.getPixelAt (x, y) != b.getPixelAt (x, y))
                    return false;

        return true;
    }
}

//==============================================================================
TEST (MenuBarLayout, WorkedSizes)
{
    struct Row
    {
        int width, height;
        float menuFont, headerFont;
        int itemHeight;
        juce::Rectangle<int> presets, save;
    };

    const Row rows[] = {
        { 1256, 70, 0.28f * 70.0f, 0.32f * 70.0f, 23, { 387, 8, 301, 46 }, { 701, 8, 126, 46 } },
        { 1700, 95, 0.28f * 95.0f, 0.32f * 95.0f, 31, { 524, 11, 408, 63 }, { 949, 11, 171, 63 } },
        {  500, 28, 0.28f * 28.0f, 0.32f * 28.0f,  9, { 154, 6, 120, 18 }, { 279, 6, 50, 18 } },   // 18 high: the floor wins
        {  403, 23, 0.28f * 23.0f, 0.32f * 23.0f,  8, { 124, 6, 97, 18 }, { 225, 6, 41, 18 } },    // reaches below the bar
    };

    for (const auto& row : rows)
    {
        SCOPED_TRACE (juce::String (row.width) + " x " + juce::String (row.height));

        MenuBar bar;
        MenuBarTestAccess access (bar);
        bar.setSize (row.width, row.height);

        EXPECT_EQ (access.presetButton().getBounds(), row.presets);
        EXPECT_EQ (access.saveButton().getBounds(), row.save);
        EXPECT_FLOAT_EQ (access.menuLookAndFeel().getMenuFontHeight(), row.menuFont);
        EXPECT_FLOAT_EQ (access.menuLookAndFeel().getHeaderFontHeight(), row.headerFont);
        EXPECT_EQ (access.menuLookAndFeel().getItemHeight(), row.itemHeight);
    }

    EXPECT_NEAR (0.28f * 70.0f, 19.6f, 1e-5f);
    EXPECT_NEAR (0.32f * 28.0f, 8.96f, 1e-5f);
}

TEST_F (MenuBarFixture, BeforeTheProcessorIsSet)
{
    EXPECT_EQ (access.presettable(), nullptr);
    EXPECT_EQ (access.presetButton().getName(), "Preset");
    EXPECT_EQ (access.presetButton().getButtonText(), "Preset");
    EXPECT_EQ (access.saveButton().getName(), "Save");
    EXPECT_EQ (access.saveButton().getText(), "Save");
    EXPECT_EQ (access.presetButton().getText(), "Presets" + menuMark());

    // The sizes of the popup's look before the first layout.
    EXPECT_FLOAT_EQ (access.menuLookAndFeel().getMenuFontHeight(), 14.0f);
    EXPECT_FLOAT_EQ (access.menuLookAndFeel().getHeaderFontHeight(), 13.0f);
    EXPECT_EQ (access.menuLookAndFeel().getItemHeight(), 30);

    EXPECT_TRUE (access.timerRunning());
    EXPECT_EQ (access.timerInterval(), 125);

    // Children: the Presets button, then the Save button.
    ASSERT_EQ (bar.getNumChildComponents(), 2);
    EXPECT_EQ (bar.getChildComponent (0), &access.presetButton());
    EXPECT_EQ (bar.getChildComponent (1), &access.saveButton());

    // Without a processor an update keeps the default text.
    access.tick();
    EXPECT_EQ (access.presetButton().getText(), "Presets" + menuMark());
}

TEST_F (MenuBarFixture, MenuMarkIsHeldAsUtf8)
{
    const auto text = access.presetButton().getText();
    EXPECT_EQ (text.length(), 10);
    EXPECT_EQ (text.getLastCharacter(), (juce::juce_wchar) 0x25BE);

    const juce::MemoryBlock utf8 (text.toRawUTF8(), text.getNumBytesAsUTF8());
    const juce::uint8 expected[] = { 'P', 'r', 'e', 's', 'e', 't', 's', 0x20, 0x20, 0xe2, 0x96, 0xbe };
    ASSERT_EQ (utf8.getSize(), sizeof (expected));
    EXPECT_EQ (std::memcmp (utf8.getData(), expected, sizeof (expected)), 0);
}

TEST_F (MenuBarFixture, PresetButtonTextFromTheDisplayName)
{
    struct Case { const char* displayName; const char* shown; };
    const Case cases[] = {
        { "Presets",       "Presets" },      // nothing chosen
        { "Presets *",     "Presets *" },    // a knob turned with nothing chosen
        { "Cab Glue *",    "Cab Glue *" },   // a modified factory preset
        { "Preset",        "Presets" },      // the button's own name is never shown
        { "Preset *",      "Preset *" },
        { "preset",        "preset" },       // letter case counts
        { "PRESET",        "PRESET" },
        { "  Lead Tone  ", "Lead Tone" },    // trimmed
        { " \t Preset \n", "Presets" },      // trimmed first, then compared
        { "",              "Presets" },
        { "   ",           "Presets" },
    };

    bar.setPresettableProcessor (&fake);

    for (const auto& c : cases)
    {
        fake.displayName = c.displayName;
        const auto callsBefore = fake.displayNameCalls;

        bar.updatePresetButtonText();

        EXPECT_EQ (fake.displayNameCalls, callsBefore + 1);
        EXPECT_EQ (access.presetButton().getText(), juce::String (c.shown) + menuMark())
            << "display name \"" << c.displayName << "\"";
    }

    // Handing over null puts the default text back.
    bar.setPresettableProcessor (nullptr);
    EXPECT_EQ (access.presetButton().getText(), "Presets" + menuMark());
}

TEST_F (MenuBarFixture, SettingTheProcessorRefreshesAtOnce)
{
    fake.displayName = "Tight Chug";
    bar.setPresettableProcessor (&fake);

    EXPECT_EQ (access.presettable(), &fake);
    EXPECT_EQ (access.presetButton().getText(), "Tight Chug" + menuMark());
}

TEST_F (MenuBarFixture, TimerRepaintsThePresetsButtonOnlyWhenItsTextChanges)
{
    bar.setSize (1256, 70);
    bar.setVisible (true);
    bar.setPresettableProcessor (&fake);
    auto& recorder = RepaintRecorder::attachTo (bar);

    const struct { const char* displayName; bool repaints; } ticks[] {
        { "Presets", false }, { "Cab Glue", true }, { "Cab Glue", false }, { "Cab Glue *", true },
        { "  Cab Glue *  ", false },   // shown trimmed, as before
        { "Cab Glue *", false }, { "Presets", true }, { "Presets", false },
    };

    for (const auto& tick : ticks)
    {
        SCOPED_TRACE (tick.displayName);
        fake.displayName = tick.displayName;
        recorder.areas.clear();
        access.tick();

        if (tick.repaints)
        {
            EXPECT_FALSE (recorder.areas.isEmpty());
            EXPECT_TRUE (access.presetButton().getBounds().contains (recorder.areas.getBounds()));
        }
        else
        {
            EXPECT_TRUE (recorder.areas.isEmpty()) << recorder.areas.getBounds().toString() << " was repainted";
        }
    }
}

TEST (MenuBarTimer, FollowsAKnobTurnOnTheProcessor)
{
    EmberLashAudioProcessor processor;
    MenuBar bar;
    MenuBarTestAccess access (bar);
    bar.setPresettableProcessor (&processor);
    EXPECT_EQ (access.presetButton().getText(), "Presets" + menuMark());

    auto* bite = processor.valueTreeState.getParameter ("bite");
    ASSERT_NE (bite, nullptr);
    bite->setValueNotifyingHost (0.8f);

    // Within a few timer periods, with no call of its own.
    testing_support::pumpMessages (400);
    EXPECT_EQ (access.presetButton().getText(), "Presets *" + menuMark());

    processor.setCurrentPreset ("Cab Glue", false, true);
    testing_support::pumpMessages (400);
    EXPECT_EQ (access.presetButton().getText(), "Cab Glue *" + menuMark());
}

TEST (MenuBarPainting, FillsItsWholeArea)
{
    MenuBar bar;
    bar.setSize (200, 30);

    auto image = blankImage (200, 30);
    {
        juce::Graphics g (image);
        bar.paint (g);
    }

    for (const auto& p : { juce::Point<int> (0, 0), juce::Point<int> (199, 29), juce::Point<int> (100, 15) })
        EXPECT_TRUE (near (image.getPixelAt (p.x, p.y), juce::Colour (0xff0a0b0c), 0)) << p.toString();
}

//==============================================================================
TEST (IconButtonPainting, FillByMouseStateOutlineAndTextAlike)
{
    IconButton button ("Preset");
    button.setText ("Presets");
    button.setSize (301, 46);

    struct State { bool highlighted, down; juce::uint32 fill; };
    const State states[] = {
        { false, false, 0xff181e24 },
        { true,  false, 0xff30363b },
        { false, true,  0xff3b4045 },
        { true,  true,  0xff3b4045 },  // down wins over highlighted
    };

    for (const auto& state : states)
    {
        SCOPED_TRACE (juce::String ("highlighted ") + (state.highlighted ? "yes" : "no")
                      + ", down " + (state.down ? "yes" : "no"));

        const auto image = paintButton (button, state.highlighted, state.down);

        EXPECT_TRUE (near (image.getPixelAt (12, 23), juce::Colour (state.fill), 0));
        EXPECT_TRUE (near (image.getPixelAt (288, 40), juce::Colour (state.fill), 0));
        // The outline runs along the body's half-pixel edge.
        EXPECT_TRUE (near (image.getPixelAt (150, 0), juce::Colour (0xff384452), 1));
        EXPECT_TRUE (near (image.getPixelAt (0, 23), juce::Colour (0xff384452), 1));
        // Rounded corners leave the very corner empty.
        EXPECT_LT (image.getPixelAt (0, 0).getAlpha(), 128);

        // The text's strongest ink is the text colour in every state.
        int brightest = -1;
        juce::Colour ink;
        for (int y = 0; y < 46; ++y)
            for (int x = 30; x < 270; ++x)
            {
                const auto c = image.getPixelAt (x, y);
                if (c.getRed() + c.getGreen() + c.getBlue() > brightest)
                {
                    brightest = c.getRed() + c.getGreen() + c.getBlue();
                    ink = c;
                }
            }
        EXPECT_TRUE (near (ink, juce::Colour (0xffdce6f0), 2));
    }
}

TEST (IconButtonPainting, RealMouseStatesReachThePaint)
{
    IconButton button ("Save");
    button.setText ("Save");
    button.setSize (126, 46);

    const std::pair<juce::Button::ButtonState, juce::uint32> states[] = {
        { juce::Button::buttonNormal, 0xff181e24 },
        { juce::Button::buttonOver,   0xff30363b },
        { juce::Button::buttonDown,   0xff3b4045 },  // pressed with the mouse over it
    };

    for (const auto& [state, fill] : states)
    {
        button.setState (state);
        const auto image = button.createComponentSnapshot (button.getLocalBounds(), true, 1.0f);
        EXPECT_TRUE (near (image.getPixelAt (8, 23), juce::Colour (fill), 0)) << (int) state;
    }
}

TEST (IconButtonText, PlacementCentresOnTheMiddleAndIsNotLimited)
{
    const auto font = IconButton::textFont (301, 46);
    EXPECT_FLOAT_EQ (font.getHeight(), 22.5f);
    EXPECT_TRUE (font.isBold());
    EXPECT_TRUE (font.getTypefaceName().isEmpty() || font.getTypefaceName() == juce::Font::getDefaultSansSerifFontName());

    EXPECT_EQ (IconButton::textBounds (301, 46, 150.0f), juce::Rectangle<int> (76, 0, 219, 46));
    EXPECT_EQ (IconButton::textBounds (301, 46, 400.0f), juce::Rectangle<int> (-50, 0, 345, 46));  // -49.5

    // Small buttons keep an 11-high font.
    EXPECT_FLOAT_EQ (IconButton::textFont (50, 18).getHeight(), 11.0f);
    EXPECT_FLOAT_EQ (IconButton::textFont (0, 0).getHeight(), 11.0f);
}

TEST (IconButtonText, DrawnWhereThePlacementSays)
{
    IconButton button ("Preset");
    button.setSize (301, 46);

    const auto measure = [] (const juce::String& text)
    {
        return juce::GlyphArrangement::getStringWidth (IconButton::textFont (301, 46), text);
    };

    // A text that fits: its ink starts at the placement's left edge (give or
    // take the first glyph's side bearing) and is centred on the button.
    const juce::String fitting ("HHHHHH");
    button.setText (fitting);
    {
        const auto image = paintButton (button, false, false);
        const auto expected = IconButton::textBounds (301, 46, measure (fitting));
        const auto ink = columnsWhere (image, { 0, 0, 301, 46 }, isBright);

        ASSERT_FALSE (ink.isEmpty());
        EXPECT_NEAR (ink.getStart(), expected.getX(), 3);
        EXPECT_NEAR (ink.getStart() + ink.getEnd(), 301, 5);
    }

    // A text far wider than the button starts left of it: what lies left of
    // the edge is lost, the rest is squeezed and cut before the right margin.
    const juce::String wide ("Presets Presets Presets Presets Presets Presets");
    button.setText (wide);
    {
        ASSERT_LT (IconButton::textBounds (301, 46, measure (wide)).getX(), 0);

        const auto image = paintButton (button, false, false);
        const auto ink = columnsWhere (image, { 0, 0, 301, 46 }, isBright);

        ASSERT_FALSE (ink.isEmpty());
        EXPECT_LE (ink.getStart(), 3);
        EXPECT_LE (ink.getEnd(), 301 - 6);
    }
}

//==============================================================================
TEST (MenuBarLookAndFeelSizes, FollowTheBarHeight)
{
    MenuBarLookAndFeel lookAndFeel;
    lookAndFeel.updateSizes (68.0f);
    EXPECT_FLOAT_EQ (lookAndFeel.getMenuFontHeight(), 0.28f * 68.0f);
    EXPECT_FLOAT_EQ (lookAndFeel.getHeaderFontHeight(), 0.32f * 68.0f);
    EXPECT_EQ (lookAndFeel.getItemHeight(), 22);

    lookAndFeel.updateSizes (40.0f);
    EXPECT_EQ (lookAndFeel.getItemHeight(), 13);  // 13.2

    EXPECT_FLOAT_EQ (lookAndFeel.getPopupMenuFont().getHeight(), 0.28f * 40.0f);
    EXPECT_FALSE (lookAndFeel.getPopupMenuFont().isBold());
}

TEST (MenuBarLookAndFeelSizes, IdealItemHeightsWhateverTheStandardHeight)
{
    MenuBarLookAndFeel lookAndFeel;
    lookAndFeel.updateSizes (70.0f);

    for (const int standard : { 0, 17, 30, 100 })
    {
        SCOPED_TRACE (standard);
        int width = -1, height = -1;

        lookAndFeel.getIdealPopupMenuItemSize ("Cab Glue", false, standard, width, height);
        EXPECT_EQ (height, 23);
        EXPECT_GT (width, 0);

        lookAndFeel.getIdealPopupMenuItemSize ({}, true, standard, width, height);
        EXPECT_EQ (height, 6);
        EXPECT_EQ (width, 50);  // the framework's separator width
    }

    // The width grows with the text, in this look's own menu font.
    int shortWidth = 0, longWidth = 0, height = 0;
    lookAndFeel.getIdealPopupMenuItemSize ("A", false, 0, shortWidth, height);
    lookAndFeel.getIdealPopupMenuItemSize ("A much longer preset name", false, 0, longWidth, height);
    EXPECT_GT (longWidth, shortWidth + 100);
}

TEST (MenuBarLookAndFeelDrawing, SeparatorOnlyInAWideEnoughArea)
{
    MenuBarLookAndFeel lookAndFeel;
    const auto separator = [&lookAndFeel] (juce::Rectangle<int> area)
    {
        return render (120, 30, [&] (juce::Graphics& g)
        {
            lookAndFeel.drawPopupMenuItem (g, area, true, true, false, false, false, "ignored", {}, nullptr, nullptr);
        });
    };

    // 16 wide or narrower: nothing at all.
    for (const int width : { 0, 10, 16 })
    {
        const auto image = separator ({ 2, 3, width, 7 });
        EXPECT_TRUE (columnsWhere (image, image.getBounds(), isInked).isEmpty()) << width;
    }

    // 17 wide: one pixel.
    {
        const auto image = separator ({ 2, 3, 17, 7 });
        EXPECT_EQ (columnsWhere (image, image.getBounds(), isInked), juce::Range<int> (10, 11));
    }

    // A wide area: one row at the middle (a half pixel dropped), 8 in from each side.
    const juce::Rectangle<int> area (5, 4, 100, 9);
    const auto image = separator (area);
    EXPECT_EQ (rowsWhere (image, image.getBounds(), isInked), juce::Range<int> (8, 9));   // 4 + 9 / 2
    EXPECT_EQ (columnsWhere (image, image.getBounds(), isInked), juce::Range<int> (13, 97));
    EXPECT_TRUE (near (image.getPixelAt (50, 8), juce::Colour (0xff2a333d), 0));
}

TEST (MenuBarLookAndFeelDrawing, SectionHeaderInCapitals)
{
    MenuBarLookAndFeel lookAndFeel;
    lookAndFeel.updateSizes (70.0f);
    const juce::Rectangle<int> area (0, 0, 300, 30);

    const auto header = render (300, 30, [&] (juce::Graphics& g)
    {
        lookAndFeel.drawPopupMenuSectionHeader (g, area, "Factory Presets");
    });

    const auto byHand = [&] (const juce::String& text)
    {
        return render (300, 30, [&] (juce::Graphics& g)
        {
            g.setColour (juce::Colours::white);
            g.setFont (juce::Font (juce::FontOptions ({}, 0.32f * 70.0f, juce::Font::bold)));
            g.drawText (text, juce::Rectangle<float> (10.0f, 0.0f, 280.0f, 30.0f),
                        juce::Justification::centredLeft, true);
        });
    };

    save (header, "popup-section-header");
    EXPECT_TRUE (sameImages (header, byHand ("FACTORY PRESETS")));
    EXPECT_FALSE (sameImages (header, byHand ("Factory Presets")));
}

TEST (MenuBarLookAndFeelDrawing, ItemHighlightTickAndSubMenuChevron)
{
    MenuBarLookAndFeel lookAndFeel;
    lookAndFeel.updateSizes (70.0f);
    const juce::Rectangle<int> area (0, 0, 200, 23);

    const auto item = [&] (bool highlighted, bool ticked, bool hasSubMenu)
    {
        return render (200, 23, [&] (juce::Graphics& g)
        {
            lookAndFeel.drawPopupMenuItem (g, area, false, false, highlighted, ticked, hasSubMenu,
                                           "Lead", "Ctrl+L", nullptr, nullptr);
        });
    };

    // Highlight fill inside the item, 4 in from the sides and 1 from the top.
    const auto highlighted = item (true, false, false);
    EXPECT_TRUE (near (highlighted.getPixelAt (5, 2), juce::Colour (0x28ffffff), 1));
    EXPECT_EQ (highlighted.getPixelAt (3, 2).getAlpha(), 0);
    EXPECT_EQ (highlighted.getPixelAt (5, 0).getAlpha(), 0);

    // A plain item draws only its text (no tick mark, no shortcut); ticked is bold.
    const auto plain = item (false, false, false);
    const auto ticked = item (false, true, false);
    EXPECT_GE (columnsWhere (plain, plain.getBounds(), isInked).getStart(), 16);
    EXPECT_LE (columnsWhere (plain, plain.getBounds(), isInked).getStart(), 18);
    EXPECT_LT (columnsWhere (plain, plain.getBounds(), isInked).getEnd(), 100);
    EXPECT_GT (columnsWhere (ticked, ticked.getBounds(), isInked).getLength(),
               columnsWhere (plain, plain.getBounds(), isInked).getLength());

    // The chevron's tip lies 14 in from the right of the item's inner area
    // (which ends at 196), its open side 3 further left.
    const auto withChevron = item (false, false, true);
    const auto chevron = columnsWhere (withChevron, { 150, 0, 50, 23 }, isInked);
    EXPECT_EQ (chevron.getStart(), 182 - 3 - 1);
    EXPECT_EQ (chevron.getEnd(), 182 + 2 + 1);
    const auto chevronRows = rowsWhere (withChevron, { 150, 0, 50, 23 }, isInked);
    EXPECT_GE (chevronRows.getStart(), 11 - 4 - 1);  // centred on 1 + 21 / 2
    EXPECT_LE (chevronRows.getEnd(), 11 + 4 + 2);
    EXPECT_TRUE (columnsWhere (plain, { 150, 0, 50, 23 }, isInked).isEmpty());
}

TEST (MenuBarLookAndFeelDrawing, ItemTextFitsTheIdealWidthAndEndsBeforeTheArrow)
{
    const juce::String texts[] = { "Lead", "Modern High Gain", juce::String::repeatedString ("Abcdefghi ", 5) + "Xyzw",
                                   juce::String::repeatedString ("W", 40) };

    // From the bar of the lowest editor to that of the highest.
    for (const auto barHeight : { 23.0f, 28.0f, 40.0f, 70.0f, 95.0f })
        for (const auto& text : texts)
            for (const auto ticked : { false, true })
            {
                SCOPED_TRACE (juce::String (barHeight) + " " + text + (ticked ? ", ticked" : ""));
                MenuBarLookAndFeel lookAndFeel;
                lookAndFeel.updateSizes (barHeight);

                // The popup makes an item at least as wide as it asks for.
                int width = 0, height = 0;
                lookAndFeel.getIdealPopupMenuItemSize (text, false, lookAndFeel.getItemHeight(), width, height);
                const juce::Rectangle<int> area (width, height);

                // In the font it is drawn with, the text fits beside the arrow.
                EXPECT_LE (juce::GlyphArrangement::getStringWidth (lookAndFeel.getItemFont (ticked), text),
                           MenuBarLookAndFeel::getItemTextArea (area, true).getWidth());

                const auto draw = [&] (juce::Rectangle<int> itemArea, const juce::String& itemText, bool hasSubMenu)
                {
                    return render (width, height, [&] (juce::Graphics& g)
                    {
                        lookAndFeel.drawPopupMenuItem (g, itemArea, false, true, false, ticked, hasSubMenu,
                                                       itemText, {}, nullptr, nullptr);
                    });
                };

                // Drawn: the whole text, as an item without limit draws it,
                // its ink ending clear of the arrow's.
                const auto arrow = columnsWhere (draw (area, {}, true), area, isInked);
                const auto item = draw (area, text, true);
                const auto whole = draw ({ 100000, height }, text, false);
                ASSERT_FALSE (arrow.isEmpty());

                const juce::Rectangle<int> textColumns (arrow.getStart(), height);
                EXPECT_TRUE (sameImages (item.getClippedImage (textColumns), whole.getClippedImage (textColumns)));
                EXPECT_LE (columnsWhere (whole, area, isInked).getEnd(), arrow.getStart() - 2);

                // A narrower item, as a column limited by the screen makes it:
                // the shortened text still ends clear of the arrow.
                if (width < 150)
                    continue;

                const juce::Rectangle<int> narrow (width / 2, height);
                const auto narrowArrow = draw (narrow, {}, true);
                const auto narrowItem = draw (narrow, text, true);
                const auto textInk = columnsWhere (difference (narrowItem, narrowArrow), narrow, isInked);
                ASSERT_FALSE (textInk.isEmpty());
                EXPECT_LE (textInk.getEnd(), columnsWhere (narrowArrow, narrow, isInked).getStart() - 2);
            }
}

TEST (MenuBarLookAndFeelDrawing, PopupBackground)
{
    MenuBarLookAndFeel lookAndFeel;
    const auto image = render (200, 100, [&] (juce::Graphics& g) { lookAndFeel.drawPopupMenuBackground (g, 200, 100); });
    save (image, "popup-background");

    // The outer outline straddles the 1-pixel inset, so the edge pixel is half covered.
    EXPECT_NEAR ((int) image.getPixelAt (0, 50).getAlpha(), 128, 20);
    EXPECT_TRUE (near (image.getPixelAt (0, 50).withAlpha ((juce::uint8) 255), juce::Colour (0xff384452), 4));

    // The dim inner outline 3 in from every side, the gradient fill between.
    const auto fill = image.getPixelAt (50, 50);
    EXPECT_TRUE (near (fill, juce::Colour (0xff101112), 1));
    for (const auto& p : { juce::Point<int> (3, 50), juce::Point<int> (196, 50), juce::Point<int> (100, 3), juce::Point<int> (100, 96) })
        EXPECT_GT (image.getPixelAt (p.x, p.y).getBrightness(), fill.getBrightness() + 0.04f) << p.toString();
    EXPECT_TRUE (near (image.getPixelAt (5, 50), fill, 1));
}

//==============================================================================
namespace
{
    // Something a callback owns; says when it is deleted.
    struct Owned
    {
        explicit Owned (bool& deletedFlag) : deleted (deletedFlag) {}
        ~Owned() { deleted = true; }
        bool& deleted;
    };

    struct Call { MenuBar* bar; int result; };
}

TEST_F (MenuBarFixture, GuardedCallbackActsOnlyWhenTheResultAsksForIt)
{
    bar.setPresettableProcessor (&fake);

    struct Row { MenuBar::Completion kind; int result; bool acts; };
    const Row rows[] = {
        { MenuBar::Completion::menuChoice,   0,    false },  // popup dismissed
        { MenuBar::Completion::menuChoice,   1000, true },
        { MenuBar::Completion::menuChoice,   8002, true },
        { MenuBar::Completion::menuChoice,   1,    true },
        { MenuBar::Completion::confirmation, 1,    true },
        { MenuBar::Completion::confirmation, 0,    false },  // Cancel or Escape
        { MenuBar::Completion::confirmation, 2,    false },
        { MenuBar::Completion::confirmation, -1,   false },
    };

    for (const auto& row : rows)
    {
        std::vector<Call> calls;
        auto callback = access.guardedCallback (row.kind, [&calls] (MenuBar& b, int r) { calls.push_back ({ &b, r }); });
        callback (row.result);

        ASSERT_EQ (calls.size(), row.acts ? 1u : 0u) << "result " << row.result;
        if (row.acts)
        {
            EXPECT_EQ (calls[0].bar, &bar);
            EXPECT_EQ (calls[0].result, row.result);
        }
    }

    // A popup callback must go into a copyable function.
    std::function<void (int)> forPopup = access.guardedCallback (MenuBar::Completion::menuChoice, [] (MenuBar&, int) {});
    forPopup (0);
}

TEST_F (MenuBarFixture, GuardedCallbackDoesNothingWithoutAProcessor)
{
    int calls = 0;
    auto callback = access.guardedCallback (MenuBar::Completion::confirmation, [&calls] (MenuBar&, int) { ++calls; });

    callback (1);
    EXPECT_EQ (calls, 0);

    // The processor is looked at when the result arrives, not when the callback is made.
    bar.setPresettableProcessor (&fake);
    callback (1);
    EXPECT_EQ (calls, 1);
}

TEST (MenuBarCallbacks, DoNothingOnceTheMenuBarIsGone)
{
    FakePresettable fake;
    auto bar = std::make_unique<MenuBar>();
    bar->setPresettableProcessor (&fake);
    MenuBarTestAccess access (*bar);

    int calls = 0;
    auto plain = access.guardedCallback (MenuBar::Completion::menuChoice, [&calls] (MenuBar&, int) { ++calls; });

    bool deleted = false;
    auto owning = access.guardedCallback (MenuBar::Completion::confirmation, std::make_unique<Owned> (deleted),
                                          [&calls] (MenuBar&, Owned&, int) { ++calls; });

    bar.reset();

    plain (1000);
    owning (1);
    EXPECT_EQ (calls, 0);
    EXPECT_TRUE (deleted) << "a callback that cannot act still releases what it owns";
}

TEST_F (MenuBarFixture, OwningCallbackReleasesInEveryCase)
{
    // Acting: the owned object is handed over, then deleted after the action.
    {
        bar.setPresettableProcessor (&fake);
        bool deleted = false, aliveDuringAction = false;
        Owned* handedOver = nullptr;

        auto owned = std::make_unique<Owned> (deleted);
        auto* raw = owned.get();
        auto callback = access.guardedCallback (MenuBar::Completion::confirmation, std::move (owned),
                                                [&] (MenuBar&, Owned& o, int) { handedOver = &o; aliveDuringAction = ! deleted; });
        callback (1);

        EXPECT_EQ (handedOver, raw);
        EXPECT_TRUE (aliveDuringAction);
        EXPECT_TRUE (deleted);
    }

    // Refused by the result, or by a missing processor.
    for (auto* processor : { static_cast<PresettableProcessor*> (&fake), static_cast<PresettableProcessor*> (nullptr) })
    {
        bar.setPresettableProcessor (processor);
        bool deleted = false;
        int calls = 0;
        auto callback = access.guardedCallback (MenuBar::Completion::confirmation, std::make_unique<Owned> (deleted),
                                                [&calls] (MenuBar&, Owned&, int) { ++calls; });
        callback (processor != nullptr ? 0 : 1);

        EXPECT_EQ (calls, 0);
        EXPECT_TRUE (deleted);
    }

    // Never called: released with the callback.
    {
        bool deleted = false;
        {
            auto callback = access.guardedCallback (MenuBar::Completion::confirmation, std::make_unique<Owned> (deleted),
                                                    [] (MenuBar&, Owned&, int) {});
            EXPECT_FALSE (deleted);
        }
        EXPECT_TRUE (deleted);
    }
}

TEST (MenuBarCallbacks, ModalDialogClosedAfterTheMenuBarWentAway)
{
    // A dialog left open when the window closes: its answer runs nothing, the
    // dialog is still deleted, and it goes on drawing without the menu bar's look.
    FakePresettable fake;
    auto bar = std::make_unique<MenuBar>();
    bar->setPresettableProcessor (&fake);
    MenuBarTestAccess access (*bar);

    auto dialog = std::make_unique<juce::AlertWindow> ("Save Preset", "Enter a name:", juce::MessageBoxIconType::NoIcon);
    dialog->setLookAndFeel (&access.dialogLookAndFeel());
    dialog->addButton ("Save", 1, juce::KeyPress (juce::KeyPress::returnKey));
    dialog->addButton ("Cancel", 0, juce::KeyPress (juce::KeyPress::escapeKey));

    juce::Component::SafePointer<juce::AlertWindow> watch (dialog.get());
    auto* shown = dialog.get();
    int calls = 0;

    shown->enterModalState (true,
                            juce::ModalCallbackFunction::create (access.guardedCallback (
                                MenuBar::Completion::confirmation, std::move (dialog),
                                [&calls] (MenuBar&, juce::AlertWindow&, int) { ++calls; })),
                            false);
    testing_support::pumpMessages (50);
    ASSERT_TRUE (shown->isCurrentlyModal());

    bar.reset();
    ASSERT_NE (watch.getComponent(), nullptr);
    EXPECT_EQ (&shown->getLookAndFeel(), &juce::LookAndFeel::getDefaultLookAndFeel());
    (void) shown->createComponentSnapshot (shown->getLocalBounds());

    shown->exitModalState (1);
    testing_support::pumpMessages (50);

    EXPECT_EQ (calls, 0);
    EXPECT_EQ (watch.getComponent(), nullptr);
}

TEST (MenuBarCallbacks, ModalDialogAnsweredWhileTheMenuBarExists)
{
    FakePresettable fake;
    MenuBar bar;
    bar.setPresettableProcessor (&fake);
    MenuBarTestAccess access (bar);

    for (const int answer : { 1, 0 })
    {
        auto dialog = std::make_unique<juce::AlertWindow> ("Delete Preset?", "Sure?", juce::MessageBoxIconType::WarningIcon);
        dialog->setLookAndFeel (&access.dialogLookAndFeel());
        dialog->addButton ("Delete", 1);
        dialog->addButton ("Cancel", 0);

        juce::Component::SafePointer<juce::AlertWindow> watch (dialog.get());
        auto* shown = dialog.get();
        std::vector<int> results;

        shown->enterModalState (true,
                                juce::ModalCallbackFunction::create (access.guardedCallback (
                                    MenuBar::Completion::confirmation, std::move (dialog),
                                    [&results, shown] (MenuBar&, juce::AlertWindow& d, int r)
                                    {
                                        EXPECT_EQ (&d, shown);
                                        results.push_back (r);
                                    })),
                                false);

        shown->exitModalState (answer);
        testing_support::pumpMessages (50);

        EXPECT_EQ (results, answer == 1 ? std::vector<int> { 1 } : std::vector<int>{});
        EXPECT_EQ (watch.getComponent(), nullptr);
    }
}

TEST (MenuBarLookAndFeels, ReleaseWindowsStillUsingThem)
{
    // A popup window that outlives the menu bar's look falls back to the framework's.
    auto lookAndFeel = std::make_unique<MenuBarLookAndFeel>();

    juce::Component window, child, ownLook;
    window.setLookAndFeel (lookAndFeel.get());
    window.addChildComponent (child);
    window.addChildComponent (ownLook);
    ownLook.setLookAndFeel (lookAndFeel.get());
    window.addToDesktop (0);

    lookAndFeel.reset();

    EXPECT_EQ (&window.getLookAndFeel(), &juce::LookAndFeel::getDefaultLookAndFeel());
    EXPECT_EQ (&child.getLookAndFeel(), &juce::LookAndFeel::getDefaultLookAndFeel());
    EXPECT_EQ (&ownLook.getLookAndFeel(), &juce::LookAndFeel::getDefaultLookAndFeel());
    window.removeFromDesktop();
}
