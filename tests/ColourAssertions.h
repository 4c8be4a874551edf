#pragma once

#include <gtest/gtest.h>

#include <juce_graphics/juce_graphics.h>

#include <cstdlib>

namespace testing_support
{
    // Every channel of a rendered pixel within a tolerance of the expected colour.
    inline testing::AssertionResult near (juce::Colour actual, juce::Colour expected, int tolerance)
    {
        const auto diff = [] (juce::uint8 a, juce::uint8 b) { return std::abs ((int) a - (int) b); };
        const auto worst = juce::jmax (diff (actual.getRed(), expected.getRed()),
                                       diff (actual.getGreen(), expected.getGreen()),
                                       diff (actual.getBlue(), expected.getBlue()),
                                       diff (actual.getAlpha(), expected.getAlpha()));
        if (worst <= tolerance)
            return testing::AssertionSuccess();

        return testing::AssertionFailure() << actual.toDisplayString (true) << " is not within " << tolerance
                                           << " of " << expected.toDisplayString (true);
    }
}
