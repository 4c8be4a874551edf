#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// Records every area of a component that is asked to be repainted, its
// children's requests included, in the component's coordinates. It sits where
// the framework keeps a component's cached image, which hears of each repaint
// before a window would; nothing reaches a window past it. Painting the
// component paints it as usual.
class RepaintRecorder final : public juce::CachedComponentImage
{
public:
    // The component must be visible for its repaints to count; it owns the recorder.
    static RepaintRecorder& attachTo (juce::Component& component)
    {
        auto* recorder = new RepaintRecorder (component);
        component.setCachedComponentImage (recorder);
        return *recorder;
    }

    void paint (juce::Graphics& g) override               { component.paintEntireComponent (g, false); }
    bool invalidateAll() override                          { areas.add (component.getLocalBounds()); return false; }
    bool invalidate (const juce::Rectangle<int>& area) override { areas.add (area); return false; }
    void releaseResources() override                       {}

    juce::RectangleList<int> areas;

private:
    explicit RepaintRecorder (juce::Component& owner) : component (owner) {}

    juce::Component& component;
};
