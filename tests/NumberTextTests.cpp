#include <gtest/gtest.h>

#include "processor/NumberText.h"
#include "tests/ProcessorTestUtils.h"

#include <cmath>

using namespace testing_support;

TEST (NumberText, LongExponentsReadAsTheyWouldWithoutOverflow)
{
    const std::pair<const char*, double> cases[] {
        { "1e5", 1e5 },
        { "2.5E+0003", 2500.0 },
        { "1e0000000005", 1e5 },
        { "-3 dB", -3.0 },
        { "55E8888888888848E", HUGE_VAL },
        { "1e99999999999", HUGE_VAL },
        { "-1e99999999999", -HUGE_VAL },
        { "1e-99999999999", 0.0 },
        { ".5e-4", 0.00005 },
        { "e99999999999", 0.0 },
        { "abc", 0.0 },
    };

    for (const auto& [text, expected] : cases)
        EXPECT_EQ (NumberText::read (text), expected) << text;

    EXPECT_EQ (NumberText::withBoundedExponents ("7e123456789 and 3E-0000042"), "7e9999 and 3E-42");
}

TEST (NumberText, StoredValuesWithLongExponents)
{
    EmberLashAudioProcessor processor;
    setPlain (processor, "width", 10.0f);
    setPlain (processor, "room", 50.0f);

    const auto block = wrapChunk ("<PARAMETERS><PARAM id=\"width\" value=\"1e99999999999\"/>"
                                  "<PARAM id=\"room\" value=\"1e-99999999999\"/></PARAMETERS>");

    processor.setStateInformation (block.getData(), (int) block.getSize());
    EXPECT_FLOAT_EQ (plain (processor, "width"), 120.0f) << "too large for a double: no value, the default";
    EXPECT_FLOAT_EQ (plain (processor, "room"), 0.0f);
}
