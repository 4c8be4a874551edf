#pragma once

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include "editor/EmberLashGUI.h"
#include "editor/MenuBar.h"
#include "processor/EmberLashAudioProcessor.h"
#include "processor/ProductInfo.h"

//==============================================================================
// The plug-in window: the menu bar on top of the main panel, sized once from
// the display it opens on, resizable by the host at a fixed aspect ratio.
class EmberLashAudioProcessorEditor : public juce::AudioProcessorEditor
{
public:
    explicit EmberLashAudioProcessorEditor (EmberLashAudioProcessor& processorToEdit);

    void paint (juce::Graphics& g) override;
    void resized() override;

    // The window's initial size and resize limits for a display's user area.
    struct Sizing
    {
        juce::Rectangle<int> size;
        int minWidth = 1, minHeight = 1, maxWidth = 1, maxHeight = 1;
        double aspectRatio = 1.0;
    };

    static Sizing computeSizing (juce::Rectangle<int> userArea, const ProductInfo& sizingValues);

    // Height of the menu bar in a window of the given height.
    static int menuBarHeightFor (int editorHeight, const ProductInfo& sizingValues);

private:
    void updateEditorSize();
    juce::Rectangle<int> getDefaultEditorSize() const;
    juce::Rectangle<int> getDisplayUserArea() const;

    ProductInfo productInfo;
    EmberLashGUI gui;
    MenuBar menuBar;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (EmberLashAudioProcessorEditor)
};
