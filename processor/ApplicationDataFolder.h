#pragma once

#include <juce_core/juce_core.h>

// The user's per-user application-data folder: the roaming AppData folder on
// Windows, the XDG config folder elsewhere. An empty path when the platform
// cannot tell.
juce::File getApplicationDataFolder();
