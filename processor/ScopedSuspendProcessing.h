#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

// Suspends a processor's audio callbacks for its lifetime. Suspending takes
// the callback lock, so it waits for a block that is running to finish.
class ScopedSuspendProcessing
{
public:
    explicit ScopedSuspendProcessing (juce::AudioProcessor& processorToSuspend);
    ~ScopedSuspendProcessing();

private:
    juce::AudioProcessor& processor;

    JUCE_DECLARE_NON_COPYABLE (ScopedSuspendProcessing)
};
