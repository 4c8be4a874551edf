#pragma once

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <bitset>
#include <functional>
#include <memory>
#include <optional>

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

    void layoutValueLabel (EditableValueLabel& label, juce::Rectangle<float> cell, bool isRow2);

    // The panel's own drawing, in painting order. Only the meter segments and
    // the clip fill change from frame to frame; the rest changes with the
    // size and the power state alone.
    enum PaintPart : size_t
    {
        backgroundPart, headerPart, sectionBoxesPart,
        inMeterFramePart, inSegmentsPart, outMeterFramePart, outSegmentsPart,
        clipLabelPart, clipBarPart, clipFillPart,
        firstCaptionPart,
        numPaintParts = firstCaptionPart + 9
    };

    using PaintParts = std::bitset<numPaintParts>;

    struct MeterLevels
    {
        float in = 0.0f, out = 0.0f, clip = 0.0f;
    };

    // One line of text as drawText places it.
    struct TextPlacement
    {
        juce::String text;
        juce::Font font;
        juce::Rectangle<int> area;
        juce::Justification justification;
        bool useEllipses;
    };

    struct LevelMeterLayout
    {
        juce::Rectangle<float> labelStrip, well;
        float segmentX, segmentWidth, segmentHeight, gap, base;

        juce::Rectangle<float> getSegment (int index) const;
    };

    // A knob whose base is part of the static layer: the slider's bounds in
    // the panel and the area that the slider draws the knob into.
    struct KnobBase
    {
        juce::Rectangle<int> bounds, sliderArea;

        bool operator== (const KnobBase& other) const noexcept
        {
            return bounds == other.bounds && sliderArea == other.sliderArea;
        }
    };

    using KnobBases = std::array<KnobBase, 9>;

    // The unchanging parts of the panel, rendered once for one size, power
    // state, pixel format and device offset of the target.
    struct StaticLayerKey
    {
        juce::Point<int> deviceOffset;
        juce::Image::PixelFormat format = juce::Image::UnknownFormat;
        int width = 0, height = 0;
        bool powerOn = false;

        bool operator== (const StaticLayerKey& other) const noexcept;
        bool operator!= (const StaticLayerKey& other) const noexcept   { return ! operator== (other); }
    };

    struct StaticLayer
    {
        StaticLayerKey key;
        juce::Image image;                  // the panel's pixels, at imagePosition in the panel
        juce::Point<int> imagePosition;
        KnobBases knobBases {};
        juce::uint64 lastUse = 0;
    };

    // Which parts are drawn over the static layer, and the pixels each part
    // may touch; both follow from the layout alone.
    struct LiveParts
    {
        PaintParts parts;
        std::array<juce::Rectangle<int>, numPaintParts> footprints;
    };

    // Where a frame's static layer put knob bases: in the target that this
    // context renders into, for the sliders painted after the panel.
    struct KnobBasesInTarget
    {
        const juce::LowLevelGraphicsContext* context = nullptr;
        const juce::ImagePixelData* image = nullptr;
        juce::Point<int> deviceOffset;
        KnobBases knobBases {};
    };

    void paintParts (juce::Graphics& g, PaintParts parts, const MeterLevels& levels);
    bool paintFromStaticLayer (juce::Graphics& g, const MeterLevels& levels);
    StaticLayer* buildStaticLayer (const StaticLayerKey& key, StaticLayer& layer);
    void discardStaticLayers();
    const LiveParts& getLiveParts();
    KnobBases findKnobBases();
    bool isKnobBaseInTarget (juce::Graphics& g, const juce::Slider& slider, juce::Rectangle<int> sliderArea);
    juce::Rectangle<int> getPartFootprint (size_t part) const;
    bool isPowerOnForPainting() const;

    void drawBackground (juce::Graphics& g);
    void drawHeader (juce::Graphics& g);
    void drawSectionBox (juce::Graphics& g, juce::Rectangle<float> area, float cornerSize);
    void drawMeters (juce::Graphics& g, PaintParts parts, const MeterLevels& levels);
    void drawLevelMeterFrame (juce::Graphics& g, juce::Rectangle<float> area, const juce::String& label);
    void drawLevelMeterSegments (juce::Graphics& g, juce::Rectangle<float> area, float level);
    void drawKnobCaptions (juce::Graphics& g, PaintParts parts);
    void drawKnobCaption (juce::Graphics& g, juce::Rectangle<float> cell,
                          const juce::String& title, const juce::String& subtitle);

    LevelMeterLayout getLevelMeterLayout (juce::Rectangle<float> area) const;
    TextPlacement getLevelMeterLabel (juce::Rectangle<float> area, const juce::String& label) const;
    TextPlacement getClipLabel() const;
    juce::Rectangle<float> getClipFill (float fraction) const;
    std::pair<TextPlacement, TextPlacement> getKnobCaption (size_t index) const;
    juce::Rectangle<float> getCaptionCell (size_t index) const;
    std::pair<TextPlacement, TextPlacement> getKnobCaption (juce::Rectangle<float> cell, const juce::String& title,
                                                            const juce::String& subtitle) const;

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

    // Two layers, so that frames alternating between two targets (the whole
    // window and the panel alone) both find theirs.
    std::array<StaticLayer, 2> staticLayers;
    std::array<StaticLayerKey, 2> staticLayerCandidates {};   // keys seen once, newest first
    std::optional<LiveParts> liveParts;                       // for the current layout
    std::optional<KnobBasesInTarget> knobBasesInTarget;       // from this paint until the children are done
    std::optional<bool> powerForStaticLayer;                  // while a layer is being rendered
    juce::uint64 paintCount = 0;
    bool staticLayerEnabled = true;
    bool lastPaintUsedStaticLayer = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (EmberLashGUI)
};
