#include "tests/WindowTestSupport.h"

#include "editor/EmberLashAudioProcessorEditor.h"
#include "editor/EmberLashGUI.h"
#include "processor/EmberLashAudioProcessor.h"

#include <memory>

using namespace window_test;
using Sizing = EmberLashAudioProcessorEditor::Sizing;

namespace
{

    struct SizingRow
    {
        int displayWidth, displayHeight;
        int width, height;
        int minWidth, minHeight, maxWidth, maxHeight;
    };

    void PrintTo (const SizingRow& row, std::ostream* os)
    {
        *os << row.displayWidth << " x " << row.displayHeight;
    }

    struct DisplaySizing : testing::TestWithParam<SizingRow> {};

    const SizingRow sizingRows[] = {
        { 1920, 1040, 1256,  780, 500, 311, 1700, 1056 },
        { 1920, 1080, 1304,  810, 500, 311, 1700, 1056 },
        { 2560, 1400, 1691, 1050, 500, 311, 1700, 1056 },
        { 3840, 2100, 1700, 1056, 500, 311, 1700, 1056 },  // width capped
        { 1366,  728,  879,  546, 500, 311, 1366,  848 },
        {  800, 1240,  800,  497, 500, 311,  800,  497 },
        {  400,  300,  400,  248, 400, 248,  400,  248 },  // narrower than the minimum: a fixed size
        { 1000,  250,  403,  250, 500, 311, 1000,  621 },  // too low: opens below its own minimum
    };

    void setPlain (EmberLashAudioProcessor& processor, const juce::String& id, float plain)
    {
        auto* parameter = processor.valueTreeState.getParameter (id);
        ASSERT_NE (parameter, nullptr) << id;
        parameter->setValueNotifyingHost (parameter->convertTo0to1 (plain));
    }

    EmberLashAudioProcessorEditor* windowOf (juce::AudioProcessorEditor* editor)
    {
        return dynamic_cast<EmberLashAudioProcessorEditor*> (editor);
    }

    juce::Rectangle<int> primaryUserArea()
    {
        const auto* display = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay();
        return display != nullptr ? display->userArea : juce::Rectangle<int>();
    }

    // The processor's own editor, as the host gets it.
    struct EditorFixture : testing::Test
    {
        void SetUp() override
        {
            editor.reset (windowOf (processor.createEditor()));
            ASSERT_NE (editor, nullptr) << "createEditor does not build the plug-in's window";
        }

        void TearDown() override { editor.reset(); }

        MenuBar& menuBar()
        {
            auto* bar = dynamic_cast<MenuBar*> (editor->getChildComponent (1));
            EXPECT_NE (bar, nullptr);
            return *bar;
        }

        juce::Component& panel()
        {
            auto* gui = dynamic_cast<EmberLashGUI*> (editor->getChildComponent (0));
            EXPECT_NE (gui, nullptr);
            return *gui;
        }

        EmberLashAudioProcessor processor;
        std::unique_ptr<EmberLashAudioProcessorEditor> editor;
    };
}

//==============================================================================
TEST_P (DisplaySizing, InitialSizeAndLimits)
{
    const auto& row = GetParam();

    // Only the user area's size counts, not where it lies on the desktop.
    for (const auto origin : { juce::Point<int>(), juce::Point<int> (1920, 40) })
    {
        const auto sizing = EmberLashAudioProcessorEditor::computeSizing (
            juce::Rectangle<int> (row.displayWidth, row.displayHeight) + origin, ProductInfo());

        EXPECT_EQ (sizing.size, juce::Rectangle<int> (0, 0, row.width, row.height));
        EXPECT_EQ (sizing.minWidth, row.minWidth);
        EXPECT_EQ (sizing.minHeight, row.minHeight);
        EXPECT_EQ (sizing.maxWidth, row.maxWidth);
        EXPECT_EQ (sizing.maxHeight, row.maxHeight);
        EXPECT_DOUBLE_EQ (sizing.aspectRatio, (double) 1.61f);
    }
}

INSTANTIATE_TEST_SUITE_P (WorkedSizes, DisplaySizing, testing::ValuesIn (sizingRows));

TEST (DisplaySizingValues, OutOfRangeValuesAreLimited)
{
    // A height fraction above 1 counts as 1, an aspect ratio below 0.1 as 0.1.
    ProductInfo info;
    info.defaultHeightFraction = 3.0f;
    info.aspectRatio = 0.01f;
    info.minWidth = 0.0f;
    info.maxWidth = 100.0f;

    const auto sizing = EmberLashAudioProcessorEditor::computeSizing ({ 0, 0, 1000, 500 }, info);

    // h 500, w 50, h back from w is 500; limits 1 x 10 to 100 x 1000.
    EXPECT_EQ (sizing.size, juce::Rectangle<int> (0, 0, 50, 500));
    EXPECT_EQ (sizing.minWidth, 1);
    EXPECT_EQ (sizing.minHeight, 10);
    EXPECT_EQ (sizing.maxWidth, 100);
    EXPECT_EQ (sizing.maxHeight, 1000);
    EXPECT_DOUBLE_EQ (sizing.aspectRatio, 0.1);
}

//==============================================================================
TEST_F (EditorFixture, OpensAtThePredictedSizeForThisScreen)
{
    // The test script starts the X server with a 1920 x 1080 screen and no
    // window manager, so the whole screen is the user area.
    const auto userArea = primaryUserArea();
    EXPECT_EQ (userArea, juce::Rectangle<int> (0, 0, 1920, 1080));

    const auto predicted = EmberLashAudioProcessorEditor::computeSizing (userArea, ProductInfo());
    EXPECT_EQ (editor->getLocalBounds(), predicted.size);
    EXPECT_EQ (editor->getLocalBounds(), juce::Rectangle<int> (0, 0, 1304, 810));

    auto* constrainer = editor->getConstrainer();
    ASSERT_NE (constrainer, nullptr);
    EXPECT_EQ (constrainer->getMinimumWidth(), predicted.minWidth);
    EXPECT_EQ (constrainer->getMinimumHeight(), predicted.minHeight);
    EXPECT_EQ (constrainer->getMaximumWidth(), predicted.maxWidth);
    EXPECT_EQ (constrainer->getMaximumHeight(), predicted.maxHeight);
    EXPECT_DOUBLE_EQ (constrainer->getFixedAspectRatio(), (double) 1.61f);
    EXPECT_TRUE (editor->isResizable());
}

TEST_F (EditorFixture, ResizingThroughTheConstrainerKeepsLimitsAndAspectRatio)
{
    const juce::Rectangle<int> requests[] = {
        { 0, 0, 3000, 3000 }, { 0, 0, 100, 50 }, { 0, 0, 1000, 400 }, { 0, 0, 600, 1200 },
        { 0, 0, 1256, 780 }, { 0, 0, 500, 311 }, { 0, 0, 1700, 1056 }, { 0, 0, 1, 1 },
    };

    for (const auto& request : requests)
    {
        editor->setBoundsConstrained (request);

        const auto w = editor->getWidth(), h = editor->getHeight();
        SCOPED_TRACE (request.toString() + " gave " + juce::String (w) + " x " + juce::String (h));

        EXPECT_GE (w, 500);
        EXPECT_LE (w, 1700);
        EXPECT_GE (h, 311);
        EXPECT_LE (h, 1056);
        EXPECT_NEAR ((double) w / (double) h, 1.61, 1.61 / h + 1.0 / h);

        if (request.getWidth() == 3000)
        {
            EXPECT_EQ (editor->getLocalBounds(), juce::Rectangle<int> (0, 0, 1700, 1056));
        }
        else if (request.getWidth() == 1256)
        {
            EXPECT_EQ (editor->getLocalBounds(), request);
        }

        // The children always share the window out between them.
        EXPECT_EQ (menuBar().getBounds().getUnion (panel().getBounds()), editor->getLocalBounds());
    }
}

TEST_F (EditorFixture, MenuBarOnTopOfThePanelForEverySize)
{
    struct Split { int width, height, barHeight; };
    const Split splits[] = {
        { 1256, 780, 70 },  // 70.2
        { 1304, 810, 73 },  // 72.9
        {  403, 250, 23 },  // 22.5, away from zero
        { 1691, 1050, 95 }, // 94.5, away from zero
        {  500, 311, 28 },  // 27.99
    };

    for (const auto& split : splits)
    {
        SCOPED_TRACE (juce::String (split.width) + " x " + juce::String (split.height));
        editor->setSize (split.width, split.height);

        EXPECT_EQ (EmberLashAudioProcessorEditor::menuBarHeightFor (split.height, ProductInfo()), split.barHeight);
        EXPECT_EQ (menuBar().getBounds(), juce::Rectangle<int> (0, 0, split.width, split.barHeight));
        EXPECT_EQ (panel().getBounds(),
                   juce::Rectangle<int> (0, split.barHeight, split.width, split.height - split.barHeight));
    }

    editor->setSize (500, 311);
    EXPECT_EQ (panel().getBounds(), juce::Rectangle<int> (0, 28, 500, 283));
}

TEST_F (EditorFixture, ChildrenInOrderAndNothingElse)
{
    ASSERT_EQ (editor->getNumChildComponents(), 2);
    EXPECT_NE (dynamic_cast<EmberLashGUI*> (editor->getChildComponent (0)), nullptr);
    EXPECT_NE (dynamic_cast<MenuBar*> (editor->getChildComponent (1)), nullptr);
    EXPECT_TRUE (menuBar().isVisible());
    EXPECT_TRUE (panel().isVisible());
    EXPECT_FALSE (editor->isOpaque());
    EXPECT_EQ (&editor->processor, &processor);
}

TEST (EditorWindow, PresetsButtonShowsTheCurrentPresetFromTheStart)
{
    EmberLashAudioProcessor processor;
    processor.setCurrentPreset ("Cab Glue", false, true);

    EmberLashAudioProcessorEditor editor (processor);
    auto* bar = dynamic_cast<MenuBar*> (editor.getChildComponent (1));
    ASSERT_NE (bar, nullptr);

    MenuBarTestAccess access (*bar);
    EXPECT_EQ (access.presettable(), static_cast<PresettableProcessor*> (&processor));
    EXPECT_EQ (access.presetButton().getText(), "Cab Glue *" + menuMark());
}

TEST (EditorWindow, PaintDrawsNothingOfItsOwn)
{
    EmberLashAudioProcessor processor;
    EmberLashAudioProcessorEditor editor (processor);

    auto image = blankImage (100, 100);
    {
        juce::Graphics g (image);
        editor.paint (g);
    }

    for (int y = 0; y < image.getHeight(); y += 7)
        for (int x = 0; x < image.getWidth(); x += 7)
            ASSERT_EQ (image.getPixelAt (x, y).getAlpha(), 0) << x << ", " << y;
}

//==============================================================================
TEST_F (EditorFixture, RendersWithPowerOnAndOff)
{
    editor->setSize (1256, 780);

    for (const bool powerOn : { true, false })
    {
        setPlain (processor, "power", powerOn ? 1.0f : 0.0f);
        testing_support::pumpMessages (100);

        const auto image = editor->createComponentSnapshot (editor->getLocalBounds(), true, 1.0f);
        save (image, powerOn ? "editor-1256x780-power-on" : "editor-1256x780-power-off");

        // The bar's fill left of the buttons, and the Presets button's body.
        EXPECT_TRUE (near (image.getPixelAt (20, 35), juce::Colour (0xff0a0b0c), 0));
        EXPECT_TRUE (near (image.getPixelAt (392, 35), juce::Colour (0xff181e24), 0));
        // Nothing of the window is left unpainted.
        EXPECT_EQ (image.getPixelAt (20, 400).getAlpha(), 255);
        EXPECT_EQ (image.getPixelAt (1250, 775).getAlpha(), 255);
    }
}
