#include "tests/WindowTestSupport.h"

#include "editor/DialogLookAndFeel.h"
#include "tests/DialogTextAssertions.h"

#include <memory>

using namespace window_test;

namespace
{
    // An alert drawn with the dialog look, at a size of the test's choosing.
    struct Alert
    {
        Alert (juce::LookAndFeel& lookAndFeel, juce::MessageBoxIconType icon, juce::StringArray buttons,
               const juce::String& title = "Save Preset", const juce::String& message = "Enter a name:")
            : window (title, message, icon)
        {
            DialogLookAndFeel::keepMessage (window, message);
            window.setLookAndFeel (&lookAndFeel);
            for (int i = 0; i < buttons.size(); ++i)
                window.addButton (buttons[i], i == 0 ? 1 : 0);
        }

        ~Alert() { window.setLookAndFeel (nullptr); }

        juce::Image paint (int width, int height)
        {
            window.setSize (width, height);
            return paint();
        }

        // At the size the alert chose for its contents.
        juce::Image paint()
        {
            return window.createComponentSnapshot (window.getLocalBounds(), true, 1.0f);
        }

        juce::Rectangle<int> button (int index) const { return window.getButton (index)->getBounds(); }

        juce::AlertWindow window;
    };

    bool isReddish (juce::Colour c)
    {
        return (int) c.getRed() - (int) c.getBlue() > 40;
    }
}

//==============================================================================
TEST (DialogLookAndFeelColours, SchemeOfTheDialogs)
{
    DialogLookAndFeel lookAndFeel;

    const std::pair<int, juce::uint32> colours[] = {
        { juce::AlertWindow::backgroundColourId,          0xff12161b },
        { juce::AlertWindow::textColourId,                0xdcd2e1eb },
        { juce::TextEditor::backgroundColourId,           0xff161c22 },
        { juce::TextEditor::textColourId,                 0xffeff5ff },
        { juce::TextEditor::highlightedTextColourId,      0xffffffff },
        { juce::TextEditor::outlineColourId,              0xff384452 },
        { juce::TextEditor::focusedOutlineColourId,       0xff4eff24 },
        { juce::TextButton::buttonColourId,               0xff1c232b },
        { juce::TextButton::buttonOnColourId,             0xff26303a },
        { juce::TextButton::textColourOffId,              0xffeff5ff },
        { juce::TextButton::textColourOnId,               0xffeff5ff },
    };

    for (const auto& [id, argb] : colours)
        EXPECT_EQ (lookAndFeel.findColour (id), juce::Colour (argb)) << juce::String::toHexString (id);
}

TEST (DialogLookAndFeelFonts, ButtonAndAlertFonts)
{
    DialogLookAndFeel lookAndFeel;
    juce::TextButton button ("OK");

    struct Row { int buttonHeight; float fontHeight; };
    for (const auto& row : { Row { 20, 16.0f }, Row { 15, 13.5f }, Row { 100, 16.0f }, Row { 10, 9.0f } })
    {
        const auto font = lookAndFeel.getTextButtonFont (button, row.buttonHeight);
        EXPECT_FLOAT_EQ (font.getHeight(), row.fontHeight) << row.buttonHeight;
        EXPECT_TRUE (font.isBold());
    }

    EXPECT_FLOAT_EQ (lookAndFeel.getAlertWindowTitleFont().getHeight(), 20.0f);
    EXPECT_TRUE (lookAndFeel.getAlertWindowTitleFont().isBold());
    EXPECT_FLOAT_EQ (lookAndFeel.getAlertWindowMessageFont().getHeight(), 16.0f);
    EXPECT_FALSE (lookAndFeel.getAlertWindowMessageFont().isBold());
}

TEST (DialogLookAndFeelButtons, BodyByMouseStateWhateverTheButtonColour)
{
    DialogLookAndFeel lookAndFeel;
    juce::TextButton button ("Save");
    button.setSize (120, 36);

    struct State { bool highlighted, down; juce::uint32 fill; };
    const State states[] = {
        { false, false, 0xff181e24 },
        { true,  false, 0xff30363b },
        { false, true,  0xff3b4045 },
        { true,  true,  0xff3b4045 },  // pressed with the mouse over it
    };

    for (const auto& state : states)
    {
        auto image = blankImage (120, 36);
        {
            juce::Graphics g (image);
            lookAndFeel.drawButtonBackground (g, button, juce::Colours::red, state.highlighted, state.down);
        }

        EXPECT_TRUE (near (image.getPixelAt (60, 18), juce::Colour (state.fill), 0));
        EXPECT_TRUE (near (image.getPixelAt (60, 0), juce::Colour (0xff384452), 1));
        EXPECT_LT (image.getPixelAt (0, 0).getAlpha(), 128);
    }
}

//==============================================================================
TEST (DialogLookAndFeelAlert, OneButtonCentredInTheLowerPart)
{
    DialogLookAndFeel lookAndFeel;
    Alert alert (lookAndFeel, juce::MessageBoxIconType::NoIcon, { "OK" }, "Success", "Preset \"Lead\" has been saved.");

    alert.paint (400, 200);
    EXPECT_EQ (alert.button (0), juce::Rectangle<int> (132, 144, 136, 36));

    // Sizes that need rounding: 119.34 wide at 115.83, 31.5 high at 126.
    alert.paint (351, 175);
    EXPECT_EQ (alert.button (0), juce::Rectangle<int> (116, 126, 119, 32));
}

TEST (DialogLookAndFeelAlert, TwoButtonsSideBySideWithAGap)
{
    DialogLookAndFeel lookAndFeel;
    Alert alert (lookAndFeel, juce::MessageBoxIconType::NoIcon, { "Save", "Cancel" });

    alert.paint (400, 200);
    EXPECT_EQ (alert.button (0), juce::Rectangle<int> (74, 144, 120, 36));
    EXPECT_EQ (alert.button (1), juce::Rectangle<int> (206, 144, 120, 36));

    // 64.935 and 180.765 for the lefts, 105.3 wide.
    alert.paint (351, 175);
    EXPECT_EQ (alert.button (0), juce::Rectangle<int> (65, 126, 105, 32));
    EXPECT_EQ (alert.button (1), juce::Rectangle<int> (181, 126, 105, 32));
}

TEST (DialogLookAndFeelAlert, FurtherButtonsKeepTheirPlaces)
{
    DialogLookAndFeel lookAndFeel;
    Alert alert (lookAndFeel, juce::MessageBoxIconType::NoIcon, { "Yes", "No", "Maybe" });

    alert.window.setSize (400, 200);
    const auto third = alert.button (2);
    alert.paint (400, 200);

    EXPECT_EQ (alert.button (0), juce::Rectangle<int> (74, 144, 120, 36));
    EXPECT_EQ (alert.button (1), juce::Rectangle<int> (206, 144, 120, 36));
    EXPECT_EQ (alert.button (2), third);
}

TEST (DialogLookAndFeelAlert, BoxTextAndButtonsAsPainted)
{
    DialogLookAndFeel lookAndFeel;
    Alert alert (lookAndFeel, juce::MessageBoxIconType::NoIcon, { "Save", "Cancel" });

    // At the size the alert chose, so that its text area spans the window
    // less 10 on the left, right and top.
    const auto image = alert.paint();
    const auto w = image.getWidth(), h = image.getHeight();
    save (image, "dialog-two-buttons");

    // The gradient runs from top to bottom, inside a light outline.
    EXPECT_TRUE (near (image.getPixelAt (w / 2, 3), juce::Colour (0xff131415), 1));
    EXPECT_TRUE (near (image.getPixelAt (w / 2, h - 4), juce::Colour (0xff0e0f10), 1));
    EXPECT_GT (image.getPixelAt (w / 2, 0).getBrightness(), 0.35f);
    EXPECT_GT (image.getPixelAt (0, h / 2).getBrightness(), 0.35f);

    // The title and message are centred across the text area and start a
    // tenth of its height below its top.
    const juce::Rectangle<int> above (3, 3, w - 6, alert.button (0).getY() - 3);
    const auto ink = columnsWhere (image, above, isBright);
    ASSERT_FALSE (ink.isEmpty());
    EXPECT_NEAR (ink.getStart() + ink.getEnd(), w, 4);
    EXPECT_GE (rowsWhere (image, above, isBright).getStart(), (int) (10.0f + 0.1f * (float) (h - 10)));

    // The buttons are drawn where they were placed: their bodies' fill.
    const auto first = alert.button (0), second = alert.button (1);
    EXPECT_TRUE (near (image.getPixelAt (first.getX() + 4, first.getY() + 4), juce::Colour (0xff181e24), 0));
    EXPECT_TRUE (near (image.getPixelAt (second.getRight() - 5, second.getBottom() - 5), juce::Colour (0xff181e24), 0));
}

TEST (DialogLookAndFeelAlert, NoIconForAWarning)
{
    // The framework's own look draws its warning triangle in the top-left
    // corner; the dialog look draws nothing there.
    juce::LookAndFeel_V4 framework;
    DialogLookAndFeel lookAndFeel;
    const juce::Rectangle<int> iconArea (0, 0, 130, 130);

    auto reddishPixels = [&iconArea] (const juce::Image& image)
    {
        int count = 0;
        for (int y = iconArea.getY(); y < iconArea.getBottom(); ++y)
            for (int x = iconArea.getX(); x < iconArea.getRight(); ++x)
                count += isReddish (image.getPixelAt (x, y)) ? 1 : 0;
        return count;
    };

    for (const auto type : { juce::MessageBoxIconType::WarningIcon, juce::MessageBoxIconType::QuestionIcon,
                             juce::MessageBoxIconType::InfoIcon })
    {
        Alert withFramework (framework, type, { "Delete", "Cancel" },
                             "Delete Preset?", "Are you sure you want to delete \"Lead\"?");
        Alert withDialog (lookAndFeel, type, { "Delete", "Cancel" },
                          "Delete Preset?", "Are you sure you want to delete \"Lead\"?");

        const auto frameworkImage = withFramework.paint();
        const auto dialogImage = withDialog.paint();

        if (type == juce::MessageBoxIconType::WarningIcon)
        {
            save (dialogImage, "dialog-warning");
            EXPECT_GT (reddishPixels (frameworkImage), 500) << "the check would not see an icon";
        }

        EXPECT_EQ (reddishPixels (dialogImage), 0);

        // Left of the centred text the corner holds the gradient alone.
        for (int y = 5; y < 100; y += 3)
            for (int x = 5; x < 40; x += 3)
                ASSERT_LT (dialogImage.getPixelAt (x, y).getBrightness(), 0.1f) << x << ", " << y << " type " << (int) type;
    }
}

//==============================================================================
namespace
{
    juce::String quoted (const juce::String& name) { return "\"" + name + "\""; }

    struct AlertContent
    {
        const char* what;
        juce::MessageBoxIconType icon;
        juce::String title, message;
        juce::StringArray buttons;
    };

    // The preset dialogs without a text field, for a preset name.
    std::vector<AlertContent> dialogsNaming (const juce::String& name)
    {
        const auto warning = juce::MessageBoxIconType::WarningIcon;
        return {
            { "overwrite", warning, "Overwrite Preset?",
              "A preset named " + quoted (name) + " already exists.\nDo you want to overwrite it?", { "Overwrite", "Cancel" } },
            { "delete", warning, "Delete Preset?", "Are you sure you want to delete " + quoted (name) + "?", { "Delete", "Cancel" } },
            { "renamed", juce::MessageBoxIconType::NoIcon, "Success",
              "Preset " + quoted (name) + " was renamed to " + quoted (name + "2") + ".", { "OK" } },
        };
    }
}

TEST (DialogLookAndFeelAlert, TextLaidOutAgainForTheWidthItIsGiven)
{
    for (const auto& [what, name] : dialog_text::longNames())
        for (const auto& content : dialogsNaming (name))
        {
            RecordingDialogLook look;
            Alert alert (look, content.icon, content.buttons, content.title, content.message);
            const auto natural = alert.window.getWidth();
            const auto height = juce::jmax (alert.window.getHeight(), 175);

            // As chosen, then narrowed to the smallest editors.
            for (const int width : { natural, 500, 403 })
            {
                if (width > natural)
                    continue;

                SCOPED_TRACE (juce::String (content.what) + ", " + what + ", width " + juce::String (width));
                look.placed.reset();
                alert.paint (width, height);
                ASSERT_TRUE (look.placed.has_value());
                dialog_text::expectInside (alert.window, *look.placed);
            }
        }
}

TEST (DialogLookAndFeelAlert, TextThatFitsIsPlacedAsTheAlertLaidItOut)
{
    // A dialog that was not narrowed, with a name that fits: the alert's own
    // layout, centred across its text area, a tenth of its height down.
    RecordingDialogLook look;
    Alert alert (look, juce::MessageBoxIconType::NoIcon, { "OK" }, "Success", "Preset \"Lead\" has been saved.");
    alert.paint (alert.window.getWidth(), 175);

    ASSERT_TRUE (look.placed.has_value() && look.given.has_value());
    const auto& given = *look.given;
    const auto area = look.givenArea.toFloat();

    EXPECT_EQ (look.placed->bounds, juce::Rectangle<float> (area.getX() + (area.getWidth() - given.getWidth()) * 0.5f,
                                                            area.getY() + 0.1f * area.getHeight(),
                                                            given.getWidth(), given.getHeight()));
    ASSERT_EQ (look.placed->layout.getNumLines(), given.getNumLines());
    for (int i = 0; i < given.getNumLines(); ++i)
        EXPECT_EQ (look.placed->layout.getLine (i).getLineBoundsX(), given.getLine (i).getLineBoundsX()) << i;
}

TEST (DialogLookAndFeelAlert, WarningLaidOutAsWithoutAnIcon)
{
    // The framework keeps room for a warning icon beside left-aligned text;
    // this look draws no icon, so the dialog is as wide as without one and its
    // lines are centred as they would be without one.
    for (const auto& name : { juce::String ("Lead"), dialog_text::longNames()[0].name })
        for (const auto& content : dialogsNaming (name))
        {
            if (content.icon == juce::MessageBoxIconType::NoIcon)
                continue;

            SCOPED_TRACE (juce::String (content.what) + " " + name);
            RecordingDialogLook warningLook, plainLook;
            Alert warning (warningLook, content.icon, content.buttons, content.title, content.message);
            Alert plain (plainLook, juce::MessageBoxIconType::NoIcon, content.buttons, content.title, content.message);

            const auto width = DialogLookAndFeel::getWidthWithoutIcon (warning.window);
            EXPECT_EQ (width, plain.window.getWidth());
            EXPECT_LE (width, warning.window.getWidth());

            warning.paint (width, plain.window.getHeight());
            plain.paint();
            ASSERT_TRUE (warningLook.placed.has_value() && plainLook.placed.has_value());

            const auto& a = *warningLook.placed;
            const auto& b = *plainLook.placed;
            EXPECT_NEAR (a.bounds.getX(), b.bounds.getX(), 0.5f);
            EXPECT_NEAR (a.bounds.getWidth(), b.bounds.getWidth(), 0.5f);
            ASSERT_EQ (a.layout.getNumLines(), b.layout.getNumLines());
            for (int i = 0; i < a.layout.getNumLines(); ++i)
            {
                EXPECT_NEAR (a.layout.getLine (i).getLineBoundsX().getStart(), b.layout.getLine (i).getLineBoundsX().getStart(), 0.5f) << i;
                EXPECT_EQ (a.layout.getLine (i).stringRange, b.layout.getLine (i).stringRange) << i;
            }

            dialog_text::expectInside (warning.window, a);
        }
}
