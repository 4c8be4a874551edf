#pragma once

#include <juce_graphics/juce_graphics.h>

// Real input and screenshots through the X server, for driving a window that
// this process cannot reach through its own components (a hosted plug-in
// runs its own copy of the framework). Uses the XTEST extension.
namespace x_input
{
    // True when the X server can be reached and offers XTEST.
    bool available();

    // Moves the pointer to a point of the screen; the events reach whatever
    // window lies there, as a mouse would.
    void moveTo (juce::Point<int> screenPosition);

    // Presses or releases the left mouse button where the pointer is.
    void leftButton (bool down);

    // What the screen shows in an area, read back from the server.
    juce::Image grab (juce::Rectangle<int> screenArea);

    // The screen areas of the windows that are shown directly on the screen.
    juce::Array<juce::Rectangle<int>> shownTopLevelWindows();
}
