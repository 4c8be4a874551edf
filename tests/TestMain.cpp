#include <gtest/gtest.h>

#include <juce_gui_basics/juce_gui_basics.h>

#include "tests/TestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
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

    // JUCE looks the window-manager protocol atoms up without creating them and
    // then sets a property named by the missing atom, which a bare X server
    // (Xvfb without a window manager) rejects with a fatal BadAtom error. A
    // window manager would have created them; so does this, before JUCE first
    // talks to the server. The connection stays open so that the server does
    // not reset and forget them.
    void createWindowManagerAtoms()
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
}

int testing_support::assertionCount() { return assertions.load(); }

int main (int argc, char** argv)
{
    testing::InitGoogleTest (&argc, argv);
    createWindowManagerAtoms();

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
