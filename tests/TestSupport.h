#pragma once

#include <juce_events/juce_events.h>
#include <juce_core/juce_core.h>

#include <atomic>

namespace testing_support
{
    // Runs the message loop for a while so that timers and async callbacks fire.
    inline void pumpMessages (int milliseconds)
    {
        juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds);
    }

    // Number of JUCE assertions logged since the program started.
    int assertionCount();
}

#include <ostream>

namespace juce
{
    // Readable failure messages for string lists.
    inline void PrintTo (const StringArray& array, std::ostream* os)
    {
        *os << "[" << array.joinIntoString (" | ") << "]";
    }
}
