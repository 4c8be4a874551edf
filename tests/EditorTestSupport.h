#pragma once

#include <gtest/gtest.h>

#include "editor/EmberLashGUI.h"
#include "tests/TestSupport.h"

#include <atomic>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

// Reaches the panel's private controls and layout for the tests.
struct EmberLashGUITestAccess
{
    explicit EmberLashGUITestAccess (EmberLashGUI& panel) : gui (panel) {}

    juce::Slider& slider (size_t index)                         { return *gui.getKnobSliders()[index]; }
    juce::TextButton& modeButton (size_t index)                 { return *gui.getModeButtons()[index]; }
    EmberLashGUI::PowerButton& powerButton()                    { return gui.powerButton; }

    EmberLashGUI::EditableValueLabel& label (size_t index)
    {
        std::array<EmberLashGUI::EditableValueLabel*, 9> labels {
            &gui.tightValueLabel, &gui.bodyValueLabel, &gui.biteValueLabel, &gui.fizzValueLabel,
            &gui.airValueLabel, &gui.widthValueLabel, &gui.roomValueLabel, &gui.mixValueLabel,
            &gui.outputValueLabel };
        return *labels[index];
    }

    void tick()                       { gui.timerCallback(); }
    bool timerRunning() const         { return gui.isTimerRunning(); }
    int timerInterval() const         { return gui.getTimerInterval(); }

    // The panel copies its unchanging parts from a layer that it renders once.
    void setStaticLayerEnabled (bool enabled)   { gui.staticLayerEnabled = enabled; }
    bool paintedFromStaticLayer() const         { return gui.lastPaintUsedStaticLayer; }

    juce::Rectangle<float> headerArea() const       { return gui.headerArea; }
    juce::Rectangle<float> row2Area() const         { return gui.row2Area; }
    juce::Rectangle<float> modeArea() const         { return gui.modeArea; }
    juce::Rectangle<float> row1Cell (size_t i) const { return gui.row1Cells[i]; }
    juce::Rectangle<float> row2Cell (size_t i) const { return gui.row2Cells[i]; }
    juce::Rectangle<float> inMeterArea() const      { return gui.inMeterArea; }
    juce::Rectangle<float> outMeterArea() const     { return gui.outMeterArea; }
    juce::Rectangle<float> clipBarArea() const      { return gui.clipBarArea; }
    juce::Rectangle<float> row1Box() const          { return gui.row1Box; }
    juce::Rectangle<float> row2Box() const          { return gui.row2Box; }
    juce::Rectangle<float> modeBox() const          { return gui.modeBox; }

    // A meter's well, without its outline.
    juce::Rectangle<float> meterWell (juce::Rectangle<float> meterArea) const { return gui.getLevelMeterWell (meterArea); }

    struct NamedText
    {
        std::string name;
        PanelText text;
    };

    // The panel's own texts, as its painting routines draw them.
    std::vector<NamedText> panelTexts() const
    {
        const auto header = gui.getHeaderTexts();
        std::vector<NamedText> texts { { "title", header.title }, { "subtitle", header.subtitle },
                                       { "IN", gui.getMeterLabel (gui.inMeterArea, "IN") },
                                       { "OUT", gui.getMeterLabel (gui.outMeterArea, "OUT") },
                                       { "CLIP", gui.getClipLabel() } };

        for (const auto& caption : gui.getKnobCaptionTexts())
        {
            texts.push_back ({ "caption " + caption.title.text.toStdString(), caption.title });

            if (caption.subtitle.text.isNotEmpty())
                texts.push_back ({ "subtitle " + caption.title.text.toStdString(), caption.subtitle });
        }

        return texts;
    }

    EmberLashGUI& gui;
};

namespace editor_test
{
    enum Knob : size_t { tight, body, bite, fizz, air, width, room, mix, output };
    enum Mode : size_t { clean, rock, modern };

    inline void setPlain (EmberLashAudioProcessor& p, const juce::String& id, float plain)
    {
        auto* parameter = p.valueTreeState.getParameter (id);
        ASSERT_NE (parameter, nullptr) << id;
        parameter->setValueNotifyingHost (parameter->convertTo0to1 (plain));
    }

    // Publishes meter levels as the processor does after a block: IN and OUT
    // alike on both channels.
    inline void publishLevels (EmberLashAudioProcessor& p, float in, float out, float clip)
    {
        p.inputLevel[0] = in;
        p.inputLevel[1] = in;
        p.outputLevel[0] = out;
        p.outputLevel[1] = out;
        p.clipLevel = clip;
    }

    // Where two renders of one size differ: how many pixels, and the largest
    // difference in any channel with the first pixel that shows it.
    struct ImageDifference
    {
        int differing = 0, worst = 0;
        juce::Point<int> worstAt;
    };

    inline ImageDifference compareImages (const juce::Image& actual, const juce::Image& expected)
    {
        const juce::Image::BitmapData a (actual, juce::Image::BitmapData::readOnly);
        const juce::Image::BitmapData e (expected, juce::Image::BitmapData::readOnly);
        ImageDifference difference;

        for (int y = 0; y < actual.getHeight(); ++y)
            for (int x = 0; x < actual.getWidth(); ++x)
            {
                const auto p = a.getPixelColour (x, y), q = e.getPixelColour (x, y);
                const auto distance = juce::jmax (std::abs (p.getRed() - q.getRed()), std::abs (p.getGreen() - q.getGreen()),
                                                  std::abs (p.getBlue() - q.getBlue()), std::abs (p.getAlpha() - q.getAlpha()));
                if (distance == 0)
                    continue;

                ++difference.differing;

                if (distance > difference.worst)
                {
                    difference.worst = distance;
                    difference.worstAt = { x, y };
                }
            }

        return difference;
    }

    // Counts every value notification that a parameter sends to its listeners.
    struct WriteCounter final : juce::AudioProcessorParameter::Listener
    {
        WriteCounter (EmberLashAudioProcessor& p, const juce::String& id)
            : parameter (p.valueTreeState.getParameter (id))
        {
            parameter->addListener (this);
        }

        ~WriteCounter() override { parameter->removeListener (this); }

        void parameterValueChanged (int, float) override { ++count; }
        void parameterGestureChanged (int, bool) override {}

        juce::AudioProcessorParameter* parameter;
        std::atomic<int> count { 0 };
    };

    inline juce::String charactersOf (juce::GlyphArrangement glyphs)
    {
        juce::String characters;

        for (int i = 0; i < glyphs.getNumGlyphs(); ++i)
            characters += juce::String::charToString (glyphs.getGlyph (i).getCharacter());

        return characters;
    }

    // A value label's text where the framework's label drawing puts it, in
    // the panel's coordinates.
    inline juce::GlyphArrangement valueLabelGlyphs (juce::Label& label)
    {
        const auto area = label.getLookAndFeel().getLabelBorderSize (label).subtractedFrom (label.getBounds()).toFloat();
        juce::GlyphArrangement glyphs;
        glyphs.addFittedText (label.getFont(), label.getText(), area.getX(), area.getY(), area.getWidth(),
                              area.getHeight(), label.getJustificationType(),
                              juce::jmax (1, (int) (area.getHeight() / label.getFont().getHeight())),
                              label.getMinimumHorizontalScale());
        return glyphs;
    }

    // A processor with the panel at a given size; nothing is on screen.
    struct PanelFixture : testing::Test
    {
        void createPanel (int width = 1100, int height = 760)
        {
            panel = std::make_unique<EmberLashGUI> (processor);
            panel->setSize (width, height);
            access = std::make_unique<EmberLashGUITestAccess> (*panel);
        }

        // Puts the panel in a window of its own: keyboard focus, label editors
        // and mouse input need a component that is showing.
        void showOnDesktop()
        {
            panel->addToDesktop (0);
            panel->setVisible (true);
        }

        void TearDown() override
        {
            access.reset();
            panel.reset();
        }

        EmberLashAudioProcessor processor;
        std::unique_ptr<EmberLashGUI> panel;
        std::unique_ptr<EmberLashGUITestAccess> access;
    };
}
