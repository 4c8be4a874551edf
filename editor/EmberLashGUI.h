#pragma once

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <functional>
#include <memory>

#include "editor/PanelText.h"
#include "processor/EmberLashAudioProcessor.h"

// Value texts of the knobs and the clean-up of a typed value.
juce::String formatDecibelText (double value);
juce::String formatPercentText (double value);
juce::String stripValueUnits (juce::String text);

//==============================================================================
// The main panel: knobs, mode and power buttons, value labels and meters.
class EmberLashGUI : public juce::Component,
                     private juce::Timer
{
public:
    explicit EmberLashGUI (EmberLashAudioProcessor& processorToUse);
    ~EmberLashGUI() override;

    void paint (juce::Graphics& g) override;
    void resized() override;

    float computeScale() const;
    juce::Rectangle<float> getKnobBounds (juce::Rectangle<float> cell, bool isRow2) const;

    //==========================================================================
    class RotaryLookAndFeel : public juce::LookAndFeel_V4
    {
    public:
        explicit RotaryLookAndFeel (EmberLashGUI& ownerPanel);
        ~RotaryLookAndFeel() override;

        void drawRotarySlider (juce::Graphics& g, int x, int y, int width, int height,
                               float sliderPosProportional, float rotaryStartAngle,
                               float rotaryEndAngle, juce::Slider& slider) override;

        // The knob's square and cap in the area that the slider draws into.
        struct KnobGeometry
        {
            float x0, y0, d, cx, cy, capX, capY, capSize, radius;
        };

        static KnobGeometry getKnobGeometry (juce::Rectangle<int> area);

        // Shadow, body, cap and track: everything of a knob that does not
        // depend on its value or the power state.
        static void drawKnobBase (juce::Graphics& g, const KnobGeometry& knob);

    private:
        void drawKnobValue (juce::Graphics& g, const KnobGeometry& knob, float sliderPosProportional);

        EmberLashGUI* owner;
    };

    class ModeButtonLookAndFeel : public juce::LookAndFeel_V4
    {
    public:
        explicit ModeButtonLookAndFeel (EmberLashGUI& ownerPanel);
        ~ModeButtonLookAndFeel() override;

        void drawButtonBackground (juce::Graphics& g, juce::Button& button,
                                   const juce::Colour& backgroundColour,
                                   bool shouldDrawButtonAsHighlighted,
                                   bool shouldDrawButtonAsDown) override;
        void drawButtonText (juce::Graphics& g, juce::TextButton& button,
                             bool shouldDrawButtonAsHighlighted,
                             bool shouldDrawButtonAsDown) override;

    private:
        bool isSelected (const juce::Button& button) const;

        EmberLashGUI* owner;
    };

    class PowerButton : public juce::Button
    {
    public:
        explicit PowerButton (EmberLashGUI& ownerPanel);
        ~PowerButton() override;

        void paintButton (juce::Graphics& g, bool shouldDrawButtonAsHighlighted,
                          bool shouldDrawButtonAsDown) override;

        // True once for a click that a user started (mouse, Return key,
        // accessibility press); the flag is spent by the first caller, so the
        // click's own echo through the attachment reads false.
        bool takeUserClick() noexcept;

        void mouseDown (const juce::MouseEvent& e) override;
        void mouseUp (const juce::MouseEvent& e) override;
        void handleCommandMessage (int commandId) override;

    private:
        template <typename Delivery>
        void deliverUserClick (Delivery&& delivery);

        EmberLashGUI* owner;
        bool userClickPending = false;
    };

    class EditableValueLabel : public juce::Label
    {
    public:
        EditableValueLabel();
        ~EditableValueLabel() override;

        std::function<void (const juce::String&)> onTextEdited;

    protected:
        juce::TextEditor* createEditorComponent() override;
        void textWasEdited() override;
    };

private:
    friend struct EmberLashGUITestAccess;

    void timerCallback() override;
    void lookAndFeelChanged() override;
    void paintOverChildren (juce::Graphics& g) override;

    void setupValueLabel (EditableValueLabel& label, std::function<void (const juce::String&)> callback);
    void setValueLabelText (EditableValueLabel& label, const juce::String& text);
    void updateValueLabels();
    void applyValueLabelText (juce::Slider& slider, juce::String text);

    // valueTexts: the texts the label may show at the ends of its knob's range.
    void layoutValueLabel (EditableValueLabel& label, juce::Rectangle<float> cell, bool isRow2,
                           const juce::StringArray& valueTexts);

    // The panel's own texts, where the painting routines draw them.
    struct HeaderTexts
    {
        PanelText title, subtitle;
    };

    struct CaptionTexts
    {
        PanelText title, subtitle;   // no subtitle text in the second row
    };

    HeaderTexts getHeaderTexts() const;
    PanelText getMeterLabel (juce::Rectangle<float> area, const juce::String& label) const;
    PanelText getClipLabel() const;
    CaptionTexts getCaptionTexts (juce::Rectangle<float> cell, const juce::String& title,
                                  const juce::String& subtitle) const;
    std::array<CaptionTexts, 9> getKnobCaptionTexts() const;

    // Painting. What changes only with the size, the power state, the scale
    // and the look-and-feel is rendered once into the static layer; the meter
    // levels, as the last tick read them, are drawn over it.
    struct MeterLevels
    {
        float in = 0.0f, out = 0.0f, clip = 0.0f;   // IN and OUT: the mean of both channels
    };

    MeterLevels readMeterLevels() const;
    void repaintChangedMeters();
    juce::Rectangle<int> getClipBarRepaintArea() const;
    static int countLitSegments (float level, bool on) noexcept;
    static float getClipFill (float clipLevel, bool on) noexcept;

    // What the static layer was rendered for. A knob area (where a visible
    // slider draws its knob, in panel coordinates) says that the layer holds
    // that knob's base.
    struct StaticLayerKey
    {
        float scale = 0.0f;
        juce::Point<float> offset;   // of the panel's origin into its first device pixel
        bool powerOn = false;
        std::array<juce::Rectangle<int>, 9> knobAreas {};

        bool operator== (const StaticLayerKey& other) const noexcept;
        bool operator!= (const StaticLayerKey& other) const noexcept   { return ! operator== (other); }
    };

    juce::Point<float> getDeviceOffset (float scale) const;
    void drawStaticLayer (juce::Graphics& g, const StaticLayerKey& key);
    void drawStaticParts (juce::Graphics& g, const StaticLayerKey& key);
    void drawMeterLevels (juce::Graphics& g, const MeterLevels& levels, bool on);
    std::array<juce::Rectangle<int>, 9> getKnobAreas();
    bool isKnobBaseUnder (const juce::Slider& slider);

    void drawBackground (juce::Graphics& g);
    void drawHeader (juce::Graphics& g, bool on);
    void drawSectionBoxes (juce::Graphics& g);
    void drawSectionBox (juce::Graphics& g, juce::Rectangle<float> area, float cornerSize);
    void drawMeters (juce::Graphics& g, const MeterLevels& levels, bool on);
    void drawLevelMeterFrame (juce::Graphics& g, juce::Rectangle<float> area, const juce::String& label, bool on);
    void drawLevelMeterSegments (juce::Graphics& g, juce::Rectangle<float> area, float level, bool on);
    void drawClipBar (juce::Graphics& g, float clipLevel, bool on);
    void drawKnobCaptions (juce::Graphics& g, bool on);
    void drawKnobCaption (juce::Graphics& g, const CaptionTexts& caption, bool on);

    juce::Rectangle<float> getLevelMeterWell (juce::Rectangle<float> area) const;

    std::array<juce::Slider*, 9> getKnobSliders() noexcept;
    std::array<juce::TextButton*, 3> getModeButtons() noexcept;

    //==========================================================================
    EmberLashAudioProcessor& processor;

    RotaryLookAndFeel rotaryLookAndFeel;
    ModeButtonLookAndFeel modeButtonLookAndFeel;
    PowerButton powerButton;

    juce::Slider tightSlider, bodySlider, biteSlider, fizzSlider, airSlider,
                 widthSlider, roomSlider, mixSlider, outputSlider;

    juce::TextButton cleanButton, rockButton, modernButton;

    EditableValueLabel tightValueLabel, bodyValueLabel, biteValueLabel, fizzValueLabel, airValueLabel,
                       widthValueLabel, roomValueLabel, mixValueLabel, outputValueLabel;

    using SliderAttachment = juce::AudioProcessorValueTreeState::SliderAttachment;
    using ButtonAttachment = juce::AudioProcessorValueTreeState::ButtonAttachment;

    std::unique_ptr<SliderAttachment> tightAttachment, bodyAttachment, biteAttachment, fizzAttachment,
                                      airAttachment, widthAttachment, roomAttachment, mixAttachment,
                                      outputAttachment;
    std::unique_ptr<ButtonAttachment> powerAttachment;

    juce::Rectangle<float> headerArea, row2Area, modeArea;
    std::array<juce::Rectangle<float>, 5> row1Cells {};
    std::array<juce::Rectangle<float>, 4> row2Cells {};
    juce::Rectangle<float> inMeterArea, outMeterArea, clipBarArea, row1Box, row2Box, modeBox;

    const juce::Colour accentColour1 { 0xffff911a };
    const juce::Colour accentColour2 { 0xffff5c10 };
    const juce::Colour accentColour3 { 0xffffc03a };

    // The levels that the meters show and the power state, as the last tick
    // read them.
    MeterLevels shownLevels;
    bool shownPowerOn = false;

    juce::Image staticLayer;                 // at staticLayerKey.scale device pixels to a panel pixel
    StaticLayerKey staticLayerKey;
    bool knobBasesPainted = false;           // by this paint, for the sliders painted after it
    bool staticLayerEnabled = true;          // off in tests and benchmarks that draw everything
    bool lastPaintUsedStaticLayer = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (EmberLashGUI)
};
