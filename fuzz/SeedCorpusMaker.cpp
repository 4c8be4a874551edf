// Writes the seed corpora of the fuzz targets: chunks and preset files made by
// the plug-in itself, and a few names and typed texts.
#include "fuzz/FuzzSupport.h"

int main (int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf (stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }

    juce::ScopedJuceInitialiser_GUI juce;
    const auto home = fuzz_support::makeHome();
    const auto root = juce::File::getCurrentWorkingDirectory().getChildFile (juce::String::fromUTF8 (argv[1]));

    auto write = [&root] (const char* folder, const juce::String& name, const void* data, size_t size)
    {
        const auto file = root.getChildFile (folder).getChildFile (name);
        file.getParentDirectory().createDirectory();
        file.replaceWithData (data, size);
    };

    EmberLashAudioProcessor processor;

    auto savePair = [&] (const juce::String& name)
    {
        juce::MemoryBlock chunk;
        processor.getStateInformation (chunk);
        write ("state", name + ".bin", chunk.getData(), chunk.getSize());

        processor.saveUserPreset (name);
        juce::MemoryBlock file;
        processor.presetStorage.getPresetFile (name).loadFileAsData (file);
        write ("preset", name + ".xml", file.getData(), file.getSize());
    };

    savePair ("Default");

    for (const auto& name : processor.getFactoryPresetNames())
    {
        processor.loadFactoryPreset (name);
        savePair (name.removeCharacters (" "));
    }

    processor.setParameterValue ("power", 0.0f);
    processor.setParameterValue ("output", 12.0f);
    processor.setCurrentPreset ("Modified User", true, true);
    savePair ("ModifiedUser");

    const char* names[] { "Lead\nRhythm\nClean\nLead", "My Preset!\n  spaced  \n../up\n/abs/path",
                          "a\nA\nLead__backup\nPreset", "\n\n\n" };
    int n = 0;
    for (auto* text : names)
        write ("names", "names" + juce::String (n++) + ".txt", text, std::strlen (text));

    const char* labels[] { "\x00-3 dB", "\x05" "250%", "\x07-5", "\x02" "3db", "\x01" "1,5", "\x08" "inf",
                           "\x03nan", "\x04+4.5", "\x06" "50" };
    n = 0;
    for (auto* text : labels)
        write ("label", "label" + juce::String (n++) + ".txt", text, 1 + std::strlen (text + 1));

    home.deleteRecursively();
    return 0;
}
