#pragma once

#include "tests/ColourAssertions.h"

#include <gtest/gtest.h>

#include <juce_gui_basics/juce_gui_basics.h>

#include "editor/MenuBar.h"
#include "processor/PresettableProcessor.h"
#include "tests/TestSupport.h"

#include <cmath>
#include <cstdlib>
#include <utility>

// Reaches the menu bar's private parts for the tests.
struct MenuBarTestAccess
{
    explicit MenuBarTestAccess (MenuBar& menuBar) : bar (menuBar) {}

    IconButton& presetButton()                    { return bar.presetButton; }
    IconButton& saveButton()                      { return bar.saveButton; }
    MenuBarLookAndFeel& menuLookAndFeel()         { return bar.menuLookAndFeel; }
    DialogLookAndFeel& dialogLookAndFeel()        { return bar.dialogLookAndFeel; }
    PresettableProcessor* presettable() const     { return bar.presettable; }
    juce::Colour backgroundColour() const         { return bar.backgroundColour; }

    void tick()                                   { bar.timerCallback(); }
    bool timerRunning() const                     { return bar.isTimerRunning(); }
    int timerInterval() const                     { return bar.getTimerInterval(); }

    template <typename Action>
    auto guardedCallback (MenuBar::Completion kind, Action action)
    {
        return bar.guardedCallback (kind, std::move (action));
    }

    template <typename Owned, typename Action>
    auto guardedCallback (MenuBar::Completion kind, std::unique_ptr<Owned> owned, Action action)
    {
        return bar.guardedCallback (kind, std::move (owned), std::move (action));
    }

    MenuBar& bar;
};

namespace window_test
{
    // A preset interface whose display name the test chooses.
    struct FakePresettable final : PresettableProcessor
    {
        juce::StringArray getFactoryPresetNames() override          { return {}; }
        juce::StringArray getUserPresetNames() override             { return {}; }
        void loadFactoryPreset (const juce::String&) override       {}
        bool saveUserPreset (const juce::String&) override          { return false; }
        bool loadUserPreset (const juce::String&) override          { return false; }
        bool deleteUserPreset (const juce::String&) override        { return false; }
        bool renameUserPreset (const juce::String&, const juce::String&) override { return false; }
        juce::String getCurrentPresetName() override                { return displayName; }
        juce::String getCurrentPresetDisplayName() override         { ++displayNameCalls; return displayName; }
        bool isCurrentPresetUser() override                         { return false; }
        bool isCurrentPresetModified() override                     { return false; }
        void setCurrentPreset (const juce::String&, bool, bool) override {}

        juce::String displayName { "Presets" };
        int displayNameCalls = 0;
    };

    // "  ▾" as the menu bar appends it: two blanks and U+25BE.
    inline juce::String menuMark()
    {
        return juce::String::fromUTF8 ("  \xe2\x96\xbe");
    }

    inline juce::File renderDirectory()
    {
        return juce::File (EMBERLASH_RENDER_DIR);
    }

    // Saves an image for a person to look at; a failed save fails the test.
    inline void save (const juce::Image& image, const juce::String& name)
    {
        ASSERT_TRUE (renderDirectory().createDirectory().wasOk());
        auto file = renderDirectory().getChildFile (name + ".png");
        file.deleteFile();

        juce::FileOutputStream stream (file);
        ASSERT_TRUE (stream.openedOk());
        ASSERT_TRUE (juce::PNGImageFormat().writeImageToStream (image, stream));
    }

    inline juce::Image blankImage (int width, int height)
    {
        return juce::Image (juce::Image::ARGB, width, height, true, juce::SoftwareImageType());
    }

    using testing_support::near;

    // Horizontal extent of the pixels in an area for which a test holds; an
    // empty range when none does.
    template <typename Test>
    juce::Range<int> columnsWhere (const juce::Image& image, juce::Rectangle<int> area, Test&& test)
    {
        int left = area.getRight(), right = area.getX() - 1;

        for (int y = area.getY(); y < area.getBottom(); ++y)
            for (int x = area.getX(); x < area.getRight(); ++x)
                if (test (image.getPixelAt (x, y)))
                {
                    left = juce::jmin (left, x);
                    right = juce::jmax (right, x);
                }

        return right < left ? juce::Range<int>() : juce::Range<int> (left, right + 1);
    }

    // Vertical extent, likewise.
    template <typename Test>
    juce::Range<int> rowsWhere (const juce::Image& image, juce::Rectangle<int> area, Test&& test)
    {
        int top = area.getBottom(), bottom = area.getY() - 1;

        for (int y = area.getY(); y < area.getBottom(); ++y)
            for (int x = area.getX(); x < area.getRight(); ++x)
                if (test (image.getPixelAt (x, y)))
                {
                    top = juce::jmin (top, y);
                    bottom = juce::jmax (bottom, y);
                }

        return bottom < top ? juce::Range<int>() : juce::Range<int> (top, bottom + 1);
    }

    inline bool isInked (juce::Colour c)  { return c.getAlpha() > 0; }
    inline bool isBright (juce::Colour c) { return c.getBrightness() > 0.5f; }
}
