#include <gtest/gtest.h>

#include <juce_gui_basics/juce_gui_basics.h>

#include "tests/TestSupport.h"

#include <cstdio>

namespace
{
    std::atomic<int> assertions { 0 };

    // JUCE logs every failed jassert through the current logger; a test that
    // trips one fails even when its own expectations hold.
    struct AssertionLogger final : juce::Logger
    {
        void logMessage (const juce::String& message) override
        {
            if (message.startsWith ("JUCE Assertion failure"))
                ++assertions;

            std::fprintf (stderr, "%s\n", message.toRawUTF8());
        }
    };

    struct AssertionListener final : testing::EmptyTestEventListener
    {
        void OnTestStart (const testing::TestInfo&) override { atStart = assertions.load(); }

        void OnTestEnd (const testing::TestInfo& info) override
        {
            if (assertions.load() != atStart)
            {
                std::fprintf (stderr, "%s.%s tripped %d JUCE assertion(s)\n",
                              info.test_suite_name(), info.name(), assertions.load() - atStart);
                failed = true;
            }
        }

        int atStart = 0;
        bool failed = false;
    };
}

int testing_support::assertionCount() { return assertions.load(); }

int main (int argc, char** argv)
{
    testing::InitGoogleTest (&argc, argv);

    AssertionLogger logger;
    juce::Logger::setCurrentLogger (&logger);

    auto* listener = new AssertionListener();
    testing::UnitTest::GetInstance()->listeners().Append (listener);

    int result = 0;
    {
        juce::ScopedJuceInitialiser_GUI juce;
        result = RUN_ALL_TESTS();
        if (listener->failed)
            result = 1;
    }

    juce::Logger::setCurrentLogger (nullptr);
    return result;
}
