#pragma once

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <functional>
#include <memory>

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

    private:
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

    void setupValueLabel (EditableValueLabel& label, std::function<void (const juce::String&)> callback);
    void setValueLabelText (EditableValueLabel& label, const juce::String& text);
    void updateValueLabels();
    void applyValueLabelText (juce::Slider& slider, juce::String text);

    void layoutValueLabel (EditableValueLabel& label, juce::Rectangle<float> cell, bool isRow2);

    void drawHeader (juce::Graphics& g);
    void drawSectionBox (juce::Graphics& g, juce::Rectangle<float> area, float cornerSize);
    void drawMeters (juce::Graphics& g);
    void drawLevelMeter (juce::Graphics& g, juce::Rectangle<float> area, float level, const juce::String& label);
    void drawKnobCaptions (juce::Graphics& g);
    void drawKnobCaption (juce::Graphics& g, juce::Rectangle<float> cell,
                          const juce::String& title, const juce::String& subtitle);

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

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (EmberLashGUI)
};
