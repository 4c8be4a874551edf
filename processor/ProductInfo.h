#pragma once

#include <juce_core/juce_core.h>

// The product's identity strings and the editor's sizing values. The
// processor fills the strings; the editor keeps a default-built copy for
// its sizing.
struct ProductInfo
{
    ProductInfo();

    juce::String name;
    juce::String version;
    juce::String companyFolder;

    float defaultHeightFraction;
    float aspectRatio;
    float menuBarHeightFraction;
    float minWidth;
    float maxWidth;
};
