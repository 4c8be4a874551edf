#include <benchmark/benchmark.h>

#include <juce_gui_basics/juce_gui_basics.h>

#include "tests/BareXServer.h"

#include <cstdlib>
#include <unistd.h>

int main (int argc, char** argv)
{
    benchmark::Initialize (&argc, argv);

    if (benchmark::ReportUnrecognizedArguments (argc, argv))
        return 1;

    prepareBareXServer();

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
