#include "editor/EmberLashGUI.h"

#include "processor/NumberText.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace
{
    constexpr float pi = juce::MathConstants<float>::pi;
    constexpr float knobStartAngle = 1.2f * pi;
    constexpr float knobEndAngle = 2.8f * pi;
    constexpr float knobTravel = 1.6f * pi;

    // Pixel values made whole by the panel itself round halves away from zero.
    int roundHalfAway (float value) noexcept    { return (int) std::round (value); }
    int roundHalfAway (double value) noexcept   { return (int) std::round (value); }

    juce::Font boldFont (float height)    { return juce::Font (juce::FontOptions (height, juce::Font::bold)); }
    juce::Font plainFont (float height)   { return juce::Font (juce::FontOptions (height, juce::Font::plain)); }

    // The texts that a knob's value label shows at the ends of the knob's
    // range and one step below its top ("+12.0 dB", "199.99%").
    juce::StringArray getExtremeValueTexts (const juce::Slider& slider, juce::String (*format) (double))
    {
        return { format (slider.getMinimum()), format (slider.getMaximum()),
                 format (slider.getMaximum() - slider.getInterval()) };
    }

    float widestTextWidth (const juce::Font& font, const juce::StringArray& texts)
    {
        auto widest = 0.0f;

        for (const auto& text : texts)
            widest = juce::jmax (widest, juce::GlyphArrangement::getStringWidth (font, text));

        return widest;
    }

    // How far a label lets the framework squeeze its text; 0 stands for the framework's default.
    float minimumHorizontalScaleOf (const juce::Label& label)
    {
        const auto scale = label.getMinimumHorizontalScale();
        return scale > 0.0f ? scale : juce::Font::getDefaultMinimumHorizontalScaleFactor();
    }

    juce::PathStrokeType roundStroke (float thickness)
    {
        return { thickness, juce::PathStrokeType::curved, juce::PathStrokeType::rounded };
    }

    // Writes a value in the parameter's own units and tells the host; no gesture.
    void writeParameter (juce::AudioProcessorValueTreeState& state, const juce::String& id, float value)
    {
        if (auto* parameter = state.getParameter (id))
            parameter->setValueNotifyingHost (parameter->convertTo0to1 (value));
    }
}

//==============================================================================
juce::String formatDecibelText (double value)
{
    return (value > 0.0 ? "+" : "") + juce::String (value, 1) + " dB";
}

juce::String formatPercentText (double value)
{
    return juce::String (value, 0) + "%";
}

juce::String stripValueUnits (juce::String text)
{
    const auto decibels = text.indexOf ("dB");

    if (decibels >= 0)
        text = text.substring (0, decibels);

    const auto percent = text.indexOfChar ('%');

    if (percent >= 0)
        text = text.substring (0, percent);

    return text.removeCharacters (" \t");
}

//==============================================================================
EmberLashGUI::RotaryLookAndFeel::RotaryLookAndFeel (EmberLashGUI& ownerPanel) : owner (&ownerPanel) {}
EmberLashGUI::RotaryLookAndFeel::~RotaryLookAndFeel() = default;

EmberLashGUI::ModeButtonLookAndFeel::ModeButtonLookAndFeel (EmberLashGUI& ownerPanel) : owner (&ownerPanel) {}
EmberLashGUI::ModeButtonLookAndFeel::~ModeButtonLookAndFeel() = default;

EmberLashGUI::PowerButton::PowerButton (EmberLashGUI& ownerPanel)
    : juce::Button ("Power"), owner (&ownerPanel)
{
}

EmberLashGUI::PowerButton::~PowerButton() = default;

bool EmberLashGUI::PowerButton::takeUserClick() noexcept
{
    return std::exchange (userClickPending, false);
}

template <typename Delivery>
void EmberLashGUI::PowerButton::deliverUserClick (Delivery&& delivery)
{
    // The base class turns these events into its click callback synchronously;
    // toggle-state changes pushed by the attachment never pass through here.
    const juce::Component::SafePointer<PowerButton> self (this);

    // The attachment writes the toggle state back on every click. A change made
    // on another thread reaches the toggle state only later, asynchronously;
    // showing the parameter's state first keeps that write from undoing it, so
    // the click's only write is the handler's.
    setToggleState (owner->processor.isPowerOn(), juce::dontSendNotification);
    userClickPending = true;
    delivery();

    if (self != nullptr)
        userClickPending = false;
}

void EmberLashGUI::PowerButton::mouseDown (const juce::MouseEvent& e)
{
    deliverUserClick ([&] { juce::Button::mouseDown (e); });
}

void EmberLashGUI::PowerButton::mouseUp (const juce::MouseEvent& e)
{
    deliverUserClick ([&] { juce::Button::mouseUp (e); });
}

// triggerClick posts a command message; the Return key and the accessibility
// press action both arrive this way.
void EmberLashGUI::PowerButton::handleCommandMessage (int commandId)
{
    deliverUserClick ([&] { juce::Button::handleCommandMessage (commandId); });
}

EmberLashGUI::EditableValueLabel::EditableValueLabel() : juce::Label (juce::String(), juce::String()) {}
EmberLashGUI::EditableValueLabel::~EditableValueLabel() = default;

juce::TextEditor* EmberLashGUI::EditableValueLabel::createEditorComponent()
{
    auto* textEditor = new juce::TextEditor (juce::String(), 0);
    textEditor->setJustification (juce::Justification::centred);
    textEditor->setColour (juce::TextEditor::textColourId, findColour (juce::Label::textWhenEditingColourId));
    textEditor->setColour (juce::TextEditor::backgroundColourId, findColour (juce::Label::backgroundWhenEditingColourId));
    textEditor->setColour (juce::TextEditor::focusedOutlineColourId, findColour (juce::Label::outlineWhenEditingColourId));

    // The editor covers the label and starts with the label's text. Where its
    // own default font would cut that text, it takes the label's font instead,
    // squeezed where the text would not fit beside the indent (kept on the
    // right too, for the caret), and a lower top indent where the line would
    // not fit under it.
    const auto editorBorder = textEditor->getBorder();
    const auto leftIndent = textEditor->getLeftIndent();
    const auto room = (float) (getWidth() - editorBorder.getLeftAndRight() - 2 * leftIndent);
    const auto height = (float) (getHeight() - editorBorder.getTopAndBottom());
    const auto defaultFont = textEditor->getFont();

    if (defaultFont.getHeight() <= height - (float) textEditor->getTopIndent()
        && juce::GlyphArrangement::getStringWidth (defaultFont, getText()) <= room)
        return textEditor;

    const auto textWidth = juce::GlyphArrangement::getStringWidth (getFont(), getText());
    auto editorFont = getFont();

    if (textWidth > room && room > 0.0f)
        editorFont = editorFont.withHorizontalScale (editorFont.getHorizontalScale() * room / textWidth);

    const auto spareHeight = height - editorFont.getHeight();
    textEditor->setIndents (leftIndent, juce::jlimit (0, textEditor->getTopIndent(), (int) std::floor (spareHeight)));
    textEditor->setFont (editorFont);
    return textEditor;
}

void EmberLashGUI::EditableValueLabel::textWasEdited()
{
    if (onTextEdited)
        onTextEdited (getText());
}

//==============================================================================
EmberLashGUI::EmberLashGUI (EmberLashAudioProcessor& processorToUse)
    : processor (processorToUse),
      rotaryLookAndFeel (*this),
      modeButtonLookAndFeel (*this),
      powerButton (*this)
{
    for (auto* slider : getKnobSliders())
    {
        slider->setSliderStyle (juce::Slider::RotaryHorizontalVerticalDrag);
        slider->setTextBoxStyle (juce::Slider::NoTextBox, false, 0, 0);
        slider->setLookAndFeel (&rotaryLookAndFeel);
        addAndMakeVisible (*slider);
    }

    const auto editsOf = [this] (juce::Slider& slider)
    {
        return [this, &slider] (const juce::String& text) { applyValueLabelText (slider, text); };
    };

    setupValueLabel (tightValueLabel, editsOf (tightSlider));
    setupValueLabel (bodyValueLabel, editsOf (bodySlider));
    setupValueLabel (biteValueLabel, editsOf (biteSlider));
    setupValueLabel (fizzValueLabel, editsOf (fizzSlider));
    setupValueLabel (airValueLabel, editsOf (airSlider));
    setupValueLabel (widthValueLabel, editsOf (widthSlider));
    setupValueLabel (roomValueLabel, editsOf (roomSlider));
    setupValueLabel (mixValueLabel, editsOf (mixSlider));
    setupValueLabel (outputValueLabel, editsOf (outputSlider));

    for (auto* button : getModeButtons())
    {
        button->setLookAndFeel (&modeButtonLookAndFeel);
        button->setClickingTogglesState (false);
        addAndMakeVisible (*button);
    }

    addAndMakeVisible (powerButton);

    auto& state = processor.valueTreeState;
    tightAttachment  = std::make_unique<SliderAttachment> (state, "tight", tightSlider);
    bodyAttachment   = std::make_unique<SliderAttachment> (state, "body", bodySlider);
    biteAttachment   = std::make_unique<SliderAttachment> (state, "bite", biteSlider);
    fizzAttachment   = std::make_unique<SliderAttachment> (state, "fizz", fizzSlider);
    airAttachment    = std::make_unique<SliderAttachment> (state, "air", airSlider);
    widthAttachment  = std::make_unique<SliderAttachment> (state, "width", widthSlider);
    roomAttachment   = std::make_unique<SliderAttachment> (state, "room", roomSlider);
    mixAttachment    = std::make_unique<SliderAttachment> (state, "mix", mixSlider);
    outputAttachment = std::make_unique<SliderAttachment> (state, "output", outputSlider);
    powerAttachment  = std::make_unique<ButtonAttachment> (state, "power", powerButton);

    // Installed after the attachments: the power attachment's first update
    // notifies synchronously and would otherwise reach the handler.
    cleanButton.onClick  = [this] { writeParameter (processor.valueTreeState, "mode", 0.0f); };
    rockButton.onClick   = [this] { writeParameter (processor.valueTreeState, "mode", 1.0f); };
    modernButton.onClick = [this] { writeParameter (processor.valueTreeState, "mode", 2.0f); };

    // The attachment also runs onClick whenever "power" changes elsewhere (a
    // preset, automation from another thread); only a user's click writes.
    powerButton.onClick = [this]
    {
        if (powerButton.takeUserClick())
            writeParameter (processor.valueTreeState, "power", processor.isPowerOn() ? 0.0f : 1.0f);
    };

    cleanButton.setButtonText ("CLEAN");
    rockButton.setButtonText ("ROCK");
    modernButton.setButtonText ("MODERN");

    updateValueLabels();
    shownLevels = readMeterLevels();
    shownPowerOn = processor.isPowerOn();
    startTimer (33);
}

EmberLashGUI::~EmberLashGUI()
{
    for (auto* slider : getKnobSliders())
        slider->setLookAndFeel (nullptr);

    for (auto* button : getModeButtons())
        button->setLookAndFeel (nullptr);
}

std::array<juce::Slider*, 9> EmberLashGUI::getKnobSliders() noexcept
{
    return { &tightSlider, &bodySlider, &biteSlider, &fizzSlider, &airSlider,
             &widthSlider, &roomSlider, &mixSlider, &outputSlider };
}

std::array<juce::TextButton*, 3> EmberLashGUI::getModeButtons() noexcept
{
    return { &cleanButton, &rockButton, &modernButton };
}

//==============================================================================
void EmberLashGUI::timerCallback()
{
    const auto mode = processor.getMode();
    cleanButton.setToggleState (mode == 0, juce::dontSendNotification);
    rockButton.setToggleState (mode == 1, juce::dontSendNotification);
    modernButton.setToggleState (mode == 2, juce::dontSendNotification);

    updateValueLabels();
    repaintChangedMeters();
}

EmberLashGUI::MeterLevels EmberLashGUI::readMeterLevels() const
{
    const auto meters = processor.readMeters();
    return { (meters.input[0] + meters.input[1]) * 0.5f, (meters.output[0] + meters.output[1]) * 0.5f, meters.clip };
}

// The controls repaint themselves when their state, text or value changes.
// The panel's own picture changes with the power state, which greys it all,
// and with the levels, of which only the lit segments and the clip fill show.
// A tick where neither changed repaints nothing.
void EmberLashGUI::repaintChangedMeters()
{
    const auto on = processor.isPowerOn();
    const auto levels = readMeterLevels();

    if (on != shownPowerOn)
    {
        repaint();
    }
    else
    {
        // Each area holds every shape that is drawn live for its level.
        if (countLitSegments (levels.in, on) != countLitSegments (shownLevels.in, on))
            repaint (getLevelMeterWell (inMeterArea).getSmallestIntegerContainer());

        if (countLitSegments (levels.out, on) != countLitSegments (shownLevels.out, on))
            repaint (getLevelMeterWell (outMeterArea).getSmallestIntegerContainer());

        if (! juce::exactlyEqual (getClipFill (levels.clip, on), getClipFill (shownLevels.clip, on)))
            repaint (getClipBarRepaintArea());
    }

    shownLevels = levels;
    shownPowerOn = on;
}

void EmberLashGUI::setupValueLabel (EditableValueLabel& label, std::function<void (const juce::String&)> callback)
{
    label.onTextEdited = std::move (callback);
    label.setJustificationType (juce::Justification::centred);
    label.setEditable (true, true, false);
    label.setColour (juce::Label::backgroundColourId, juce::Colour (0x00000000));
    label.setColour (juce::Label::backgroundWhenEditingColourId, juce::Colour (0xff1a1816));
    label.setColour (juce::Label::outlineColourId, juce::Colour (0x00000000));
    label.setColour (juce::Label::outlineWhenEditingColourId, accentColour3.withAlpha ((juce::uint8) 0xd9));
    label.setColour (juce::Label::textWhenEditingColourId, juce::Colour (0xffffecd0));
    addAndMakeVisible (label);
}

void EmberLashGUI::setValueLabelText (EditableValueLabel& label, const juce::String& text)
{
    if (! label.isBeingEdited())
        label.setText (text, juce::dontSendNotification);

    label.setVisible (processor.isPowerOn());
    label.setColour (juce::Label::textColourId, accentColour1);
}

void EmberLashGUI::updateValueLabels()
{
    setValueLabelText (tightValueLabel, formatDecibelText (tightSlider.getValue()));
    setValueLabelText (bodyValueLabel, formatDecibelText (bodySlider.getValue()));
    setValueLabelText (biteValueLabel, formatDecibelText (biteSlider.getValue()));
    setValueLabelText (fizzValueLabel, formatDecibelText (fizzSlider.getValue()));
    setValueLabelText (airValueLabel, formatDecibelText (airSlider.getValue()));
    setValueLabelText (widthValueLabel, formatPercentText (widthSlider.getValue()));
    setValueLabelText (roomValueLabel, formatPercentText (roomSlider.getValue()));
    setValueLabelText (mixValueLabel, formatPercentText (mixSlider.getValue()));
    setValueLabelText (outputValueLabel, formatDecibelText (outputSlider.getValue()));
}

void EmberLashGUI::applyValueLabelText (juce::Slider& slider, juce::String text)
{
    const auto cleaned = stripValueUnits (std::move (text));

    if (cleaned.isNotEmpty())
    {
        auto value = NumberText::read (cleaned);

        // "nan" passes both range comparisons; it is ignored like an empty text.
        if (! std::isnan (value))
        {
            value = value < slider.getMinimum() ? slider.getMinimum() : juce::jmin (value, slider.getMaximum());
            slider.setValue (value, juce::sendNotificationSync);
        }
    }

    updateValueLabels();
}

//==============================================================================
float EmberLashGUI::computeScale() const
{
    const auto width = (float) getWidth();
    const auto height = (float) getHeight();
    return juce::jlimit (0.72f, 1.12f, juce::jmin (height / 760.0f, width / 1100.0f));
}

void EmberLashGUI::resized()
{
    staticLayer = {};

    const auto s = computeScale();
    const auto W = (float) getWidth();
    const auto H = (float) getHeight();

    auto content = getLocalBounds().toFloat().reduced (0.028f * W, 0.03f * H);
    headerArea = content.removeFromTop (0.11f * content.getHeight());

    const auto meterWidth = juce::jlimit (90.0f * s, 124.0f * s, 0.103f * content.getWidth());
    const auto meterColumn = content.removeFromRight (meterWidth);
    content.removeFromRight (0.012f * W);

    const auto row1Area = content.removeFromTop (0.51f * content.getHeight());
    content.removeFromTop (0.012f * H);
    row2Area = content.removeFromTop (0.6f * content.getHeight());
    content.removeFromTop (0.01f * H);
    modeArea = content;

    // Cell, button and meter widths clamp at 0 like every other cut, so a
    // panel too small for its gaps gets empty rectangles, never negative ones.
    auto a1 = row1Area.reduced (0.036f * row1Area.getWidth(), 0.04f * row1Area.getHeight());
    const auto g1 = juce::jmax (0.014f * a1.getWidth(), 8.0f * s);
    const auto c1 = juce::jmax (0.0f, (a1.getWidth() - 4.0f * g1) / 5.0f);

    for (auto& cell : row1Cells)
    {
        cell = a1.removeFromLeft (c1);
        a1.removeFromLeft (g1);
    }

    const std::array<juce::Slider*, 5> row1Sliders { &tightSlider, &bodySlider, &biteSlider, &fizzSlider, &airSlider };

    for (size_t i = 0; i < row1Sliders.size(); ++i)
        row1Sliders[i]->setBounds (getKnobBounds (row1Cells[i], false).toNearestInt());

    auto a2 = row2Area.reduced (0.032f * row2Area.getWidth(), 0.08f * row2Area.getHeight());
    const auto g2 = juce::jmax (0.026f * a2.getWidth(), 10.0f * s);
    const auto c2 = juce::jmax (0.0f, (a2.getWidth() - 3.0f * g2) * 0.25f);

    for (auto& cell : row2Cells)
    {
        cell = a2.removeFromLeft (c2);
        a2.removeFromLeft (g2);
    }

    const std::array<juce::Slider*, 4> row2Sliders { &widthSlider, &roomSlider, &mixSlider, &outputSlider };

    for (size_t i = 0; i < row2Sliders.size(); ++i)
        row2Sliders[i]->setBounds (getKnobBounds (row2Cells[i], true).toNearestInt());

    const auto boxLeft = juce::jmin (row2Cells.front().getX(), row1Cells.front().getX()) - 16.0f * s;
    const auto boxRight = juce::jmax (row2Cells.back().getRight(), row1Cells.back().getRight()) + 16.0f * s;
    row1Box = { boxLeft, row1Cells.front().getY() - 10.0f * s,
                boxRight - boxLeft, row1Cells.front().getHeight() + 15.5f * s };
    row2Box = { boxLeft, row2Cells.front().getY() - 8.0f * s,
                boxRight - boxLeft, row2Cells.front().getHeight() + 18.0f * s };

    auto b = modeArea.reduced (0.05f * modeArea.getWidth(), 0.28f * modeArea.getHeight());
    const auto gb = juce::jmax (0.015f * b.getWidth(), 8.0f * s);
    const auto bw = juce::jmax (0.0f, (b.getWidth() - 2.0f * gb) / 3.0f);

    for (auto* button : getModeButtons())
    {
        button->setBounds (b.removeFromLeft (bw).toNearestInt());
        b.removeFromLeft (gb);
    }

    modeBox = modeArea.reduced (0.0f, 2.0f);

    auto m2 = meterColumn.reduced (0.12f * meterColumn.getWidth(), 0.11f * meterColumn.getHeight());
    const auto gm = juce::jmax (0.16f * m2.getWidth(), 6.0f * s);
    const auto mw = juce::jmax (0.0f, (m2.getWidth() - gm) / 2.0f);
    inMeterArea = m2.removeFromLeft (mw);
    m2.removeFromLeft (gm);
    outMeterArea = m2.removeFromLeft (mw);

    clipBarArea = { meterColumn.getX() + 0.08f * meterColumn.getWidth(), meterColumn.getBottom() - 38.0f * s,
                    0.84f * meterColumn.getWidth(), 16.0f * s };

    // The bar's place is sized by the scale, which stops shrinking long before
    // the meters do: in a low panel its label, and then the bar itself, reach
    // up into the meters' wells. There both go down, by whole pixels, until
    // they keep apart from the wells (each outline reaches half a pixel out).
    const auto wells = getLevelMeterWell (inMeterArea).getUnion (getLevelMeterWell (outMeterArea)).expanded (0.5f);
    const auto rows = juce::jmax (rowsToMoveApart (wells, getClipLabel().getInk()),
                                  rowsToMoveApart (wells, clipBarArea.expanded (0.5f)));
    clipBarArea.translate (0.0f, (float) rows);

    powerButton.setBounds (juce::roundToInt (headerArea.getRight() - 70.0f * s),
                           juce::roundToInt (headerArea.getY() + 0.02f * headerArea.getHeight()),
                           juce::roundToInt (54.0f * s),
                           juce::roundToInt (54.0f * s));

    layoutValueLabel (tightValueLabel, row1Cells[0], false, getExtremeValueTexts (tightSlider, formatDecibelText));
    layoutValueLabel (bodyValueLabel, row1Cells[1], false, getExtremeValueTexts (bodySlider, formatDecibelText));
    layoutValueLabel (biteValueLabel, row1Cells[2], false, getExtremeValueTexts (biteSlider, formatDecibelText));
    layoutValueLabel (fizzValueLabel, row1Cells[3], false, getExtremeValueTexts (fizzSlider, formatDecibelText));
    layoutValueLabel (airValueLabel, row1Cells[4], false, getExtremeValueTexts (airSlider, formatDecibelText));
    layoutValueLabel (widthValueLabel, row2Cells[0], true, getExtremeValueTexts (widthSlider, formatPercentText));
    layoutValueLabel (roomValueLabel, row2Cells[1], true, getExtremeValueTexts (roomSlider, formatPercentText));
    layoutValueLabel (mixValueLabel, row2Cells[2], true, getExtremeValueTexts (mixSlider, formatPercentText));
    layoutValueLabel (outputValueLabel, row2Cells[3], true, getExtremeValueTexts (outputSlider, formatDecibelText));
}

juce::Rectangle<float> EmberLashGUI::getKnobBounds (juce::Rectangle<float> cell, bool isRow2) const
{
    const auto top = isRow2 ? 0.16f : 0.11f;
    const auto bottom = isRow2 ? 0.16f : 0.17f;
    const auto sides = isRow2 ? 0.14f : 0.11f;

    auto area = cell;
    area.removeFromTop (top * cell.getHeight());
    area.removeFromBottom (bottom * cell.getHeight());
    area = area.reduced (sides * cell.getWidth(), 0.0f);

    const auto size = juce::jmin (area.getWidth(), area.getHeight());
    return area.withSizeKeepingCentre (size, size);
}

void EmberLashGUI::layoutValueLabel (EditableValueLabel& label, juce::Rectangle<float> cell, bool isRow2,
                                     const juce::StringArray& valueTexts)
{
    const auto s = computeScale();
    const auto knob = getKnobBounds (cell, isRow2);

    const auto height = roundHalfAway ((isRow2 ? 22.0f : 24.0f) * s);
    const auto y = roundHalfAway (knob.getBottom() + (isRow2 ? 2.0f : 4.0f) * s);

    label.setFont (boldFont ((isRow2 ? 16.5f : 18.0f) * s));

    const auto cellX = (double) cell.getX();
    const auto cellWidth = (double) cell.getWidth();
    auto width = roundHalfAway (0.6 * cellWidth);
    auto x = roundHalfAway (cellX + 0.2 * cellWidth);

    // The label squeezes a text too wide for it, down to the framework's
    // minimum scale, and cuts it beyond that. Where its widest value would be
    // cut, it widens about its centre, as far as its cell, to just hold it.
    const auto border = label.getLookAndFeel().getLabelBorderSize (label).getLeftAndRight();
    const auto needed = border + (int) std::floor (widestTextWidth (label.getFont(), valueTexts)
                                                   * minimumHorizontalScaleOf (label)) + 1;

    if (needed > width)
    {
        width = juce::jmin (needed, (int) cellWidth);
        x = roundHalfAway (cellX + 0.5 * (cellWidth - (double) width));
    }

    label.setBounds (x, y, width, height);
}

//==============================================================================
// Painting. The background, header, section boxes, meter frames, captions and
// the knobs' bases (all of a knob but its value arc and pointer) change only
// with the size, the power state, the scale and the look-and-feel. They are
// rendered once into the static layer, an image at the target's physical
// scale, which each frame draws before the meter levels; the sliders then
// draw only their values. Of the layer's parts, only the OUT meter's frame and
// the captions come after a level in the direct painting order, and neither
// shares a pixel with one.
namespace
{
    struct KnobCaptionText
    {
        const char* title;
        const char* subtitle;
    };

    // tight, body, bite, fizz, air in the first row; width, room, mix, output in the second.
    constexpr std::array<KnobCaptionText, 9> knobCaptions { {
        { "TIGHT", "Tighten lows" }, { "BODY", "Add low-mid weight" }, { "BITE", "Bring cut forward" },
        { "FIZZ", "Tame hash" }, { "AIR", "Open the top" },
        { "WIDTH", "" }, { "ROOM", "" }, { "MIX", "" }, { "OUTPUT", "" },
    } };
}

bool EmberLashGUI::StaticLayerKey::operator== (const StaticLayerKey& other) const noexcept
{
    return juce::exactlyEqual (scale, other.scale) && offset == other.offset && powerOn == other.powerOn
        && knobAreas == other.knobAreas;
}

void EmberLashGUI::lookAndFeelChanged()
{
    // The default typeface comes from the look-and-feel, and the layout
    // measures text in it; laying out again also drops the static layer.
    resized();
}

void EmberLashGUI::paint (juce::Graphics& g)
{
    // Power is read once, so that the layer and the levels agree with the key.
    // The levels are those of the last tick, which repainted what they change.
    const auto on = processor.isPowerOn();
    const auto& levels = shownLevels;

    const auto scale = g.getInternalContext().getPhysicalPixelScaleFactor();
    const StaticLayerKey key { scale, getDeviceOffset (scale), on, getKnobAreas() };

    lastPaintUsedStaticLayer = staticLayerEnabled && key.scale > 0.0f && ! getLocalBounds().isEmpty();
    knobBasesPainted = lastPaintUsedStaticLayer;

    if (lastPaintUsedStaticLayer)
    {
        drawStaticLayer (g, key);
        drawMeterLevels (g, levels, on);
        return;
    }

    drawBackground (g);
    drawHeader (g, on);
    drawSectionBoxes (g);
    drawMeters (g, levels, on);
    drawKnobCaptions (g, on);
}

// The children have been painted: a later paint of a slider on its own must
// draw its whole knob.
void EmberLashGUI::paintOverChildren (juce::Graphics&)
{
    knobBasesPainted = false;
}

// At a fractional scale the panel's origin, below the menu bar, can fall
// between device pixels. The window's own origin lies on one, so the fraction
// follows from where the panel sits in it.
juce::Point<float> EmberLashGUI::getDeviceOffset (float scale) const
{
    const auto* top = getTopLevelComponent();
    auto scaleBelowTop = 1.0f;

    for (const auto* c = static_cast<const juce::Component*> (this); c != top; c = c->getParentComponent())
        scaleBelowTop *= std::sqrt (std::abs (c->getTransform().getDeterminant()));

    const auto origin = top->getLocalPoint (this, juce::Point<float>()) * (scale / scaleBelowTop);
    return { origin.x - std::floor (origin.x), origin.y - std::floor (origin.y) };
}

void EmberLashGUI::drawStaticLayer (juce::Graphics& g, const StaticLayerKey& key)
{
    if (! staticLayer.isValid() || key != staticLayerKey)
    {
        staticLayer = juce::Image (juce::Image::RGB,
                                   juce::jmax (1, (int) std::ceil ((float) getWidth() * key.scale + key.offset.x)),
                                   juce::jmax (1, (int) std::ceil ((float) getHeight() * key.scale + key.offset.y)),
                                   true);
        staticLayerKey = key;

        juce::Graphics layer (staticLayer);
        layer.addTransform (juce::AffineTransform::scale (key.scale).translated (key.offset));
        drawStaticParts (layer, key);
    }

    // An image is drawn at the opacity of the current fill, which this paint
    // inherits. One layer pixel goes to one device pixel, so the pixels are
    // copied, not resampled, wherever the device offset was found right.
    g.setOpacity (1.0f);
    g.drawImageTransformed (staticLayer, juce::AffineTransform::translation (-key.offset).scaled (1.0f / key.scale));
}

void EmberLashGUI::drawStaticParts (juce::Graphics& g, const StaticLayerKey& key)
{
    drawBackground (g);
    drawHeader (g, key.powerOn);
    drawSectionBoxes (g);
    drawLevelMeterFrame (g, inMeterArea, "IN", key.powerOn);
    drawLevelMeterFrame (g, outMeterArea, "OUT", key.powerOn);
    drawKnobCaptions (g, key.powerOn);

    // As the framework paints a slider after the panel: clipped to it, with
    // the origin moved to it.
    const auto sliders = getKnobSliders();

    for (size_t i = 0; i < sliders.size(); ++i)
    {
        if (key.knobAreas[i].isEmpty())
            continue;

        const auto position = sliders[i]->getPosition();
        const juce::Graphics::ScopedSaveState saved (g);
        g.reduceClipRegion (sliders[i]->getBounds());
        g.setOrigin (position);
        RotaryLookAndFeel::drawKnobBase (g, RotaryLookAndFeel::getKnobGeometry (key.knobAreas[i] - position));
    }
}

// The CLIP label is drawn with its bar, whose fill follows the clip level.
void EmberLashGUI::drawMeterLevels (juce::Graphics& g, const MeterLevels& levels, bool on)
{
    drawLevelMeterSegments (g, inMeterArea, levels.in, on);
    drawLevelMeterSegments (g, outMeterArea, levels.out, on);
    drawClipBar (g, levels.clip, on);
}

std::array<juce::Rectangle<int>, 9> EmberLashGUI::getKnobAreas()
{
    std::array<juce::Rectangle<int>, 9> areas {};
    const auto sliders = getKnobSliders();

    for (size_t i = 0; i < sliders.size(); ++i)
        if (sliders[i]->isVisible())
            areas[i] = rotaryLookAndFeel.getSliderLayout (*sliders[i]).sliderBounds + sliders[i]->getPosition();

    return areas;
}

bool EmberLashGUI::isKnobBaseUnder (const juce::Slider& slider)
{
    if (! knobBasesPainted)
        return false;

    const auto sliders = getKnobSliders();
    const auto index = (size_t) std::distance (sliders.begin(), std::find (sliders.begin(), sliders.end(), &slider));
    return index < sliders.size() && ! staticLayerKey.knobAreas[index].isEmpty();
}

void EmberLashGUI::drawBackground (juce::Graphics& g)
{
    const auto W = (float) getWidth();
    const auto H = (float) getHeight();

    g.setGradientFill (juce::ColourGradient (juce::Colour (0xff0c0a08), 0.0f, 0.0f,
                                             juce::Colour (0xff13100c), 0.0f, H, false));
    g.fillAll();

    const auto inset = getLocalBounds().toFloat().reduced (0.012f * W, 0.02f * H);
    g.setColour (juce::Colour (0xff14110e));
    g.fillRoundedRectangle (inset, 18.0f);
    g.setColour (juce::Colour (0x1cffffff));
    g.drawRoundedRectangle (inset, 18.0f, 1.0f);
}

EmberLashGUI::HeaderTexts EmberLashGUI::getHeaderTexts() const
{
    const auto s = computeScale();

    PanelText title { "EMBERLASH", boldFont (0.44f * headerArea.getHeight()), headerArea.toNearestInt(),
                      juce::Justification::centredLeft };

    const auto x = (int) ((double) (int) headerArea.getX() + 0.023 * (double) getWidth());
    const auto y = roundHalfAway (headerArea.getBottom() - 25.0f * s);
    const auto width = (int) headerArea.getWidth();
    const auto height = roundHalfAway (20.0f * s);
    PanelText subtitle { "GUITAR CAB FINISHER", plainFont (0.23f * headerArea.getHeight()), { x, y, width, height },
                         juce::Justification::centredLeft };

    // The subtitle's strip is sized by the scale, which stops shrinking long
    // before the header does: in a low header it reaches up into the title.
    // There the title is centred higher, by whole pixels, until the two inks
    // keep apart.
    const auto rows = rowsToMoveApart (title.getInk(), subtitle.getInk());
    title.area = title.area.withTrimmedBottom (2 * rows);

    return { title, subtitle };
}

void EmberLashGUI::drawHeader (juce::Graphics& g, bool on)
{
    const auto texts = getHeaderTexts();

    g.setColour (on ? juce::Colour (0xffece4d8) : juce::Colour (0xffa6a29c));
    texts.title.draw (g);

    g.setColour (on ? accentColour1 : juce::Colour (0xff84807a));
    texts.subtitle.draw (g);
}

void EmberLashGUI::drawSectionBoxes (juce::Graphics& g)
{
    drawSectionBox (g, row1Box, 16.0f);
    drawSectionBox (g, row2Box, 16.0f);
    drawSectionBox (g, modeBox, 14.0f);
}

void EmberLashGUI::drawSectionBox (juce::Graphics& g, juce::Rectangle<float> area, float cornerSize)
{
    g.setGradientFill (juce::ColourGradient (juce::Colour (0xff14110e), area.getX(), area.getY(),
                                             juce::Colour (0xff0d0b0a), area.getX(), area.getBottom(), false));
    g.fillRoundedRectangle (area, cornerSize);

    g.setColour (juce::Colour (0x0effffff));
    g.drawRoundedRectangle (area, cornerSize, 1.0f);

    g.setColour (accentColour2.withAlpha ((juce::uint8) 0x1a));
    g.drawRoundedRectangle (area.reduced (1.5f), cornerSize - 1.0f, 1.0f);
}

void EmberLashGUI::drawMeters (juce::Graphics& g, const MeterLevels& levels, bool on)
{
    drawLevelMeterFrame (g, inMeterArea, "IN", on);
    drawLevelMeterSegments (g, inMeterArea, levels.in, on);
    drawLevelMeterFrame (g, outMeterArea, "OUT", on);
    drawLevelMeterSegments (g, outMeterArea, levels.out, on);
    drawClipBar (g, levels.clip, on);
}

// The well: below the label strip, narrower than the meter.
juce::Rectangle<float> EmberLashGUI::getLevelMeterWell (juce::Rectangle<float> area) const
{
    const auto areaWidth = area.getWidth();
    area.removeFromTop (20.0f * computeScale());
    return area.reduced (0.16f * areaWidth, 0.0f);
}

// The label strip: the top of the meter.
PanelText EmberLashGUI::getMeterLabel (juce::Rectangle<float> area, const juce::String& label) const
{
    const auto s = computeScale();
    return { label, boldFont (14.5f * s), area.removeFromTop (20.0f * s).toNearestInt(), juce::Justification::centred };
}

void EmberLashGUI::drawLevelMeterFrame (juce::Graphics& g, juce::Rectangle<float> area, const juce::String& label, bool on)
{
    const auto well = getLevelMeterWell (area);

    g.setColour (on ? juce::Colour (0xffe8e0d4) : juce::Colour (0xff96928c));
    getMeterLabel (area, label).draw (g);

    g.setColour (juce::Colour (0xff0a0a0c));
    g.fillRoundedRectangle (well, 6.0f);
    g.setColour (juce::Colours::white.withAlpha ((juce::uint8) (on ? 0x16 : 0x12)));
    g.drawRoundedRectangle (well, 6.0f, 1.0f);
}

// The segments light from the bottom, each at its own threshold; with power off none.
int EmberLashGUI::countLitSegments (float level, bool on) noexcept
{
    int lit = 0;

    while (on && lit < 12 && level >= (float) (lit + 1) / 12.0f - 0.06f)
        ++lit;

    return lit;
}

void EmberLashGUI::drawLevelMeterSegments (juce::Graphics& g, juce::Rectangle<float> area, float level, bool on)
{
    const auto s = computeScale();
    const auto well = getLevelMeterWell (area);
    const auto innerHeight = juce::jmax (well.getHeight() - 8.0f * s, 0.0f);
    const auto gap = 2.2f * s;
    const auto segmentHeight = juce::jmax ((innerHeight - 11.0f * gap) / 12.0f, 0.0f);
    const auto segmentWidth = juce::jmax (well.getWidth() - 8.0f * s, 0.0f);
    const auto base = well.getY() + 4.0f * s + innerHeight;
    const auto unlitAlpha = (juce::uint8) juce::roundToInt ((on ? 0.2f : 0.16f) * 255.0f);
    const auto lit = countLitSegments (level, on);

    for (int i = 0; i < 12; ++i)
    {
        auto colour = juce::Colour (0xff52504c);

        if (on)
            colour = i < 6 ? accentColour2 : (i < 9 ? accentColour1 : accentColour3);

        if (i >= lit)
            colour = colour.withAlpha (unlitAlpha);

        g.setColour (colour);
        g.fillRoundedRectangle (well.getX() + 4.0f * s, base - (float) (i + 1) * segmentHeight - (float) i * gap,
                                segmentWidth, segmentHeight, 2.0f);
    }
}

// Just above the bar.
PanelText EmberLashGUI::getClipLabel() const
{
    const auto s = computeScale();
    return { "CLIP", boldFont (11.5f * s),
             { (int) clipBarArea.getX(), roundHalfAway (clipBarArea.getY() - 13.0f * s),
               (int) clipBarArea.getWidth(), roundHalfAway (12.0f * s) },
             juce::Justification::centred };
}

// The share of the bar's inner width that the fill covers. Written so that a
// not-a-number level gives an empty fill, not a NaN width.
float EmberLashGUI::getClipFill (float clipLevel, bool on) noexcept
{
    return on && clipLevel > 0.0f ? juce::jmin (clipLevel, 1.0f) : 0.0f;
}

// The bar with its outline, and the CLIP label above it.
juce::Rectangle<int> EmberLashGUI::getClipBarRepaintArea() const
{
    const auto label = getClipLabel();
    return clipBarArea.expanded (1.0f).getUnion (label.getInk().expanded (1.0f)).getSmallestIntegerContainer()
               .getUnion (label.area);
}

void EmberLashGUI::drawClipBar (juce::Graphics& g, float clipLevel, bool on)
{
    const auto s = computeScale();

    g.setColour (on ? juce::Colour (0xffd6d6d6) : juce::Colour (0xff96928c));
    getClipLabel().draw (g);

    g.setColour (juce::Colour (0xff181412));
    g.fillRoundedRectangle (clipBarArea, 6.0f);
    g.setColour (juce::Colours::white.withAlpha ((juce::uint8) (on ? 0x14 : 0x12)));
    g.drawRoundedRectangle (clipBarArea, 6.0f, 1.0f);

    const auto fraction = getClipFill (clipLevel, on);
    g.setColour (on ? accentColour1 : juce::Colour (0xff605e5a));
    g.fillRoundedRectangle (clipBarArea.getX() + 7.0f * s, clipBarArea.getY() + 4.0f * s,
                            juce::jmax (clipBarArea.getWidth() - 14.0f * s, 0.0f) * fraction,
                            juce::jmax (clipBarArea.getHeight() - 8.0f * s, 0.0f), 4.0f);
}

// The title just above the knob square, across the cell; the subtitle in a
// box from 22 s below it.
EmberLashGUI::CaptionTexts EmberLashGUI::getCaptionTexts (juce::Rectangle<float> cell, const juce::String& title,
                                                          const juce::String& subtitle) const
{
    const auto s = computeScale();
    const auto hasSubtitle = subtitle.isNotEmpty();
    const auto knob = getKnobBounds (cell, ! hasSubtitle);
    const auto compact = cell.getHeight() < 132.0f * s;
    const auto x = roundHalfAway (cell.getX());
    const auto width = roundHalfAway (cell.getWidth());

    return { { title, boldFont ((compact ? 14.5f : 16.5f) * s),
               { x, roundHalfAway (knob.getY() - (hasSubtitle ? 18.0f : 16.0f) * s), width, roundHalfAway (19.0f * s) },
               juce::Justification::centred },
             { subtitle, plainFont ((compact ? 11.0f : 12.5f) * s),
               { x, roundHalfAway (knob.getBottom() + 22.0f * s), width, roundHalfAway ((compact ? 22.0f : 26.0f) * s) },
               juce::Justification::centredTop } };
}

std::array<EmberLashGUI::CaptionTexts, 9> EmberLashGUI::getKnobCaptionTexts() const
{
    std::array<CaptionTexts, 9> captions;

    for (size_t i = 0; i < knobCaptions.size(); ++i)
    {
        const auto cell = i < row1Cells.size() ? row1Cells[i] : row2Cells[i - row1Cells.size()];
        captions[i] = getCaptionTexts (cell, knobCaptions[i].title, knobCaptions[i].subtitle);
    }

    return captions;
}

void EmberLashGUI::drawKnobCaptions (juce::Graphics& g, bool on)
{
    for (const auto& caption : getKnobCaptionTexts())
        drawKnobCaption (g, caption, on);
}

void EmberLashGUI::drawKnobCaption (juce::Graphics& g, const CaptionTexts& caption, bool on)
{
    g.setColour (on ? juce::Colour (0xffece4d8) : juce::Colour (0xffa09c96));
    caption.title.draw (g);

    if (caption.subtitle.text.isEmpty())
        return;

    g.setColour (on ? juce::Colour (0xff948e86) : juce::Colour (0xff706d68));
    caption.subtitle.draw (g);
}

//==============================================================================
EmberLashGUI::RotaryLookAndFeel::KnobGeometry EmberLashGUI::RotaryLookAndFeel::getKnobGeometry (juce::Rectangle<int> area)
{
    const auto width = area.getWidth();
    const auto height = area.getHeight();

    KnobGeometry knob {};
    const auto size = (float) juce::jmin (width, height);
    const auto inset = 0.08f * (float) width;
    knob.d = juce::jmax (size - 2.0f * inset, 0.0f);
    knob.x0 = (float) area.getX() + ((float) width - size) / 2.0f + inset;
    knob.y0 = (float) area.getY() + ((float) height - size) / 2.0f + inset;
    knob.cx = knob.x0 + knob.d / 2.0f;
    knob.cy = knob.y0 + knob.d / 2.0f;
    knob.capSize = juce::jmax (knob.d - 0.24f * knob.d, 0.0f);
    knob.capX = knob.x0 + 0.12f * knob.d;
    knob.capY = knob.y0 + 0.12f * knob.d;
    knob.radius = 0.48f * knob.d;
    return knob;
}

void EmberLashGUI::RotaryLookAndFeel::drawRotarySlider (juce::Graphics& g, int x, int y, int width, int height,
                                                        float sliderPosProportional, float, float, juce::Slider& slider)
{
    const juce::Rectangle<int> area (x, y, width, height);
    const auto knob = getKnobGeometry (area);

    // The panel may already have put this knob's base under it, from its static layer.
    if (! owner->isKnobBaseUnder (slider))
        drawKnobBase (g, knob);

    drawKnobValue (g, knob, sliderPosProportional);
}

void EmberLashGUI::RotaryLookAndFeel::drawKnobBase (juce::Graphics& g, const KnobGeometry& knob)
{
    const auto [x0, y0, d, cx, cy, capX, capY, capSize, radius] = knob;

    g.setColour (juce::Colour (0x4c000000));
    g.fillEllipse (x0, y0 + 0.05f * d, d, d);

    g.setGradientFill (juce::ColourGradient (juce::Colour (0xff6a5636), x0, y0,
                                             juce::Colour (0xff161412), x0 + d, y0 + d, false));
    g.fillEllipse (x0, y0, d, d);

    g.setGradientFill (juce::ColourGradient (juce::Colour (0xff302a23), capX, capY,
                                             juce::Colour (0xff0a0a0c), capX, capY + capSize, false));
    g.fillEllipse (capX, capY, capSize, capSize);

    juce::Path track;
    track.addCentredArc (cx, cy, radius, radius, 0.0f, knobStartAngle, knobEndAngle, true);
    g.setColour (juce::Colour (0xff463e34));
    g.strokePath (track, roundStroke (0.033f * d));
}

void EmberLashGUI::RotaryLookAndFeel::drawKnobValue (juce::Graphics& g, const KnobGeometry& knob, float sliderPosProportional)
{
    const auto on = owner->processor.isPowerOn();
    const auto x0 = knob.x0, y0 = knob.y0, d = knob.d, cx = knob.cx, cy = knob.cy;
    const auto radius = knob.radius;

    const auto angle = knobStartAngle + sliderPosProportional * knobTravel;

    juce::Path value;
    value.addCentredArc (cx, cy, radius, radius, 0.0f, knobStartAngle, angle, true);

    if (on)
    {
        const juce::ColourGradient gradient (owner->accentColour2, x0, y0 + d, owner->accentColour3, x0 + d, y0, false);
        g.setGradientFill (gradient);
        g.setOpacity (0.16f);
        g.strokePath (value, roundStroke (0.074f * d));
        g.setOpacity (1.0f);
        g.setGradientFill (gradient);
        g.strokePath (value, roundStroke (0.028f * d));
    }
    else
    {
        g.setColour (juce::Colour (0xff7e7a76));
        g.strokePath (value, roundStroke (0.028f * d));
    }

    juce::Path pointer;
    pointer.addRoundedRectangle (-1.8f, -0.34f * knob.capSize, 3.6f, 0.34f * knob.capSize, 1.2f, 1.2f,
                                 true, true, true, true);
    g.setColour (on ? juce::Colour (0xfff0e8dc) : juce::Colour (0x59f0e8dc));
    g.fillPath (pointer, juce::AffineTransform::rotation (angle).translated (cx, cy));
}

bool EmberLashGUI::ModeButtonLookAndFeel::isSelected (const juce::Button& button) const
{
    return owner->processor.isPowerOn() && button.getToggleState();
}

void EmberLashGUI::ModeButtonLookAndFeel::drawButtonBackground (juce::Graphics& g, juce::Button& button,
                                                                const juce::Colour&, bool shouldDrawButtonAsHighlighted,
                                                                bool shouldDrawButtonAsDown)
{
    const auto selected = isSelected (button);
    const auto area = button.getLocalBounds().toFloat().reduced (0.5f);

    juce::Colour base (0xff101010);

    if (selected)
        base = owner->accentColour1.darker (0.45f);
    else if (shouldDrawButtonAsDown)
        base = juce::Colour (0xff252525);
    else if (shouldDrawButtonAsHighlighted)
        base = juce::Colour (0xff1b1b1b);

    g.setGradientFill (juce::ColourGradient (base.brighter (0.1f), 0.5f, 0.5f,
                                             base.darker (0.15f), 0.5f, 0.5f + area.getHeight(), false));
    g.fillRoundedRectangle (area, 8.0f);

    if (selected)
        g.setColour (owner->accentColour3);
    else
        g.setColour (shouldDrawButtonAsHighlighted ? juce::Colour (0x2affffff) : juce::Colour (0x1cffffff));

    g.drawRoundedRectangle (area, 8.0f, 1.0f);
}

void EmberLashGUI::ModeButtonLookAndFeel::drawButtonText (juce::Graphics& g, juce::TextButton& button, bool, bool)
{
    g.setColour (isSelected (button) ? owner->accentColour3.brighter (0.1f) : juce::Colour (0xffa6a29c));

    const auto height = 16.5f * owner->computeScale();
    g.setFont (button.getToggleState() ? boldFont (height) : plainFont (height));
    g.drawFittedText (button.getButtonText(), 0, 0, button.getWidth(), button.getHeight(),
                      juce::Justification::centred, 1, 0.0f);
}

void EmberLashGUI::PowerButton::paintButton (juce::Graphics& g, bool shouldDrawButtonAsHighlighted,
                                             bool shouldDrawButtonAsDown)
{
    const auto s = owner->computeScale();
    const auto rw = juce::jmax ((float) getWidth() - 2.0f, 0.0f);
    const auto rh = juce::jmax ((float) getHeight() - 2.0f, 0.0f);
    const juce::Rectangle<float> area (1.0f, 1.0f, rw, rh);

    if (shouldDrawButtonAsDown)
        g.setColour (juce::Colour (0xff272523));
    else
        g.setColour (shouldDrawButtonAsHighlighted ? juce::Colour (0xff1d1b19) : juce::Colour (0xff12100e));

    g.fillRoundedRectangle (area, 10.0f * s);

    g.setColour (shouldDrawButtonAsHighlighted ? juce::Colour (0x2affffff) : juce::Colour (0x1cffffff));
    g.drawRoundedRectangle (area, 10.0f * s, 1.0f);

    const auto toggled = getToggleState();
    auto symbolColour = toggled ? juce::Colour (0xffffebaa) : juce::Colour (0xff767676);

    if (shouldDrawButtonAsHighlighted)
        symbolColour = symbolColour.brighter (0.06f);

    if (shouldDrawButtonAsDown)
        symbolColour = symbolColour.brighter (0.12f);

    const auto cx = 1.0f + rw / 2.0f;
    const auto cy = 1.0f + rh / 2.0f;
    const auto ringRadius = 0.24f * rw;

    juce::Path symbol;
    symbol.addCentredArc (cx, cy, ringRadius, ringRadius, 0.0f, 0.24f * pi, 1.76f * pi, true);
    symbol.startNewSubPath (cx, cy - ringRadius - 0.04f * rh);
    symbol.lineTo (cx, cy - 0.06f * rh);

    if (toggled)
    {
        g.setColour (symbolColour.withAlpha ((juce::uint8) 0x33));
        g.strokePath (symbol, roundStroke (4.8f * s));
    }

    g.setColour (symbolColour);
    g.strokePath (symbol, roundStroke (2.0f * s));
}
