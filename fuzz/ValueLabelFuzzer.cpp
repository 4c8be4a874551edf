// Text typed into a value label: whatever it is, the knob's parameter stays a
// finite value inside its range.
#include "fuzz/FuzzSupport.h"
#include "processor/StoredXml.h"

#include "editor/EmberLashGUI.h"

using namespace fuzz_support;

struct EmberLashGUITestAccess
{
    static void type (EmberLashGUI& gui, size_t knob, const juce::String& text)
    {
        gui.applyValueLabelText (slider (gui, knob), text);
    }

    static juce::Slider& slider (EmberLashGUI& gui, size_t knob) { return *gui.getKnobSliders()[knob]; }
};

namespace
{
    struct Fixture : FuzzEnvironment
    {
        EmberLashAudioProcessor processor;
        EmberLashGUI gui { processor };
    };
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    static Fixture f;

    // Names and typed texts reach the plug-in as the framework's strings,
    // which always hold well-formed UTF-8.
    if (size == 0 || ! StoredXml::isWellFormedUtf8 (reinterpret_cast<const char*> (data) + 1, size - 1))
        return 0;

    const auto knob = (size_t) (data[0] % 9);
    const auto* chars = reinterpret_cast<const char*> (data + 1);
    const auto text = juce::String::fromUTF8 (chars, (int) strnlen (chars, size - 1));

    EmberLashGUITestAccess::type (f.gui, knob, text);

    const auto& slider = EmberLashGUITestAccess::slider (f.gui, knob);
    if (! std::isfinite (slider.getValue()) || slider.getValue() < slider.getMinimum() || slider.getValue() > slider.getMaximum())
        fail ("a knob outside its range:", juce::String (slider.getValue()));

    expectParametersInRange (f.processor);
    return 0;
}
