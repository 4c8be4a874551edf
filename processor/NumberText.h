#pragma once

#include <juce_core/juce_core.h>

// Numbers read from text that comes from outside (typed values, stored
// parameter values). The framework's reader keeps a decimal exponent in an
// int, which a long run of exponent digits overflows; such an exponent is
// far beyond what a double can hold either way, so it is capped first.
namespace NumberText
{
    // The text with every exponent's digits capped at four significant
    // digits (without changing what the text reads as).
    juce::String withBoundedExponents (const juce::String& text);

    // The text read as the framework reads a double.
    double read (const juce::String& text);
}
