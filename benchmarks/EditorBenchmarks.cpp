#include <benchmark/benchmark.h>

#include <juce_gui_basics/juce_gui_basics.h>

#include "editor/EmberLashAudioProcessorEditor.h"
#include "editor/EmberLashGUI.h"
#include "processor/EmberLashAudioProcessor.h"

#include <memory>

// The panel's timer callback is private; the panel befriends this name.
struct EmberLashGUITestAccess
{
    explicit EmberLashGUITestAccess (EmberLashGUI& panel) : gui (panel) {}
    void tick() { gui.timerCallback(); }
    void setStaticLayerEnabled (bool enabled) { gui.staticLayerEnabled = enabled; }
    EmberLashGUI& gui;
};

// Paints render into a software image, the way a snapshot does; no window is
// involved, so the figures leave out the desktop's compositing.
namespace
{
    void paintInto (benchmark::State& state, juce::Component& component)
    {
        juce::Image image (juce::Image::ARGB, component.getWidth(), component.getHeight(), true);

        for (auto _ : state)
        {
            juce::Graphics g (image);
            component.paintEntireComponent (g, true);
            benchmark::ClobberMemory();
        }

        state.counters["paints/s"] = benchmark::Counter ((double) state.iterations(), benchmark::Counter::kIsRate);
    }

    // The panel draws what changes only with its size, power state, scale and
    // look-and-feel from a layer that it renders on its first frame; the
    // direct variants draw everything every frame.
    void panelPaint (benchmark::State& state, bool useStaticLayer)
    {
        EmberLashAudioProcessor processor;
        EmberLashGUI panel (processor);
        panel.setSize ((int) state.range (0), (int) state.range (1));
        EmberLashGUITestAccess (panel).setStaticLayerEnabled (useStaticLayer);

        if (! processor.isPowerOn())
        {
            state.SkipWithError ("power is off");
            return;
        }

        paintInto (state, panel);
    }

    void editorPaint (benchmark::State& state, bool useStaticLayer)
    {
        EmberLashAudioProcessor processor;
        EmberLashAudioProcessorEditor editor (processor);
        editor.setSize ((int) state.range (0), (int) state.range (1));

        if (editor.getWidth() != state.range (0) || editor.getHeight() != state.range (1))
        {
            state.SkipWithError ("the editor did not take the size");
            return;
        }

        for (auto* child : editor.getChildren())
            if (auto* panel = dynamic_cast<EmberLashGUI*> (child))
                EmberLashGUITestAccess (*panel).setStaticLayerEnabled (useStaticLayer);

        paintInto (state, editor);
    }

    // One tick of the panel's 33 ms timer: mode buttons, value labels and the
    // meters' check, with nothing changing, so nothing is repainted.
    void panelTimerTick (benchmark::State& state)
    {
        EmberLashAudioProcessor processor;
        EmberLashGUI panel (processor);
        panel.setSize (1256, 780);
        EmberLashGUITestAccess access (panel);

        for (auto _ : state)
            access.tick();
    }
}

BENCHMARK_CAPTURE (panelPaint, layered, true)->Name ("Editor/PanelPaint")->ArgNames ({ "w", "h" })
    ->Args ({ 1256, 780 })->Args ({ 1700, 1056 })->Unit (benchmark::kMillisecond);
BENCHMARK_CAPTURE (panelPaint, direct, false)->Name ("Editor/PanelPaintDirect")->ArgNames ({ "w", "h" })
    ->Args ({ 1256, 780 })->Args ({ 1700, 1056 })->Unit (benchmark::kMillisecond);
BENCHMARK_CAPTURE (editorPaint, layered, true)->Name ("Editor/WindowPaint")->ArgNames ({ "w", "h" })
    ->Args ({ 1256, 780 })->Args ({ 1700, 1056 })->Unit (benchmark::kMillisecond);
BENCHMARK_CAPTURE (editorPaint, direct, false)->Name ("Editor/WindowPaintDirect")->ArgNames ({ "w", "h" })
    ->Args ({ 1256, 780 })->Args ({ 1700, 1056 })->Unit (benchmark::kMillisecond);
BENCHMARK (panelTimerTick)->Name ("Editor/PanelTimerTick")->Unit (benchmark::kMicrosecond);
