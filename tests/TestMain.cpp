#include <gtest/gtest.h>

#include <juce_gui_basics/juce_gui_basics.h>

#include "tests/BareXServer.h"
#include "tests/TestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

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
    prepareBareXServer();

    // No test may touch the real user's folders: each test program gets a
    // home of its own (tests that need a fresh one make another).
    const auto home = juce::File::getSpecialLocation (juce::File::tempDirectory)
                          .getChildFile ("emberlash-test-" + juce::String (getpid()) + "-"
                                         + juce::String::toHexString (juce::Random().nextInt64()));
    home.getChildFile ("config").createDirectory();
    setenv ("HOME", home.getFullPathName().toRawUTF8(), 1);
    setenv ("XDG_CONFIG_HOME", home.getChildFile ("config").getFullPathName().toRawUTF8(), 1);

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
    home.deleteRecursively();
    return result;
}
