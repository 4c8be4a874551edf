#include "editor/EmberLashAudioProcessorEditor.h"

#include <cmath>

namespace
{
    // Whole pixels round halves away from zero; the overloads keep each step
    // in the precision it was worked in.
    int nearest (float value) noexcept    { return (int) std::round (value); }
    int nearest (double value) noexcept   { return (int) std::round (value); }

    struct WidthLimits
    {
        int minWidth, maxWidth;
    };

    WidthLimits widthLimitsFor (int displayWidth, const ProductInfo& info)
    {
        const auto maxW = juce::jmax (1, juce::jmin (displayWidth, nearest (info.maxWidth)));
        const auto minW = juce::jmax (1, juce::jmin (maxW, nearest (info.minWidth)));
        return { minW, maxW };
    }
}

//==============================================================================
EmberLashAudioProcessorEditor::EmberLashAudioProcessorEditor (EmberLashAudioProcessor& processorToEdit)
    : juce::AudioProcessorEditor (processorToEdit),
      gui (processorToEdit)
{
    menuBar.setPresettableProcessor (&static_cast<PresettableProcessor&> (processorToEdit));

    // The panel first, so the menu bar sits above it.
    addAndMakeVisible (gui);
    addAndMakeVisible (menuBar);

    updateEditorSize();
}

void EmberLashAudioProcessorEditor::paint (juce::Graphics&)
{
    // The menu bar and the panel cover the whole window.
}

void EmberLashAudioProcessorEditor::resized()
{
    const auto barHeight = menuBarHeightFor (getHeight(), productInfo);

    menuBar.setBounds (0, 0, getWidth(), barHeight);
    gui.setBounds (0, barHeight, getWidth(), getHeight() - barHeight);
}

//==============================================================================
EmberLashAudioProcessorEditor::Sizing EmberLashAudioProcessorEditor::computeSizing (juce::Rectangle<int> userArea,
                                                                                    const ProductInfo& info)
{
    const auto displayWidth = userArea.getWidth();
    const auto displayHeight = userArea.getHeight();

    const auto f = juce::jlimit (0.1f, 1.0f, info.defaultHeightFraction);
    const auto a = juce::jmax ((double) info.aspectRatio, 0.1);

    auto h = nearest ((float) displayHeight * f);
    auto w = juce::jmax (1, nearest ((double) juce::jmax (h, 1) * a));

    const auto limits = widthLimitsFor (displayWidth, info);

    if (w < limits.minWidth)
        w = limits.minWidth;
    else
        w = juce::jmin (w, limits.maxWidth);

    h = juce::jmax (1, nearest ((double) w / a));

    // Too low a display: keep the whole height and give up the minimum width.
    if (h > displayHeight)
    {
        h = displayHeight;
        w = juce::jmax (1, juce::jmin (displayWidth, nearest ((double) displayHeight * a)));
    }

    Sizing sizing;
    sizing.size = { 0, 0, w, h };
    sizing.minWidth = limits.minWidth;
    sizing.maxWidth = limits.maxWidth;
    sizing.minHeight = juce::jmax (1, nearest ((double) limits.minWidth / a));
    sizing.maxHeight = juce::jmax (sizing.minHeight, nearest ((double) limits.maxWidth / a));
    sizing.aspectRatio = a;
    return sizing;
}

int EmberLashAudioProcessorEditor::menuBarHeightFor (int editorHeight, const ProductInfo& info)
{
    return nearest ((float) editorHeight * info.menuBarHeightFraction);
}

juce::Rectangle<int> EmberLashAudioProcessorEditor::getDisplayUserArea() const
{
    const auto& displays = juce::Desktop::getInstance().getDisplays();

    if (const auto* display = displays.getDisplayForRect (getScreenBounds(), false))
        return display->userArea;

    if (const auto* primary = displays.getPrimaryDisplay())
        return primary->userArea;

    return displays.getTotalBounds (true);
}

juce::Rectangle<int> EmberLashAudioProcessorEditor::getDefaultEditorSize() const
{
    return computeSizing (getDisplayUserArea(), productInfo).size;
}

void EmberLashAudioProcessorEditor::updateEditorSize()
{
    const auto size = getDefaultEditorSize();

    // The limits follow from the display's width alone.
    const auto sizing = computeSizing (getDisplayUserArea(), productInfo);

    setResizeLimits (sizing.minWidth, sizing.minHeight, sizing.maxWidth, sizing.maxHeight);
    getConstrainer()->setFixedAspectRatio (sizing.aspectRatio);

    // Applied as it is: a display too low for the minimum keeps its own height.
    setSize (size.getWidth(), size.getHeight());
}
