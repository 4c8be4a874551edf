#include "processor/ScopedSuspendProcessing.h"

ScopedSuspendProcessing::ScopedSuspendProcessing (juce::AudioProcessor& processorToSuspend)
    : processor (processorToSuspend)
{
    processor.suspendProcessing (true);
}

ScopedSuspendProcessing::~ScopedSuspendProcessing()
{
    processor.suspendProcessing (false);
}
