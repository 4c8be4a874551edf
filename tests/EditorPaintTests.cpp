#include "tests/ColourAssertions.h"
#include "tests/EditorTestSupport.h"

#include <cmath>
#include <functional>

using namespace editor_test;

namespace
{
    constexpr float pi = juce::MathConstants<float>::pi;

    const juce::Colour accent1 (0xffff911a), accent2 (0xffff5c10), accent3 (0xffffc03a);
    const juce::Colour wellFill (0xff0a0a0c), clipBarFill (0xff181412), offSegment (0xff52504c);

    juce::File renderDirectory()
    {
        return juce::File (EMBERLASH_RENDER_DIR);
    }

    // Saves an image for a person to look at; a failed save fails the test.
    void save (const juce::Image& image, const juce::String& name)
    {
        auto file = renderDirectory().getChildFile (name + ".png");
        ASSERT_TRUE (renderDirectory().createDirectory().wasOk());
        file.deleteFile();

        juce::FileOutputStream stream (file);
        ASSERT_TRUE (stream.openedOk());
        ASSERT_TRUE (juce::PNGImageFormat().writeImageToStream (image, stream));
    }

    using testing_support::near;

    juce::Colour pixel (const juce::Image& image, juce::Point<float> p)
    {
        return image.getPixelAt ((int) std::floor (p.x), (int) std::floor (p.y));
    }

    // The most strongly inked pixel of a text: the one furthest from the background.
    juce::Colour inkOf (const juce::Image& image, juce::Rectangle<int> area, juce::Colour background)
    {
        juce::Colour best = background;
        int bestDistance = -1;

        for (int y = area.getY(); y < area.getBottom(); ++y)
            for (int x = area.getX(); x < area.getRight(); ++x)
            {
                const auto c = image.getPixelAt (x, y);
                const auto distance = std::abs (c.getRed() - background.getRed())
                                    + std::abs (c.getGreen() - background.getGreen())
                                    + std::abs (c.getBlue() - background.getBlue());
                if (distance > bestDistance)
                {
                    bestDistance = distance;
                    best = c;
                }
            }

        return best;
    }

    // Horizontal extent of the pixels in an area that are brighter than a threshold.
    int inkWidth (const juce::Image& image, juce::Rectangle<int> area, int threshold)
    {
        int left = area.getRight(), right = area.getX() - 1;

        for (int y = area.getY(); y < area.getBottom(); ++y)
            for (int x = area.getX(); x < area.getRight(); ++x)
                if (image.getPixelAt (x, y).getBrightness() * 255.0f > (float) threshold)
                {
                    left = juce::jmin (left, x);
                    right = juce::jmax (right, x);
                }

        return juce::jmax (0, right - left + 1);
    }

    struct RenderedPanel : PanelFixture
    {
        juce::Image render()
        {
            return panel->createComponentSnapshot (panel->getLocalBounds(), true, 1.0f);
        }

        // The panel reads the levels at its timer's tick.
        void setLevels (float in, float out, float clip)
        {
            publishLevels (processor, in, out, clip);
            access->tick();
        }

        // Centre of meter segment i (0 at the bottom) in a meter area, at s = 1.
        static juce::Point<float> segmentCentre (juce::Rectangle<float> area, int i)
        {
            area.removeFromTop (20.0f);
            const auto well = area.reduced (0.16f * area.getWidth(), 0.0f);
            const auto innerHeight = well.getHeight() - 8.0f;
            const auto gap = 2.2f;
            const auto segmentHeight = (innerHeight - 11.0f * gap) / 12.0f;
            const auto base = well.getY() + 4.0f + innerHeight;
            return { well.getCentreX(), base - (float) (i + 1) * segmentHeight - (float) i * gap + segmentHeight / 2.0f };
        }

        static float threshold (int i) { return (float) (i + 1) / 12.0f - 0.06f; }

        // Checks every segment of a rendered meter: lit ones in their colour, the others at the unlit alpha.
        static void expectSegments (const juce::Image& image, juce::Rectangle<float> meter, int litCount, bool on)
        {
            for (int i = 0; i < 12; ++i)
            {
                auto colour = on ? (i < 6 ? accent2 : (i < 9 ? accent1 : accent3)) : offSegment;
                const auto lit = i < litCount;

                if (! lit)
                    colour = colour.withAlpha ((juce::uint8) (on ? 0x33 : 0x29));

                EXPECT_TRUE (near (pixel (image, segmentCentre (meter, i)), wellFill.overlaidWith (colour), 2))
                    << "segment " << i << (lit ? " lit" : " unlit");
            }
        }

        // A point on a knob's arc (clockwise from 12 o'clock) at a distance from the centre.
        static juce::Point<float> onKnob (juce::Rectangle<int> knob, float angle, float radiusFraction)
        {
            const auto d = (float) knob.getWidth() * 0.84f;   // size less twice the 0.08 inset
            const auto centre = knob.toFloat().getCentre();
            const auto r = radiusFraction * d;
            return { centre.x + r * std::sin (angle), centre.y - r * std::cos (angle) };
        }

        // The value arc's colour at a point: the gradient from lower left to upper right.
        static juce::Colour valueGradientAt (juce::Rectangle<int> knob, juce::Point<float> p)
        {
            const auto d = (float) knob.getWidth() * 0.84f;
            const auto x0 = (float) knob.getX() + 0.08f * (float) knob.getWidth();
            const auto y0 = (float) knob.getY() + 0.08f * (float) knob.getWidth();
            const juce::Point<float> start (x0, y0 + d), end (x0 + d, y0);
            const auto along = end - start;
            const auto proportion = (p - start).getDotProduct (along) / along.getDotProduct (along);
            return juce::ColourGradient (accent2, start, accent3, end, false).getColourAtPosition (proportion);
        }
    };
}

//==============================================================================
TEST_F (RenderedPanel, DesignSizeOnAndOffAreSavedForInspection)
{
    setPlain (processor, "mode", 1.0f);
    createPanel();
    setLevels (0.62f, 0.8f, 0.35f);
    access->tick();

    const auto on = render();
    save (on, "panel-1100x760-power-on");

    setPlain (processor, "power", 0.0f);
    access->tick();
    const auto off = render();
    save (off, "panel-1100x760-power-off");

    EXPECT_EQ (on.getWidth(), 1100);
    EXPECT_EQ (on.getHeight(), 760);
    EXPECT_TRUE (renderDirectory().getChildFile ("panel-1100x760-power-on.png").existsAsFile());

    // The panel background gradient at its two ends.
    EXPECT_TRUE (near (on.getPixelAt (2, 1), juce::Colour (0xff0c0a08), 2));
    EXPECT_TRUE (near (on.getPixelAt (2, 758), juce::Colour (0xff13100c), 2));
}

TEST_F (RenderedPanel, MeterSegmentsLightAtTheirThresholds)
{
    createPanel();

    const struct { float level; int lit; } cases[] {
        { 0.0f, 0 },
        { std::nextafter (threshold (0), 0.0f), 0 },
        { threshold (0), 1 },                          // exactly 1/12 - 0.06 lights the bottom one only
        { threshold (5), 6 },
        { std::nextafter (threshold (6), 0.0f), 6 },
        { threshold (8), 9 },
        { std::nextafter (threshold (11), 0.0f), 11 },
        { 0.94f, 12 },
        { 1.0f, 12 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (testing::Message() << "level " << c.level);
        setLevels (c.level, c.level, 0.0f);
        const auto image = render();
        expectSegments (image, access->inMeterArea(), c.lit, true);
        expectSegments (image, access->outMeterArea(), c.lit, true);
    }
}

TEST_F (RenderedPanel, MetersShowTheMeanOfBothChannels)
{
    createPanel();

    // One-channel input: the second channel's level is 0.
    processor.inputLevel[0] = 0.5f;
    processor.inputLevel[1] = 0.0f;
    processor.outputLevel[0] = 0.2f;
    processor.outputLevel[1] = 1.0f;
    access->tick();

    const auto image = render();
    expectSegments (image, access->inMeterArea(), 3, true);    // 0.25
    expectSegments (image, access->outMeterArea(), 7, true);   // 0.6
}

TEST_F (RenderedPanel, PowerOffGreysTheMetersWhateverTheLevels)
{
    setPlain (processor, "power", 0.0f);
    createPanel();
    setLevels (1.0f, 1.0f, 1.0f);

    const auto image = render();
    save (image, "meters-power-off-full-levels");

    expectSegments (image, access->inMeterArea(), 0, false);
    expectSegments (image, access->outMeterArea(), 0, false);

    // No clip fill at all: the bar's own colour just inside its left end.
    const auto clip = access->clipBarArea();
    EXPECT_TRUE (near (pixel (image, { clip.getX() + 10.0f, clip.getCentreY() }), clipBarFill, 2));

    // Meter labels in their off colour.
    const auto inLabel = access->inMeterArea().withHeight (20.0f).toNearestInt();
    EXPECT_TRUE (near (inkOf (image, inLabel, juce::Colour (0xff14110e)), juce::Colour (0xff96928c), 12));
}

TEST_F (RenderedPanel, ClipFillGrowsFromTheLeftOverTheInnerWidth)
{
    createPanel();
    const auto clip = access->clipBarArea();
    const auto innerLeft = clip.getX() + 7.0f;
    const auto innerWidth = clip.getWidth() - 14.0f;
    const auto y = clip.getY() + clip.getHeight() / 2.0f;

    const struct { float level; float filled; } cases[] {
        { 0.5f, 0.5f }, { 0.25f, 0.25f }, { 2.0f, 1.0f }, { -1.0f, 0.0f }, { 0.0f, 0.0f },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (testing::Message() << "clip " << c.level);
        setLevels (0.0f, 0.0f, c.level);
        const auto image = render();
        const auto fillEnd = innerLeft + innerWidth * c.filled;

        if (c.filled > 0.0f)
        {
            EXPECT_TRUE (near (pixel (image, { innerLeft + 2.0f, y }), accent1, 2));
            EXPECT_TRUE (near (pixel (image, { fillEnd - 2.0f, y }), accent1, 2));
        }

        EXPECT_TRUE (near (pixel (image, { fillEnd + 2.0f, y }), clipBarFill, 2));
    }
}

TEST_F (RenderedPanel, KnobValueArcEndsWhereThePositionSays)
{
    createPanel();
    const auto knob = access->slider (tight).getBounds();   // tight runs from -12 to 12
    const auto start = 1.2f * pi;
    const auto step = 0.25f;   // well beyond the rounded stroke ends

    const struct { float value; float angle; const char* name; } cases[] {
        { -12.0f, 1.2f * pi, "knob-position-0" },
        { 0.0f, 2.0f * pi, "knob-position-0.5" },
        { 12.0f, 2.8f * pi, "knob-position-1" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        setPlain (processor, "tight", c.value);
        access->tick();
        const auto image = render();
        save (image.getClippedImage (knob.expanded (20)), c.name);

        // Along the arc: the value gradient up to the end, the track after it.
        if (c.angle > start)
        {
            const auto before = onKnob (knob, c.angle - step, 0.48f);
            EXPECT_TRUE (near (pixel (image, before), valueGradientAt (knob, before), 3));
        }

        if (c.angle < 2.8f * pi)
        {
            EXPECT_TRUE (near (pixel (image, onKnob (knob, c.angle + step, 0.48f)), juce::Colour (0xff463e34), 2));
        }

        // The pointer points at the arc's end, and not half a turn away.
        EXPECT_TRUE (near (pixel (image, onKnob (knob, c.angle, 0.12f)), juce::Colour (0xfff0e8dc), 2));
        EXPECT_FALSE (near (pixel (image, onKnob (knob, c.angle + pi, 0.12f)), juce::Colour (0xfff0e8dc), 40));
    }
}

TEST_F (RenderedPanel, PowerOffDrawsTheValueArcGreyWithoutGlow)
{
    setPlain (processor, "tight", 0.0f);
    createPanel();
    const auto knob = access->slider (tight).getBounds();
    const auto onArc = onKnob (knob, 2.0f * pi - 0.25f, 0.48f);
    const auto inGlow = onKnob (knob, 2.0f * pi - 0.25f, 0.48f - 2.8f / (0.84f * (float) knob.getWidth()));
    const auto pointer = onKnob (knob, 2.0f * pi, 0.12f);

    const auto on = render();
    setPlain (processor, "power", 0.0f);
    const auto off = render();

    EXPECT_TRUE (near (pixel (off, onArc), juce::Colour (0xff7e7a76), 2));
    EXPECT_GT (pixel (on, inGlow).getRed(), pixel (off, inGlow).getRed() + 15);

    // The pointer at alpha 0x59 over the cap (whose gradient runs top to bottom).
    const auto capBehind = pixel (off, pointer + juce::Point<float> (10.0f, 0.0f));
    EXPECT_TRUE (near (pixel (off, pointer), capBehind.overlaidWith (juce::Colour (0x59f0e8dc)), 6));
}

TEST_F (RenderedPanel, ModeButtonsShowTheSelectionOnlyWithPowerOn)
{
    setPlain (processor, "mode", 1.0f);
    createPanel();
    access->tick();

    const auto sample = [this] (const juce::Image& image, Mode mode)
    {
        const auto b = access->modeButton (mode).getBounds();
        return image.getPixelAt (b.getX() + 12, b.getCentreY());
    };

    const auto inRange = [] (juce::Colour c, juce::Colour top, juce::Colour bottom)
    {
        const auto between = [] (int v, int a, int b) { return v >= juce::jmin (a, b) - 2 && v <= juce::jmax (a, b) + 2; };
        return between (c.getRed(), top.getRed(), bottom.getRed())
            && between (c.getGreen(), top.getGreen(), bottom.getGreen())
            && between (c.getBlue(), top.getBlue(), bottom.getBlue());
    };

    const juce::Colour selectedTop (0xffb67126), selectedBottom (0xff98560e);
    const juce::Colour normalTop (0xff252525), normalBottom (0xff0d0d0d);

    const auto on = render();
    EXPECT_TRUE (inRange (sample (on, rock), selectedTop, selectedBottom)) << sample (on, rock).toDisplayString (true);
    EXPECT_TRUE (inRange (sample (on, clean), normalTop, normalBottom)) << sample (on, clean).toDisplayString (true);

    setPlain (processor, "power", 0.0f);
    access->tick();
    const auto off = render();
    EXPECT_TRUE (inRange (sample (off, rock), normalTop, normalBottom)) << sample (off, rock).toDisplayString (true);
    EXPECT_TRUE (near (sample (off, rock), sample (off, modern), 1));
}

TEST_F (RenderedPanel, PowerSymbolFollowsTheButtonsToggleState)
{
    createPanel();
    const auto b = access->powerButton().getBounds().toFloat();
    const auto rw = b.getWidth() - 2.0f;
    // Bottom of the ring, on the stroke's centre line.
    const juce::Point<float> ringBottom (b.getX() + 1.0f + rw / 2.0f, b.getY() + 1.0f + (b.getHeight() - 2.0f) / 2.0f + 0.24f * rw);

    EXPECT_TRUE (near (pixel (render(), ringBottom), juce::Colour (0xffffebaa), 2));

    setPlain (processor, "power", 0.0f);
    EXPECT_TRUE (near (pixel (render(), ringBottom), juce::Colour (0xff767676), 2));
}

TEST_F (RenderedPanel, HeaderAndCaptionsTakeTheirOffColours)
{
    createPanel();
    const auto header = access->headerArea().toNearestInt();
    const auto titleArea = header.withWidth (header.getWidth() / 3).withTrimmedTop (header.getHeight() / 4)
                                 .withTrimmedBottom (header.getHeight() / 3);
    const juce::Rectangle<int> subtitleArea ((int) (30.0f + 0.023f * 1100.0f), header.getBottom() - 25,
                                             header.getWidth() / 3, 20);
    const auto cell = access->row2Cell (0);
    const auto captionArea = juce::Rectangle<float> (cell.getX(), 474.0f - 16.0f, cell.getWidth(), 19.0f).toNearestInt();
    const juce::Colour background (0xff14110e);

    const auto on = render();
    EXPECT_TRUE (near (inkOf (on, titleArea, background), juce::Colour (0xffece4d8), 8));
    EXPECT_TRUE (near (inkOf (on, subtitleArea, background), accent1, 24));
    EXPECT_TRUE (near (inkOf (on, captionArea, background), juce::Colour (0xffece4d8), 16));

    setPlain (processor, "power", 0.0f);
    const auto off = render();
    EXPECT_TRUE (near (inkOf (off, titleArea, background), juce::Colour (0xffa6a29c), 8));
    EXPECT_TRUE (near (inkOf (off, subtitleArea, background), juce::Colour (0xff84807a), 24));
    EXPECT_TRUE (near (inkOf (off, captionArea, background), juce::Colour (0xffa09c96), 16));
}

TEST_F (RenderedPanel, ShallowPanelUsesCompactCaptionsInTheSecondRowOnly)
{
    createPanel (1000, 400);
    const auto s = panel->computeScale();
    const auto image = render();
    save (image, "panel-1000x400");

    // Draws a caption title alone, the way the panel does, and measures its ink.
    const auto referenceWidth = [] (const juce::String& title, juce::Rectangle<int> area, float height)
    {
        juce::Image reference (juce::Image::RGB, area.getRight() + 10, area.getBottom() + 10, true);
        juce::Graphics g (reference);
        g.setColour (juce::Colour (0xffece4d8));
        g.setFont (juce::Font (juce::FontOptions (height, juce::Font::bold)));
        g.drawText (title, area, juce::Justification::centred, false);
        return inkWidth (reference, area, 0x80);
    };

    const auto titleArea = [this, s] (juce::Rectangle<float> cell, bool hasSubtitle)
    {
        const auto knob = panel->getKnobBounds (cell, ! hasSubtitle);
        return juce::Rectangle<int> ((int) std::round (cell.getX()),
                                     (int) std::round (knob.getY() - (hasSubtitle ? 18.0f : 16.0f) * s),
                                     (int) std::round (cell.getWidth()), (int) std::round (19.0f * s));
    };

    const auto outputArea = titleArea (access->row2Cell (3), false);
    const auto outputInk = inkWidth (image, outputArea, 0x80);
    EXPECT_NEAR (outputInk, referenceWidth ("OUTPUT", outputArea, 14.5f * s), 1);
    EXPECT_GT (referenceWidth ("OUTPUT", outputArea, 16.5f * s) - outputInk, 3);

    const auto tightArea = titleArea (access->row1Cell (0), true);
    const auto tightInk = inkWidth (image, tightArea, 0x80);
    EXPECT_NEAR (tightInk, referenceWidth ("TIGHT", tightArea, 16.5f * s), 1);
    EXPECT_GT (tightInk - referenceWidth ("TIGHT", tightArea, 14.5f * s), 2);
}

TEST_F (RenderedPanel, ExtremeSizesRenderEveryTextWholeWhereItIsPlaced)
{
    // The widest value texts.
    setPlain (processor, "tight", 12.0f);
    setPlain (processor, "width", 199.99f);
    setPlain (processor, "output", -12.0f);
    createPanel();

    // The pixels of an image brighter than the panel's dark fills and
    // outlines: a text's anti-aliased edge may fall below the threshold.
    const auto brightIn = [] (const juce::Image& image, juce::Rectangle<int> area)
    {
        juce::Rectangle<int> found;

        for (int y = area.getY(); y < area.getBottom(); ++y)
            for (int x = area.getX(); x < area.getRight(); ++x)
                if (image.getPixelAt (x, y).getBrightness() > 0.25f)
                    found = found.isEmpty() ? juce::Rectangle<int> (x, y, 1, 1)
                                            : found.getUnion (juce::Rectangle<int> (x, y, 1, 1));

        return found;
    };

    // The ink rendered along a text's line is the ink that the layout
    // measured: nothing cut off, nothing drawn beside it. The renderer puts
    // glyphs on whole pixel rows, a row higher or lower than their outlines;
    // the faint edges of small glyphs may stay below the threshold.
    const auto expectRenderedAt = [&] (const juce::Image& image, juce::Rectangle<float> ink, juce::Rectangle<int> area)
    {
        const auto line = ink.getSmallestIntegerContainer().expanded (12, 1);
        const auto rendered = brightIn (image, line.withX (juce::jmax (line.getX(), area.getX()))
                                                   .withRight (juce::jmin (line.getRight(), area.getRight())));
        const auto pixels = ink.getSmallestIntegerContainer();
        EXPECT_NEAR ((float) rendered.getX(), ink.getX(), 1.5f) << rendered.toString() << " for " << ink.toString();
        EXPECT_NEAR ((float) rendered.getRight(), ink.getRight(), 1.5f) << rendered.toString() << " for " << ink.toString();
        EXPECT_TRUE (pixels.expanded (0, 1).contains (rendered)) << rendered.toString() << " for " << ink.toString();
    };

    // Between two texts one above the other, a row of pixels holds none of
    // their ink.
    const auto expectDarkRowBetween = [&] (const juce::Image& image, juce::Rectangle<float> upper, juce::Rectangle<float> lower)
    {
        const auto columns = upper.getUnion (lower).getSmallestIntegerContainer();

        for (auto y = upper.getSmallestIntegerContainer().getBottom() - 1; y <= lower.getSmallestIntegerContainer().getY(); ++y)
            if (brightIn (image, columns.withY (y).withHeight (1)).isEmpty())
                return;

        ADD_FAILURE() << "no dark row between " << upper.toString() << " and " << lower.toString();
    };

    const struct { int w, h; } sizes[] { { 500, 311 }, { 500, 283 }, { 403, 227 }, { 1700, 961 } };

    for (const auto& size : sizes)
    {
        const auto name = "panel-" + juce::String (size.w) + "x" + juce::String (size.h);
        SCOPED_TRACE (name);
        panel->setSize (size.w, size.h);
        access->tick();
        const auto image = render();
        save (image, name);

        for (const auto& [what, text] : access->panelTexts())
        {
            SCOPED_TRACE (what);
            EXPECT_EQ (charactersOf (text.arrange()), text.text);
            expectRenderedAt (image, text.getInk(), text.area);
        }

        for (const auto knob : { tight, width, output })
        {
            SCOPED_TRACE (testing::Message() << "value label " << knob);
            auto& label = access->label (knob);
            const auto glyphs = valueLabelGlyphs (label);
            EXPECT_EQ (charactersOf (glyphs), label.getText());
            expectRenderedAt (image, inkOf (glyphs), label.getBounds());
        }

        const auto texts = access->panelTexts();
        ASSERT_EQ (texts[0].name + ", " + texts[1].name, "title, subtitle");
        expectDarkRowBetween (image, texts[0].text.getInk(), texts[1].text.getInk());
    }
}

//==============================================================================
// The panel renders its unchanging parts (and the knobs' bodies) once into an
// image and draws only the meters and knob values over it each frame. That
// must look like drawing everything: where a shape meets the edge of a clip or
// of the image, the framework's anti-aliasing may differ by one level.
namespace
{
    // Two renders look alike when at most 0.1 % of their pixels differ, by no
    // more than one level in any channel.
    testing::AssertionResult lookAlike (const juce::Image& actual, const juce::Image& expected)
    {
        if (actual.getBounds() != expected.getBounds() || actual.getFormat() != expected.getFormat())
            return testing::AssertionFailure() << "the images differ in size or format";

        const auto difference = compareImages (actual, expected);
        const auto differing = difference.differing, worst = difference.worst;
        const auto worstAt = difference.worstAt;
        const auto share = 100.0 * differing / ((double) actual.getWidth() * actual.getHeight());
        const auto description = [&]
        {
            return testing::Message() << differing << " pixels (" << share << " %) differ, by at most " << worst
                                      << (differing > 0 ? " at " + worstAt.toString().toStdString() : std::string());
        };

        if (worst <= 1 && share <= 0.1)
            return testing::AssertionSuccess() << description();

        return testing::AssertionFailure() << description();
    }

    // Where the panel is painted, as a window or a snapshot paints it.
    struct PaintTarget
    {
        juce::Image::PixelFormat format = juce::Image::ARGB;
        float scale = 1.0f;
        juce::Point<int> panelPosition;   // in the target, as below the menu bar
    };

    struct LayeredPanel : RenderedPanel
    {
        // The target's pixels of a repainted part of the panel (all of it when
        // empty), painted from the layer.
        juce::Image paintFromLayer (const PaintTarget& target, juce::Rectangle<int> repainted = {})
        {
            auto image = paintInto (target, repainted, repainted);
            EXPECT_TRUE (access->paintedFromStaticLayer());
            return image;
        }

        // The same pixels of the whole panel drawn directly. Drawing only that
        // part directly would differ from this where a shape runs past the
        // clip's right edge: the framework's rasteriser covers the clip's last
        // column 255/256 with each such shape.
        juce::Image paintDirectly (const PaintTarget& target, juce::Rectangle<int> repainted = {})
        {
            access->setStaticLayerEnabled (false);
            auto image = paintInto (target, {}, repainted);
            access->setStaticLayerEnabled (true);
            EXPECT_FALSE (access->paintedFromStaticLayer());
            return image;
        }

        juce::Image paintInto (const PaintTarget& target, juce::Rectangle<int> clip, juce::Rectangle<int> shown)
        {
            const auto inTarget = [&] (juce::Rectangle<int> area)
            {
                area = area.isEmpty() ? panel->getLocalBounds() : area;
                return ((area + target.panelPosition).toFloat() * target.scale).getSmallestIntegerContainer();
            };

            const auto whole = inTarget ({});
            juce::Image image (target.format, whole.getRight(), whole.getBottom(), true);

            {
                // The panel in a window, as the editor holds it below the menu bar.
                juce::Component window;
                window.setSize (whole.getRight(), whole.getBottom());
                window.addAndMakeVisible (*panel);
                panel->setTopLeftPosition (target.panelPosition);

                juce::Graphics g (image);
                g.addTransform (juce::AffineTransform::scale (target.scale));
                g.reduceClipRegion ((clip.isEmpty() ? panel->getLocalBounds() : clip) + target.panelPosition);
                g.setColour (juce::Colours::transparentWhite);   // a fill left by whoever paints the panel
                window.paintEntireComponent (g, true);

                window.removeChildComponent (panel.get());
                panel->setTopLeftPosition (0, 0);
            }

            return image.getClippedImage (inTarget (shown));
        }
    };
}

TEST_F (LayeredPanel, StaticLayerLooksLikeDrawingEverything)
{
    setPlain (processor, "mode", 2.0f);
    setPlain (processor, "tight", 4.5f);
    setPlain (processor, "mix", 35.0f);
    createPanel();

    // Partial repaints, each clear of the panel's edges. Their right edges run
    // through the layer only: the framework's coverage at a clip's edge would
    // otherwise show in the knobs and meters, which both paints draw directly.
    enum Repaint { whole, twoKnobs, meters };
    const char* const repaintNames[] { "the whole panel", "two knobs' cells", "the meters" };

    const auto repaintedArea = [this] (Repaint repaint) -> juce::Rectangle<int>
    {
        if (repaint == twoKnobs)
            return access->row2Cell (1).getUnion (access->row2Cell (2)).getSmallestIntegerContainer();

        if (repaint == meters)
            return access->inMeterArea().getUnion (access->outMeterArea()).getUnion (access->clipBarArea())
                       .expanded (2.0f).getSmallestIntegerContainer();

        return {};
    };

    const auto argb = juce::Image::ARGB, rgb = juce::Image::RGB;

    const struct { juce::Point<int> size; bool powerOn; PaintTarget target; Repaint repaint; } cases[] {
        { { 1100, 760 }, true,  { argb, 1.0f, {} },         whole },
        { { 1100, 760 }, false, { rgb, 1.0f, {} },          whole },
        { { 1256, 710 }, true,  { rgb, 1.0f, { 0, 70 } },   whole },
        { { 1256, 710 }, false, { argb, 2.0f, { 0, 70 } },  whole },
        { { 500, 283 },  true,  { argb, 2.0f, {} },         whole },
        { { 500, 283 },  false, { argb, 1.0f, { 3, 28 } },  whole },
        { { 1700, 961 }, true,  { rgb, 2.0f, { 0, 95 } },   whole },
        { { 1700, 961 }, false, { rgb, 1.0f, {} },          whole },
        { { 1100, 760 }, true,  { argb, 1.0f, {} },         twoKnobs },
        { { 1256, 710 }, false, { rgb, 2.0f, { 0, 70 } },   twoKnobs },
        { { 500, 283 },  false, { rgb, 1.0f, {} },          meters },
        { { 1700, 961 }, true,  { argb, 2.0f, { 0, 95 } },  meters },
        // Fractional scales: the panel's origin falls between device pixels.
        { { 1256, 710 }, true,  { rgb, 1.25f, { 0, 70 } },  whole },
        { { 1256, 710 }, false, { argb, 1.5f, { 0, 71 } },  whole },
        { { 500, 283 },  true,  { rgb, 1.75f, { 3, 27 } },  whole },
        { { 1100, 760 }, true,  { argb, 1.25f, { 0, 69 } }, twoKnobs },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (testing::Message() << c.size.x << " x " << c.size.y << (c.powerOn ? ", power on" : ", power off")
                                         << (c.target.format == rgb ? ", RGB" : ", ARGB") << ", scale " << c.target.scale
                                         << ", panel at " << c.target.panelPosition.toString()
                                         << ", repainting " << repaintNames[c.repaint]);
        setPlain (processor, "power", c.powerOn ? 1.0f : 0.0f);
        panel->setSize (c.size.x, c.size.y);
        access->tick();
        setLevels (0.48f, 0.86f, 0.4f);

        const auto repainted = repaintedArea (c.repaint);
        EXPECT_TRUE (lookAlike (paintFromLayer (c.target, repainted), paintDirectly (c.target, repainted)));
    }
}

TEST_F (LayeredPanel, StaticLayerFollowsWhatItShows)
{
    createPanel (1256, 710);
    setLevels (0.6f, 0.3f, 0.5f);
    PaintTarget target;
    juce::LookAndFeel_V4 serifLook;

    const struct { const char* name; std::function<void()> change; } changes[] {
        { "power off",        [&] { setPlain (processor, "power", 0.0f); access->tick(); } },
        { "power on",         [&] { setPlain (processor, "power", 1.0f); access->tick(); } },
        { "a new size",       [&] { panel->setSize (1100, 760); } },
        { "scale 2",          [&] { target.scale = 2.0f; } },
        { "knobs turned",     [&] { setPlain (processor, "tight", -7.0f); setPlain (processor, "width", 180.0f); } },
        { "a knob hidden",    [&] { access->slider (fizz).setVisible (false); } },
        { "a knob shown",     [&] { access->slider (fizz).setVisible (true); } },
        { "another typeface", [&]
          {
              // As the desktop tells its windows when the default look-and-feel changes.
              juce::LookAndFeel::setDefaultLookAndFeel (&serifLook);
              serifLook.setDefaultSansSerifTypefaceName ("DejaVu Serif");
              panel->sendLookAndFeelChange();
          } },
    };

    auto before = paintFromLayer (target);

    for (const auto& step : changes)
    {
        SCOPED_TRACE (step.name);
        step.change();
        const auto after = paintFromLayer (target);
        EXPECT_FALSE (lookAlike (after, before)) << "the change does not show";
        EXPECT_TRUE (lookAlike (after, paintDirectly (target)));
        before = after;
    }

    juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
    juce::Typeface::clearTypefaceCache();

    // A slider painted on its own, after the panel, still draws its whole knob.
    paintFromLayer (target);
    auto& slider = access->slider (air);
    const auto alone = slider.createComponentSnapshot (slider.getLocalBounds(), true, 2.0f);
    paintDirectly (target);
    EXPECT_TRUE (lookAlike (alone, slider.createComponentSnapshot (slider.getLocalBounds(), true, 2.0f)));
}
