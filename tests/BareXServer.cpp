#include "tests/BareXServer.h"

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <initializer_list>

// JUCE looks the window-manager protocol atoms up without creating them and
// then sets a property named by the missing atom, which a bare X server
// (Xvfb without a window manager) rejects with a fatal BadAtom error. A
// window manager would have created them; so does this, before JUCE first
// talks to the server. The connection stays open so that the server does
// not reset and forget them.
void prepareBareXServer()
{
    if (std::getenv ("DISPLAY") == nullptr)
        return;

    auto* x11 = dlopen ("libX11.so.6", RTLD_NOW | RTLD_LOCAL);

    if (x11 == nullptr)
        return;

    using OpenDisplay = void* (*) (const char*);
    using InternAtom = unsigned long (*) (void*, const char*, int);
    auto openDisplay = reinterpret_cast<OpenDisplay> (dlsym (x11, "XOpenDisplay"));
    auto internAtom = reinterpret_cast<InternAtom> (dlsym (x11, "XInternAtom"));

    if (openDisplay == nullptr || internAtom == nullptr)
        return;

    // Kept for the program's lifetime (and so reachable, not a leak).
    static void* display = openDisplay (nullptr);

    if (display == nullptr)
        return;

    for (const auto* name : { "WM_PROTOCOLS", "WM_TAKE_FOCUS", "WM_DELETE_WINDOW", "WM_STATE", "WM_CHANGE_STATE",
                              "_NET_WM_PING", "_NET_WM_STATE", "_NET_WM_STATE_HIDDEN", "_NET_WM_WINDOW_TYPE" })
        internAtom (display, name, 0);

    // Outside a standalone app JUCE installs no X error handler, and Xlib's
    // default one ends the process. Test programs share one X server, and
    // JUCE walks the window tree, where another program's window may vanish
    // mid-query (BadWindow); a host would keep going, and so do the tests.
    struct ErrorEvent { int type; void* display; unsigned long resourceid, serial; unsigned char error_code, request_code, minor_code; };
    using ErrorHandler = int (*) (void*, ErrorEvent*);
    using SetErrorHandler = ErrorHandler (*) (ErrorHandler);

    if (auto setErrorHandler = reinterpret_cast<SetErrorHandler> (dlsym (x11, "XSetErrorHandler")))
        setErrorHandler ([] (void*, ErrorEvent* event)
        {
            constexpr unsigned char badWindow = 3;
            if (event->error_code != badWindow)
                std::fprintf (stderr, "X error %d on request %d ignored\n", event->error_code, event->request_code);
            return 0;
        });
}
