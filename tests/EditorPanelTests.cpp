#include "tests/EditorTestSupport.h"

#include "editor/EmberLashAudioProcessorEditor.h"

#include <cstdlib>
#include <optional>
#include <thread>

using namespace editor_test;

namespace
{
    void expectRect (juce::Rectangle<float> actual, float x, float y, float w, float h, const char* what)
    {
        SCOPED_TRACE (what);
        EXPECT_NEAR (actual.getX(), x, 0.01f);
        EXPECT_NEAR (actual.getY(), y, 0.01f);
        EXPECT_NEAR (actual.getWidth(), w, 0.01f);
        EXPECT_NEAR (actual.getHeight(), h, 0.01f);
    }

    // Presses and releases the left button over a component through its peer,
    // the way the windowing system delivers a click.
    void clickThroughPeer (juce::Component& target)
    {
        auto* peer = target.getPeer();
        ASSERT_NE (peer, nullptr);

        const auto position = peer->getComponent().getLocalPoint (&target, target.getLocalBounds().getCentre().toFloat());
        const auto now = juce::Time::currentTimeMillis();
        const auto mouse = juce::MouseInputSource::InputSourceType::mouse;

        peer->handleMouseEvent (mouse, position, juce::ModifierKeys(), juce::MouseInputSource::defaultPressure,
                                juce::MouseInputSource::defaultOrientation, now);
        peer->handleMouseEvent (mouse, position, juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier),
                                juce::MouseInputSource::defaultPressure,
                                juce::MouseInputSource::defaultOrientation, now + 10);
        peer->handleMouseEvent (mouse, position, juce::ModifierKeys(), juce::MouseInputSource::defaultPressure,
                                juce::MouseInputSource::defaultOrientation, now + 20);
    }

    // Types a text into a value label through its in-place editor, as a user would.
    void typeInto (juce::Label& label, const juce::String& text)
    {
        label.showEditor();
        auto* editor = label.getCurrentTextEditor();
        ASSERT_NE (editor, nullptr);
        editor->setText (text, false);
        label.hideEditor (false);
    }
}

//==============================================================================
// Layout

TEST_F (PanelFixture, DesignSizeLayoutMatchesTheTable)
{
    createPanel (1100, 760);
    auto& a = *access;

    EXPECT_FLOAT_EQ (panel->computeScale(), 1.0f);

    expectRect (a.headerArea(), 30.8f, 22.8f, 1038.4f, 78.58f, "headerArea");

    const float row1X[] { 63.86f, 236.67f, 409.48f, 582.29f, 755.11f };
    for (size_t i = 0; i < 5; ++i)
        expectRect (a.row1Cell (i), row1X[i], 114.35f, 160.88f, 298.32f, "row1Cells");

    const float row2X[] { 60.18f, 280.64f, 501.10f, 721.55f };
    for (size_t i = 0; i < 4; ++i)
        expectRect (a.row2Cell (i), row2X[i], 449.29f, 198.11f, 152.42f, "row2Cells");

    expectRect (a.row2Area(), 30.8f, 434.77f, 918.24f, 181.46f, "row2Area");
    expectRect (a.modeArea(), 30.8f, 623.83f, 918.24f, 113.37f, "modeArea");
    expectRect (a.inMeterArea(), 975.08f, 171.32f, 34.14f, 495.94f, "inMeterArea");
    expectRect (a.outMeterArea(), 1022.23f, 171.32f, 34.14f, 495.94f, "outMeterArea");
    expectRect (a.clipBarArea(), 970.8f, 699.2f, 89.84f, 16.0f, "clipBarArea");
    expectRect (a.row1Box(), 44.18f, 104.35f, 891.48f, 313.82f, "row1Box");
    expectRect (a.row2Box(), 44.18f, 441.29f, 891.48f, 170.42f, "row2Box");
    expectRect (a.modeBox(), 30.8f, 625.83f, 918.24f, 109.37f, "modeBox");

    const int row1SliderX[] { 82, 254, 427, 600, 773 };
    for (size_t i = 0; i < 5; ++i)
        EXPECT_EQ (a.slider (i).getBounds(), juce::Rectangle<int> (row1SliderX[i], 192, 125, 125)) << "knob " << i;

    const int row2SliderX[] { 107, 328, 548, 769 };
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ (a.slider (5 + i).getBounds(), juce::Rectangle<int> (row2SliderX[i], 474, 104, 104)) << "knob " << 5 + i;

    const int modeX[] { 77, 356, 636 };
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ (a.modeButton (i).getBounds(), juce::Rectangle<int> (modeX[i], 656, 267, 50)) << "mode " << i;

    EXPECT_EQ (a.powerButton().getBounds(), juce::Rectangle<int> (999, 24, 54, 54));
}

TEST_F (PanelFixture, ValueLabelsSitBelowTheirKnobsWithRowFonts)
{
    createPanel (1100, 760);
    auto& a = *access;

    // First row: 60 % of the cell, 4 px under the knob square, 24 px high.
    EXPECT_EQ (a.label (tight).getBounds(), juce::Rectangle<int> (96, 321, 97, 24));
    // Second row: 2 px under the knob square, 22 px high.
    EXPECT_EQ (a.label (width).getBounds(), juce::Rectangle<int> (100, 579, 119, 22));

    for (size_t i = 0; i < 9; ++i)
    {
        const auto font = a.label (i).getFont();
        EXPECT_FLOAT_EQ (font.getHeight(), i < 5 ? 18.0f : 16.5f) << "label " << i;
        EXPECT_TRUE (font.isBold()) << "label " << i;
    }

    panel->setSize (500, 311);
    EXPECT_FLOAT_EQ (a.label (tight).getFont().getHeight(), 18.0f * 0.72f);
    EXPECT_FLOAT_EQ (a.label (output).getFont().getHeight(), 16.5f * 0.72f);
}

TEST_F (PanelFixture, ScaleFollowsTheSmallerRatioWithinItsLimits)
{
    createPanel();

    const struct { int w, h; float s; } cases[] {
        { 1100, 760, 1.0f },
        { 500, 311, 0.72f },           // lower bound
        { 2400, 1491, 1.12f },         // upper bound
        { 1000, 400, 0.72f },          // 400 / 760 decides before the clamp
        { 880, 800, 0.8f },            // the width decides
        { 1000, 700, 1000.0f / 1100.0f },
        { 0, 0, 0.72f },
    };

    for (const auto& c : cases)
    {
        panel->setSize (c.w, c.h);
        EXPECT_FLOAT_EQ (panel->computeScale(), c.s) << c.w << " x " << c.h;
    }
}

TEST_F (PanelFixture, MeterColumnWidthIsClampedBetweenItsScaledLimits)
{
    createPanel();

    // The clip bar spans 0.84 of the meter column.
    const struct { int w, h; float column; } cases[] {
        { 500, 311, 90.0f * 0.72f },     // 0.103 x content width (48.6) is below 90 s
        { 1000, 400, 124.0f * 0.72f },   // 0.103 x 944 = 97.2 is above 124 s
        { 800, 497, 0.103f * 755.2f },   // in between
        { 1100, 760, 0.103f * 1038.4f },
    };

    for (const auto& c : cases)
    {
        panel->setSize (c.w, c.h);
        EXPECT_NEAR (access->clipBarArea().getWidth() / 0.84f, c.column, 0.01f) << c.w << " x " << c.h;
    }
}

TEST_F (PanelFixture, CompactCaptionCellsAtAShallowSize)
{
    createPanel (1000, 400);
    const auto s = panel->computeScale();
    ASSERT_FLOAT_EQ (s, 0.72f);

    // Second-row cells are lower than 132 s (compact captions); the first row is not.
    EXPECT_NEAR (access->row2Cell (0).getHeight(), 80.22f, 0.01f);
    EXPECT_LT (access->row2Cell (0).getHeight(), 132.0f * s);
    EXPECT_NEAR (access->row1Cell (0).getHeight(), 157.01f, 0.01f);
    EXPECT_GE (access->row1Cell (0).getHeight(), 132.0f * s);

    panel->setSize (1100, 760);
    EXPECT_GE (access->row2Cell (0).getHeight(), 132.0f);
}

TEST_F (PanelFixture, APanelTooSmallForItsInsetsGetsNoNegativeSizes)
{
    createPanel();

    for (const auto size : { juce::Point<int> (0, 0), juce::Point<int> (10, 10), juce::Point<int> (60, 40),
                             juce::Point<int> (200, 30) })
    {
        SCOPED_TRACE (size.toString().toStdString());
        panel->setSize (size.x, size.y);
        auto& a = *access;

        std::vector<juce::Rectangle<float>> areas { a.headerArea(), a.row2Area(), a.modeArea(), a.inMeterArea(),
                                                    a.outMeterArea(), a.clipBarArea(), a.row1Box(), a.row2Box(),
                                                    a.modeBox() };
        for (size_t i = 0; i < 5; ++i) areas.push_back (a.row1Cell (i));
        for (size_t i = 0; i < 4; ++i) areas.push_back (a.row2Cell (i));

        for (const auto& r : areas)
        {
            EXPECT_GE (r.getWidth(), 0.0f) << r.toString();
            EXPECT_GE (r.getHeight(), 0.0f) << r.toString();
        }

        for (auto* child : panel->getChildren())
        {
            EXPECT_GE (child->getWidth(), 0) << child->getBounds().toString();
            EXPECT_GE (child->getHeight(), 0) << child->getBounds().toString();
        }

        // Painting the whole tree must not trip any framework assertion.
        juce::Image image (juce::Image::ARGB, juce::jmax (1, size.x), juce::jmax (1, size.y), true);
        juce::Graphics g (image);
        panel->paintEntireComponent (g, true);
    }
}

namespace
{
    // The panel's sizes in the editor as a user drags it, every 25 px of width
    // at the fixed aspect ratio with the menu bar taken off, and in the editor
    // that a display too low for the minimum opens at 403 x 250.
    std::vector<juce::Point<int>> panelSizesInTheEditor()
    {
        const ProductInfo info;
        std::vector<juce::Point<int>> sizes;

        const auto add = [&] (int width, int height)
        {
            sizes.push_back ({ width, height - EmberLashAudioProcessorEditor::menuBarHeightFor (height, info) });
        };

        for (auto width = (int) info.minWidth; width <= (int) info.maxWidth; width += 25)
            add (width, (int) std::round ((double) width / (double) info.aspectRatio));

        add (403, 250);
        return sizes;
    }

    // Whether the framework draws a line of text whole in a width: it squeezes
    // a text down to its minimum horizontal scale before it cuts it.
    testing::AssertionResult fitsSqueezed (const juce::Font& font, const juce::String& text, float width)
    {
        const auto needed = juce::GlyphArrangement::getStringWidth (font, text);

        if (needed * juce::Font::getDefaultMinimumHorizontalScaleFactor() < width)
            return testing::AssertionSuccess();

        return testing::AssertionFailure() << "\"" << text << "\" needs " << needed << " px, squeezed "
                                           << needed * juce::Font::getDefaultMinimumHorizontalScaleFactor()
                                           << ", in " << width;
    }

    // Two inked areas with a clear pixel between them.
    testing::AssertionResult apart (juce::Rectangle<float> a, juce::Rectangle<float> b)
    {
        if (inksApart (a, b))
            return testing::AssertionSuccess();

        return testing::AssertionFailure() << a.toString() << " and " << b.toString() << " share or touch a pixel";
    }

    // Two inked areas that may touch but share no pixel: a caption's subtitle
    // sits right under the value label, the CLIP label right above its bar.
    testing::AssertionResult notOverlapping (juce::Rectangle<float> a, juce::Rectangle<float> b)
    {
        if (! a.getSmallestIntegerContainer().intersects (b.getSmallestIntegerContainer()))
            return testing::AssertionSuccess();

        return testing::AssertionFailure() << a.toString() << " and " << b.toString() << " share a pixel";
    }
}

TEST_F (PanelFixture, EveryTextIsWholeInItsAreaAndClearOfTheOthersAtEverySize)
{
    createPanel();
    auto& a = *access;

    // Where nothing was cut or drawn over, everything stays where it was: the
    // widths from which the title, the clip bar and the value labels keep
    // their places.
    constexpr int titleInPlaceFrom = 775, clipBarInPlaceFrom = 725, valueLabelsInPlaceFrom = 575;

    // The values whose texts are the widest that each knob shows.
    const struct { const char* what; float decibels, percent; } extremes[] {
        { "bottom", -12.0f, 0.0f }, { "top", 12.0f, 200.0f }, { "a step below the top", 11.99f, 199.99f },
    };

    const char* const ids[] { "tight", "body", "bite", "fizz", "air", "width", "room", "mix", "output" };

    for (const auto size : panelSizesInTheEditor())
    {
        SCOPED_TRACE (testing::Message() << "panel " << size.x << " x " << size.y);
        panel->setSize (size.x, size.y);
        const auto s = panel->computeScale();

        // Drawn whole: every character, the ink inside the text's own area.
        for (const auto& [name, text] : a.panelTexts())
        {
            SCOPED_TRACE (name);
            EXPECT_TRUE (fitsSqueezed (text.font, text.text, (float) text.area.getWidth()));

            const auto arranged = text.arrange();
            const auto ink = inkOf (arranged);
            EXPECT_EQ (charactersOf (arranged), text.text);
            EXPECT_TRUE (text.area.toFloat().contains (ink)) << ink.toString() << " in " << text.area.toString();
        }

        for (size_t i = 0; i < 3; ++i)
            EXPECT_TRUE (fitsSqueezed (juce::Font (juce::FontOptions (16.5f * s, juce::Font::bold)),
                                       a.modeButton (i).getButtonText(), (float) a.modeButton (i).getWidth()));

        // Kept apart: no pixel holds the ink of two of them.
        const auto texts = a.panelTexts();
        const auto textNamed = [&texts] (const std::string& name)
        {
            return std::find_if (texts.begin(), texts.end(), [&] (const auto& t) { return t.name == name; })->text;
        };

        const auto wellWithOutline = [&a] (juce::Rectangle<float> meter) { return a.meterWell (meter).expanded (0.5f); };
        const auto clipInk = textNamed ("CLIP").getInk();
        const auto barWithOutline = a.clipBarArea().expanded (0.5f);

        EXPECT_TRUE (apart (textNamed ("title").getInk(), textNamed ("subtitle").getInk())) << "title, subtitle";
        EXPECT_TRUE (notOverlapping (clipInk, barWithOutline)) << "CLIP label, bar";

        for (const auto meter : { a.inMeterArea(), a.outMeterArea() })
        {
            EXPECT_TRUE (apart (clipInk, wellWithOutline (meter))) << "CLIP label, well";
            EXPECT_TRUE (apart (barWithOutline, wellWithOutline (meter))) << "clip bar, well";
        }

        EXPECT_TRUE (apart (textNamed ("IN").getInk(), wellWithOutline (a.inMeterArea()))) << "IN, its well";
        EXPECT_TRUE (apart (textNamed ("OUT").getInk(), wellWithOutline (a.outMeterArea()))) << "OUT, its well";

        // The value labels at their widest texts: whole, each in its own cell,
        // and clear of the knob's subtitle below it.
        for (const auto& extreme : extremes)
        {
            SCOPED_TRACE (extreme.what);

            for (size_t i = 0; i < 9; ++i)
                setPlain (processor, ids[i], i < 5 || i == output ? extreme.decibels : extreme.percent);

            access->tick();

            for (size_t i = 0; i < 9; ++i)
            {
                SCOPED_TRACE (ids[i]);
                auto& label = a.label (i);
                const auto cell = i < 5 ? a.row1Cell (i) : a.row2Cell (i - 5);
                const auto textArea = label.getLookAndFeel().getLabelBorderSize (label).subtractedFrom (label.getLocalBounds());

                EXPECT_TRUE (fitsSqueezed (label.getFont(), label.getText(), (float) textArea.getWidth()));
                EXPECT_GE ((float) label.getX(), std::floor (cell.getX()));
                EXPECT_LE ((float) label.getRight(), std::ceil (cell.getRight()));

                if (i < 5)
                {
                    const auto subtitle = textNamed ("subtitle " + juce::String (ids[i]).toUpperCase().toStdString());
                    EXPECT_TRUE (notOverlapping (inkOf (valueLabelGlyphs (label)), subtitle.getInk())) << "value, subtitle";
                }
            }
        }

        // The places that the layout rules give, where nothing needs more room.
        if (size.x >= titleInPlaceFrom)
        {
            EXPECT_EQ (textNamed ("title").area, a.headerArea().toNearestInt());
        }

        if (size.x >= clipBarInPlaceFrom)
        {
            const auto contentBottom = (float) size.y - 0.03f * (float) size.y;
            EXPECT_NEAR (a.clipBarArea().getY(), contentBottom - 38.0f * s, 1.0e-3f);
        }

        if (size.x >= valueLabelsInPlaceFrom)
        {
            for (size_t i = 0; i < 9; ++i)
            {
                const auto cell = i < 5 ? a.row1Cell (i) : a.row2Cell (i - 5);
                EXPECT_EQ (a.label (i).getWidth(), (int) std::round (0.6 * (double) cell.getWidth())) << ids[i];
            }
        }
    }
}

//==============================================================================
// Value texts

TEST (ValueTexts, DecibelTextHasOneDecimalAndASignAboveZero)
{
    const struct { double value; const char* text; } cases[] {
        { 0.04, "+0.0 dB" }, { -0.04, "-0.0 dB" }, { 0.0, "0.0 dB" }, { 12.0, "+12.0 dB" },
        { -12.0, "-12.0 dB" }, { 3.0, "+3.0 dB" }, { -2.5, "-2.5 dB" }, { 4.57, "+4.6 dB" },
    };

    for (const auto& c : cases)
        EXPECT_EQ (formatDecibelText (c.value), juce::String (c.text)) << c.value;
}

TEST (ValueTexts, PercentTextDropsTrailingZeros)
{
    const struct { double value; const char* text; } cases[] {
        { 200.0, "200%" }, { 0.0, "0%" }, { 70.0, "70%" }, { 0.01, "0.01%" },
        { 25.5, "25.5%" }, { 33.33, "33.33%" }, { 120.0, "120%" },
        { (double) 33.33f, "33.33%" },   // a parameter's float value keeps six digits
    };

    for (const auto& c : cases)
        EXPECT_EQ (formatPercentText (c.value), juce::String (c.text)) << c.value;
}

TEST (ValueTexts, StripValueUnitsCutsAtTheFirstUnitAndRemovesBlanks)
{
    const struct { const char* in; const char* out; } cases[] {
        { "-3 dB", "-3" }, { " -3 ", "-3" }, { "3db", "3db" }, { "5%", "5" }, { "dB", "" },
        { "1 dB 2", "1" }, { "7 % dB", "7" }, { "\t4.5\t", "4.5" }, { "50%dB", "50" }, { "1 2", "12" },
    };

    for (const auto& c : cases)
        EXPECT_EQ (stripValueUnits (c.in), juce::String (c.out)) << c.in;
}

//==============================================================================
// Typed values

namespace
{
    struct TypedCase
    {
        Knob knob;
        const char* parameterId;
        float initial;
        const char* typed;
        std::optional<float> written;   // none: nothing may be written
        const char* shown;
    };

    void PrintTo (const TypedCase& c, std::ostream* os)
    {
        *os << c.parameterId << " <- \"" << c.typed << "\"";
    }

    const TypedCase typedCases[] {
        { tight, "tight", 7.0f, "-3 dB", -3.0f, "-3.0 dB" },
        { tight, "tight", 7.0f, "-3dB", -3.0f, "-3.0 dB" },
        { tight, "tight", 7.0f, " -3 ", -3.0f, "-3.0 dB" },
        { tight, "tight", 7.0f, "+4.5", 4.5f, "+4.5 dB" },
        { tight, "tight", 7.0f, "50", 12.0f, "+12.0 dB" },
        { tight, "tight", 7.0f, "3db", 3.0f, "+3.0 dB" },
        { tight, "tight", 7.0f, "1,5", 1.0f, "+1.0 dB" },
        { tight, "tight", 7.0f, "abc", 0.0f, "0.0 dB" },
        { tight, "tight", 7.0f, "5%", 5.0f, "+5.0 dB" },
        { tight, "tight", 7.0f, "4.567", 4.57f, "+4.6 dB" },     // snapped to the 0.01 step
        { tight, "tight", 7.0f, "inf", 12.0f, "+12.0 dB" },
        { tight, "tight", 7.0f, "-inf", -12.0f, "-12.0 dB" },
        { tight, "tight", 7.0f, "dB", std::nullopt, "+7.0 dB" },
        { tight, "tight", 7.0f, "%", std::nullopt, "+7.0 dB" },
        { tight, "tight", 7.0f, " \t ", std::nullopt, "+7.0 dB" },
        { tight, "tight", 7.0f, "", std::nullopt, "+7.0 dB" },
        { tight, "tight", 7.0f, "nan", std::nullopt, "+7.0 dB" },
        { tight, "tight", 7.0f, "NaN", std::nullopt, "+7.0 dB" },
        { tight, "tight", 7.0f, "-nan", std::nullopt, "+7.0 dB" },
        { tight, "tight", 7.0f, "+NAN", std::nullopt, "+7.0 dB" },
        { tight, "tight", 7.0f, "nan dB", std::nullopt, "+7.0 dB" },
        { tight, "tight", 7.0f, "7", std::nullopt, "+7.0 dB" },       // equal to the current value
        { tight, "tight", 7.0f, "7.001", std::nullopt, "+7.0 dB" },   // snaps to the current value
        { width, "width", 100.0f, "250%", 200.0f, "200%" },
        { width, "width", 100.0f, "33.33 %", 33.33f, "33.33%" },
        { width, "width", 100.0f, "inf", 200.0f, "200%" },
        { width, "width", 100.0f, "-inf", 0.0f, "0%" },
        { width, "width", 100.0f, "NaN%", std::nullopt, "100%" },
        { mix, "mix", 40.0f, "-5", 0.0f, "0%" },
        { mix, "mix", 40.0f, "55.5", 55.5f, "55.5%" },
        { mix, "mix", 40.0f, "-nan", std::nullopt, "40%" },
        { output, "output", -2.0f, "+3 dB", 3.0f, "+3.0 dB" },
    };

    struct TypedValue : PanelFixture, testing::WithParamInterface<TypedCase> {};
}

TEST_P (TypedValue, AppliesOrIgnoresTheTextAndShowsTheFormattedValue)
{
    const auto& c = GetParam();
    setPlain (processor, c.parameterId, c.initial);
    createPanel();
    showOnDesktop();

    WriteCounter writes (processor, c.parameterId);
    auto& label = access->label (c.knob);
    typeInto (label, c.typed);

    if (c.written.has_value())
    {
        EXPECT_NEAR (processor.getParameterValue (c.parameterId), *c.written, 1.0e-4f);
        EXPECT_EQ (writes.count.load(), 1);
    }
    else
    {
        EXPECT_FLOAT_EQ (processor.getParameterValue (c.parameterId), c.initial);
        EXPECT_EQ (writes.count.load(), 0);
    }

    EXPECT_FALSE (label.isBeingEdited());
    EXPECT_EQ (label.getText(), juce::String (c.shown));
}

INSTANTIATE_TEST_SUITE_P (EdgeCases, TypedValue, testing::ValuesIn (typedCases));

TEST_F (PanelFixture, InPlaceEditorUsesTheLabelsEditingColours)
{
    createPanel();
    showOnDesktop();
    auto& label = access->label (body);

    EXPECT_EQ (label.findColour (juce::Label::backgroundColourId), juce::Colour (0x00000000));
    EXPECT_EQ (label.findColour (juce::Label::outlineColourId), juce::Colour (0x00000000));
    EXPECT_EQ (label.findColour (juce::Label::textColourId), juce::Colour (0xffff911a));
    EXPECT_EQ (label.getJustificationType(), juce::Justification (juce::Justification::centred));
    EXPECT_TRUE (label.isEditableOnSingleClick());
    EXPECT_TRUE (label.isEditableOnDoubleClick());
    EXPECT_FALSE (label.doesLossOfFocusDiscardChanges());

    label.showEditor();
    auto* editor = label.getCurrentTextEditor();
    ASSERT_NE (editor, nullptr);
    EXPECT_EQ (editor->findColour (juce::TextEditor::textColourId), juce::Colour (0xffffecd0));
    EXPECT_EQ (editor->findColour (juce::TextEditor::backgroundColourId), juce::Colour (0xff1a1816));
    EXPECT_EQ (editor->findColour (juce::TextEditor::focusedOutlineColourId), juce::Colour (0xd9ffc03a));
    EXPECT_EQ (editor->getJustificationType(), juce::Justification (juce::Justification::centred));
    EXPECT_EQ (editor->getText(), juce::String ("+2.5 dB"));
    label.hideEditor (true);
}

TEST_F (PanelFixture, InPlaceEditorShowsTheWholeText)
{
    // The widest texts, at the smallest sizes, the design size and the largest:
    // the editor's own default font where it shows them whole, else the label's.
    setPlain (processor, "tight", 12.0f);
    setPlain (processor, "width", 199.99f);
    setPlain (processor, "output", -12.0f);
    createPanel();
    showOnDesktop();

    const auto defaultHeight = juce::TextEditor().getFont().getHeight();
    const struct { juce::Point<int> size; bool labelsFont; } cases[] {
        { { 403, 227 }, true }, { { 500, 283 }, true }, { { 1100, 760 }, false }, { { 1700, 961 }, false },
    };

    for (const auto& [size, labelsFont] : cases)
    {
        panel->setSize (size.x, size.y);

        for (const auto knob : { tight, width, output })
        {
            SCOPED_TRACE (testing::Message() << size.x << " x " << size.y << ", knob " << knob);
            auto& label = access->label (knob);
            label.showEditor();
            auto* editor = label.getCurrentTextEditor();
            ASSERT_NE (editor, nullptr);

            EXPECT_EQ (editor->getText(), label.getText());
            EXPECT_FLOAT_EQ (editor->getFont().getHeight(), labelsFont ? label.getFont().getHeight() : defaultHeight);
            EXPECT_EQ (editor->getFont().isBold(), labelsFont);

            // Inside the editor's outline, from the first character to the last.
            const auto text = editor->getTextBounds ({ 0, editor->getTotalNumChars() }).getBounds();
            EXPECT_TRUE (editor->getLocalBounds().reduced (1).contains (text))
                << text.toString() << " in " << editor->getLocalBounds().toString();

            label.hideEditor (true);
        }
    }
}

TEST_F (PanelFixture, AnOpenEditorKeepsItsTextUntilTheEditEnds)
{
    setPlain (processor, "fizz", 1.0f);
    createPanel();
    showOnDesktop();
    auto& label = access->label (fizz);

    label.showEditor();
    ASSERT_TRUE (label.isBeingEdited());

    setPlain (processor, "fizz", -6.0f);   // e.g. automation while the user types
    access->tick();
    EXPECT_EQ (label.getText(), juce::String ("+1.0 dB"));
    EXPECT_EQ (access->label (bite).getText(), juce::String ("+4.0 dB"));

    label.hideEditor (true);
    access->tick();
    EXPECT_EQ (label.getText(), juce::String ("-6.0 dB"));
}

//==============================================================================
// Timer, power and mode

TEST_F (PanelFixture, TimerRunsEvery33Milliseconds)
{
    createPanel();
    EXPECT_TRUE (access->timerRunning());
    EXPECT_EQ (access->timerInterval(), 33);
}

TEST_F (PanelFixture, ValueLabelsHideWithinOneTickOfPowerOffAndReturn)
{
    createPanel();

    for (size_t i = 0; i < 9; ++i)
        EXPECT_TRUE (access->label (i).isVisible()) << i;

    setPlain (processor, "power", 0.0f);
    access->tick();

    for (size_t i = 0; i < 9; ++i)
        EXPECT_FALSE (access->label (i).isVisible()) << i;

    setPlain (processor, "power", 1.0f);
    access->tick();

    for (size_t i = 0; i < 9; ++i)
        EXPECT_TRUE (access->label (i).isVisible()) << i;
}

TEST_F (PanelFixture, ValueLabelsOfAPanelCreatedWithPowerOffAreHidden)
{
    setPlain (processor, "power", 0.0f);
    createPanel();

    for (size_t i = 0; i < 9; ++i)
        EXPECT_FALSE (access->label (i).isVisible()) << i;
}

TEST_F (PanelFixture, ModeButtonsFollowTheProcessorsModeFromTheFirstTick)
{
    setPlain (processor, "mode", 2.0f);
    createPanel();

    // Until the first tick no button is selected.
    for (size_t i = 0; i < 3; ++i)
        EXPECT_FALSE (access->modeButton (i).getToggleState()) << i;

    for (const int mode : { 2, 0, 1, 2 })
    {
        setPlain (processor, "mode", (float) mode);
        access->tick();

        for (size_t i = 0; i < 3; ++i)
            EXPECT_EQ (access->modeButton (i).getToggleState(), (int) i == mode) << "mode " << mode << ", button " << i;
    }

    EXPECT_EQ (access->modeButton (modern).getButtonText(), juce::String ("MODERN"));
    EXPECT_EQ (access->modeButton (clean).getButtonText(), juce::String ("CLEAN"));
    EXPECT_EQ (access->modeButton (rock).getButtonText(), juce::String ("ROCK"));
}

TEST_F (PanelFixture, ModeButtonClicksWriteTheirModeEvenWhenSelected)
{
    setPlain (processor, "mode", 1.0f);
    createPanel();
    showOnDesktop();
    access->tick();
    ASSERT_TRUE (access->modeButton (rock).getToggleState());

    WriteCounter writes (processor, "mode");

    clickThroughPeer (access->modeButton (rock));
    EXPECT_EQ (writes.count.load(), 1);
    EXPECT_EQ (processor.getMode(), 1);
    EXPECT_TRUE (access->modeButton (rock).getToggleState());

    clickThroughPeer (access->modeButton (clean));
    EXPECT_EQ (writes.count.load(), 2);
    EXPECT_EQ (processor.getMode(), 0);

    // A click leaves the toggle states to the next tick.
    EXPECT_FALSE (access->modeButton (clean).getToggleState());
    EXPECT_TRUE (access->modeButton (rock).getToggleState());
    access->tick();
    EXPECT_TRUE (access->modeButton (clean).getToggleState());
    EXPECT_FALSE (access->modeButton (rock).getToggleState());
}

TEST_F (PanelFixture, CreatingThePanelLeavesPowerAsItWas)
{
    for (const bool on : { true, false })
    {
        setPlain (processor, "power", on ? 1.0f : 0.0f);
        WriteCounter writes (processor, "power");
        createPanel();

        EXPECT_EQ (processor.isPowerOn(), on);
        EXPECT_EQ (access->powerButton().getToggleState(), on);
        EXPECT_EQ (writes.count.load(), 0);
        TearDown();
    }
}

TEST_F (PanelFixture, AUserClickOnPowerFlipsItExactlyOnce)
{
    createPanel();
    showOnDesktop();

    WriteCounter writes (processor, "power");
    auto& button = access->powerButton();

    clickThroughPeer (button);
    EXPECT_FALSE (processor.isPowerOn());
    EXPECT_FALSE (button.getToggleState());
    EXPECT_EQ (writes.count.load(), 1);

    clickThroughPeer (button);
    EXPECT_TRUE (processor.isPowerOn());
    EXPECT_TRUE (button.getToggleState());
    EXPECT_EQ (writes.count.load(), 2);

    // The Return key and the accessibility press arrive as a posted click.
    button.triggerClick();
    testing_support::pumpMessages (50);
    EXPECT_FALSE (processor.isPowerOn());
    EXPECT_EQ (writes.count.load(), 3);

    EXPECT_TRUE (static_cast<juce::Component&> (button).keyPressed (juce::KeyPress (juce::KeyPress::returnKey)));
    testing_support::pumpMessages (50);
    EXPECT_TRUE (processor.isPowerOn());
    EXPECT_EQ (writes.count.load(), 4);
}

TEST_F (PanelFixture, APowerClickWritesTheInverseOfTheProcessorsState)
{
    createPanel();
    auto& button = access->powerButton();

    // The button shows off while power is on: the click still switches power off.
    button.setToggleState (false, juce::dontSendNotification);
    WriteCounter writes (processor, "power");

    button.triggerClick();
    testing_support::pumpMessages (50);
    EXPECT_FALSE (processor.isPowerOn());
    EXPECT_FALSE (button.getToggleState());
    EXPECT_EQ (writes.count.load(), 1);
}

TEST_F (PanelFixture, AClickBeforeAnotherThreadsChangeArrivesFlipsTheNewState)
{
    createPanel();
    showOnDesktop();
    auto& button = access->powerButton();

    std::thread automation ([this] { setPlain (processor, "power", 0.0f); });
    automation.join();

    // The attachment has not caught up yet: the button still shows on.
    ASSERT_TRUE (button.getToggleState());
    WriteCounter writes (processor, "power");

    clickThroughPeer (button);
    EXPECT_TRUE (processor.isPowerOn());
    EXPECT_EQ (writes.count.load(), 1);

    testing_support::pumpMessages (100);
    EXPECT_TRUE (processor.isPowerOn());
    EXPECT_TRUE (button.getToggleState());
    EXPECT_EQ (writes.count.load(), 1);
}

TEST_F (PanelFixture, PowerChangedOnTheMessageThreadIsNotWrittenBack)
{
    createPanel();
    WriteCounter writes (processor, "power");

    setPlain (processor, "power", 0.0f);   // e.g. a preset load
    testing_support::pumpMessages (50);
    EXPECT_FALSE (processor.isPowerOn());
    EXPECT_FALSE (access->powerButton().getToggleState());
    EXPECT_EQ (writes.count.load(), 1);

    setPlain (processor, "power", 1.0f);
    testing_support::pumpMessages (50);
    EXPECT_TRUE (processor.isPowerOn());
    EXPECT_TRUE (access->powerButton().getToggleState());
    EXPECT_EQ (writes.count.load(), 2);
}

TEST_F (PanelFixture, PowerChangedOnAnotherThreadStaysAsThatThreadSetIt)
{
    createPanel();
    WriteCounter writes (processor, "power");

    for (const bool on : { false, true, false })
    {
        std::thread automation ([this, on] { setPlain (processor, "power", on ? 1.0f : 0.0f); });
        automation.join();

        // The attachment hears of it asynchronously, on the message thread.
        testing_support::pumpMessages (100);

        EXPECT_EQ (processor.isPowerOn(), on);
        EXPECT_EQ (access->powerButton().getToggleState(), on);
    }

    EXPECT_EQ (writes.count.load(), 3);
}
