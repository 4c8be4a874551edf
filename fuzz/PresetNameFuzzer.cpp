// Preset names through save, rename, load and delete: no name makes a file
// anywhere but directly in the presets folder, and nothing crashes.
#include "fuzz/FuzzSupport.h"
#include "processor/StoredXml.h"

using namespace fuzz_support;

namespace
{
    struct Fixture
    {
        juce::ScopedJuceInitialiser_GUI juce;
        juce::File home = makeHome();
        EmberLashAudioProcessor processor;
        juce::File presets = processor.presetStorage.getPresetsFolder();
    };

    void expectOnlyPresetFiles (const Fixture& f)
    {
        for (const auto& file : f.home.findChildFiles (juce::File::findFiles, true, "*"))
            if (file.getParentDirectory() != f.presets || ! file.hasFileExtension ("xml"))
                fail ("a file outside the presets folder:", file.getFullPathName());

        for (const auto& dir : f.home.findChildFiles (juce::File::findDirectories, true, "*"))
            if (! f.presets.isAChildOf (dir) && dir != f.presets)
                fail ("an unexpected folder:", dir.getFullPathName());
    }
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    static Fixture f;

    // Names and typed texts reach the plug-in as the framework's strings,
    // which always hold well-formed UTF-8.
    if (! StoredXml::isWellFormedUtf8 (reinterpret_cast<const char*> (data), size))
        return 0;

    // Up to four names, separated by line feeds.
    juce::StringArray names;
    const auto* chars = reinterpret_cast<const char*> (data);
    names.addTokens (juce::String::fromUTF8 (chars, (int) strnlen (chars, size)), "\n", {});
    while (names.size() < 4)
        names.add (juce::String (names.size()));

    auto& p = f.processor;

    for (const auto& name : names)
        if (p.presetStorage.getPresetFile (name).getParentDirectory() != f.presets)
            fail ("a name maps outside the presets folder:", name);

    p.saveUserPreset (names[0]);
    p.saveUserPreset (names[1]);
    p.renameUserPreset (names[0], names[2]);
    p.loadUserPreset (names[2]);
    p.loadUserPreset (names[3]);
    p.renameUserPreset (names[1], names[3]);
    p.deleteUserPreset (names[2]);
    p.saveUserPreset (names[3]);
    (void) p.getUserPresetNames();

    expectOnlyPresetFiles (f);
    expectParametersInRange (p);

    p.deleteUserPreset (names[3]);
    f.presets.deleteRecursively();
    return 0;
}
