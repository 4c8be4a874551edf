#pragma once

// Makes a bare X server (Xvfb without a window manager) usable by JUCE in a
// plug-in-style program: creates the window manager's atoms and installs an
// X error handler. Call before JUCE first talks to the server.
void prepareBareXServer();
