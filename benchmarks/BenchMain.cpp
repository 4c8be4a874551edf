#include <benchmark/benchmark.h>

#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdlib>
#include <dlfcn.h>
#include <unistd.h>

namespace
{
    // On a bare X server (Xvfb without a window manager) JUCE sets a property
    // named by a window-manager atom that nobody created, which is a fatal
    // BadAtom error. Creating the atoms first, on a connection that stays
    // open, keeps the server from forgetting them.
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

        auto* display = openDisplay (nullptr);

        if (display == nullptr)
            return;

        for (const auto* name : { "WM_PROTOCOLS", "WM_TAKE_FOCUS", "WM_DELETE_WINDOW", "WM_STATE", "WM_CHANGE_STATE",
                                  "_NET_WM_PING", "_NET_WM_STATE", "_NET_WM_STATE_HIDDEN", "_NET_WM_WINDOW_TYPE" })
            internAtom (display, name, 0);
    }
}

int main (int argc, char** argv)
{
    benchmark::Initialize (&argc, argv);

    if (benchmark::ReportUnrecognizedArguments (argc, argv))
        return 1;

    createWindowManagerAtoms();

    // The processor's preset storage must never touch the real user's folders.
    const auto home = juce::File::getSpecialLocation (juce::File::tempDirectory)
                          .getChildFile ("emberlash-bench-" + juce::String (getpid()));
    home.getChildFile ("config").createDirectory();
    setenv ("HOME", home.getFullPathName().toRawUTF8(), 1);
    setenv ("XDG_CONFIG_HOME", home.getChildFile ("config").getFullPathName().toRawUTF8(), 1);

    {
        // Components, the hosted plug-in and its parameters live on this
        // thread, which becomes the message thread.
        const juce::ScopedJuceInitialiser_GUI juce;
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
    }

    home.deleteRecursively();
    return 0;
}
