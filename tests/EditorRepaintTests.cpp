#include "tests/EditorTestSupport.h"
#include "tests/RepaintRecorder.h"

#include <functional>

using namespace editor_test;

// The panel's timer asks to repaint only what changed, and painting just those
// areas, as a window does, gives the same picture as painting everything.
namespace
{
    struct RecordedPanel : PanelFixture
    {
        // A shown panel whose repaint requests are recorded, past its first tick.
        void createRecordedPanel (int width = 1256, int height = 710)
        {
            createPanel (width, height);
            panel->setVisible (true);
            recorder = &RepaintRecorder::attachTo (*panel);
            access->tick();
            recorder->areas.clear();
        }

        void setLevels (float in, float out, float clip) { publishLevels (processor, in, out, clip); }

        // The whole label strip and well of a meter.
        static juce::Rectangle<int> around (juce::Rectangle<float> area)
        {
            return area.expanded (1.0f).getSmallestIntegerContainer();
        }

        // The clip bar with its outline and the CLIP label above it.
        juce::Rectangle<int> clipBarAndLabel() const
        {
            const auto bar = access->clipBarArea();
            return bar.withTop (bar.getY() - 16.0f).expanded (2.0f).getSmallestIntegerContainer();
        }

        RepaintRecorder* recorder = nullptr;
    };

    testing::AssertionResult allWithin (const juce::RectangleList<int>& areas, const juce::RectangleList<int>& allowed)
    {
        for (const auto& area : areas)
            if (! allowed.containsRectangle (area))
                return testing::AssertionFailure() << area.toString() << " was repainted";

        return testing::AssertionSuccess();
    }
}

TEST_F (RecordedPanel, EachTickRepaintsOnlyWhatChanged)
{
    setPlain (processor, "mode", 1.0f);
    createRecordedPanel();

    const auto in = around (access->inMeterArea());
    const auto out = around (access->outMeterArea());
    const auto clip = clipBarAndLabel();
    const auto whole = panel->getLocalBounds();
    const auto modeButtons = access->modeButton (clean).getBounds().getUnion (access->modeButton (rock).getBounds());
    const auto tightKnob = access->slider (tight).getBounds().getUnion (access->label (tight).getBounds());
    juce::RectangleList<int> meters (in);
    meters.add (out);
    meters.add (clip);

    const struct Step
    {
        const char* name;
        std::function<void()> change;
        juce::RectangleList<int> allowed;   // nothing when empty
    } steps[] {
        { "nothing",                     [] {},                                        {} },
        { "IN lights two more segments", [&] { setLevels (0.3f, 0.0f, 0.0f); },        in },
        { "IN moves within a segment",   [&] { setLevels (0.31f, 0.0f, 0.0f); },       {} },
        { "OUT lights up",               [&] { setLevels (0.31f, 0.7f, 0.0f); },       out },
        { "the clip bar fills",          [&] { setLevels (0.31f, 0.7f, 0.25f); },      clip },
        { "the clip bar falls",          [&] { setLevels (0.31f, 0.7f, 0.21f); },      clip },
        { "nothing again",               [] {},                                        {} },
        { "all three fall",              [&] { setLevels (0.1f, 0.2f, 0.0f); },        meters },
        { "mode Clean",                  [&] { setPlain (processor, "mode", 0.0f); },  modeButtons },
        { "a knob turned",               [&] { setPlain (processor, "tight", 6.0f); }, tightKnob },
        { "power off",                   [&] { setPlain (processor, "power", 0.0f); }, whole },
        { "levels move with power off",  [&] { setLevels (0.9f, 0.9f, 0.9f); },        {} },
        { "power on",                    [&] { setPlain (processor, "power", 1.0f); }, whole },
    };

    for (const auto& step : steps)
    {
        SCOPED_TRACE (step.name);
        recorder->areas.clear();
        step.change();
        access->tick();

        if (step.allowed.isEmpty())
        {
            EXPECT_TRUE (recorder->areas.isEmpty()) << recorder->areas.getBounds().toString() << " was repainted";
        }
        else if (step.allowed.containsRectangle (whole))
        {
            EXPECT_TRUE (recorder->areas.containsRectangle (whole));
        }
        else
        {
            EXPECT_FALSE (recorder->areas.isEmpty());
            EXPECT_TRUE (allWithin (recorder->areas, step.allowed));
        }
    }
}

TEST_F (RecordedPanel, PaintingWhatTheTicksRepaintDrawsTheWholePicture)
{
    // Where the panel is painted, as the editor's window holds it below the menu bar.
    const struct Target
    {
        float scale;
        juce::Point<int> position;
        juce::Image::PixelFormat format;
    } targets[] {
        { 1.0f,  { 0, 70 }, juce::Image::RGB },
        { 2.0f,  { 0, 70 }, juce::Image::ARGB },
        // Fractional scales: a meter's edges fall between device pixels.
        { 1.25f, { 0, 71 }, juce::Image::ARGB },
        { 1.5f,  { 0, 70 }, juce::Image::RGB },
    };

    const struct
    {
        const char* name;
        std::function<void()> change;
    } steps[] {
        { "levels rise",          [&] { setLevels (0.62f, 0.8f, 0.35f); } },
        { "levels fall a little", [&] { setLevels (0.55f, 0.74f, 0.3f); } },
        { "levels fall more",     [&] { setLevels (0.2f, 0.5f, 0.02f); } },
        { "mode Modern",          [&] { setPlain (processor, "mode", 2.0f); } },
        { "knobs turned",         [&] { setPlain (processor, "air", -9.0f); setPlain (processor, "mix", 12.0f); } },
        { "power off",            [&] { setPlain (processor, "power", 0.0f); } },
        { "levels move, off",     [&] { setLevels (0.9f, 0.1f, 1.0f); } },
        { "mode Rock, off",       [&] { setPlain (processor, "mode", 1.0f); } },
        { "power on",             [&] { setPlain (processor, "power", 1.0f); } },
        { "levels full",          [&] { setLevels (1.0f, 1.0f, 1.0f); } },
        { "silence",              [&] { setLevels (0.0f, 0.0f, 0.0f); } },
    };

    for (const auto& target : targets)
    {
        SCOPED_TRACE (testing::Message() << "scale " << target.scale << ", panel at " << target.position.toString());
        setPlain (processor, "power", 1.0f);
        setPlain (processor, "mode", 1.0f);
        setLevels (0.0f, 0.0f, 0.0f);
        createRecordedPanel();

        juce::Component window;
        window.setSize (panel->getRight() + target.position.x, panel->getBottom() + target.position.y);
        window.addAndMakeVisible (*panel);
        panel->setTopLeftPosition (target.position);

        const auto device = (window.getLocalBounds().toFloat() * target.scale).getSmallestIntegerContainer();

        // Paints the window into an image of its device pixels, clipped to a
        // region of them, as a window's peer does.
        const auto paintWindow = [&] (juce::Image& image, const juce::RectangleList<int>& region)
        {
            if (image.hasAlphaChannel())
                for (const auto& area : region)
                    image.clear (area);

            juce::Graphics g (image);
            g.reduceClipRegion (region);
            g.addTransform (juce::AffineTransform::scale (target.scale));
            window.paintEntireComponent (g, true);
        };

        const auto paintAll = [&]
        {
            juce::Image image (target.format, device.getWidth(), device.getHeight(), true);
            paintWindow (image, device);
            return image;
        };

        auto screen = paintAll();

        for (const auto& step : steps)
        {
            SCOPED_TRACE (step.name);
            recorder->areas.clear();
            step.change();
            access->tick();

            juce::RectangleList<int> region;

            for (const auto& area : recorder->areas)
                region.add ((area + target.position) * (double) target.scale);

            paintWindow (screen, region);

            EXPECT_EQ (compareImages (screen, paintAll()).differing, 0);
        }

        window.removeChildComponent (panel.get());
    }
}
