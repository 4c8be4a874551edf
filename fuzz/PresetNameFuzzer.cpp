// Preset names through save, rename, load and delete: no name makes a file
// anywhere but directly in the presets folder, every listed preset loads and
// can be deleted, nothing is left behind, and nothing crashes.
#include "fuzz/FuzzSupport.h"
#include "processor/StoredXml.h"

using namespace fuzz_support;

namespace
{
    struct Fixture : FuzzEnvironment
    {
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

    // Typed names are saved and given as new names; the other operations
    // get names as the list gives them, and every listed preset is reached.
    const auto listedAs = [] (const juce::String& typed) { return PresetStorage::sanitisePresetName (typed); };

    p.saveUserPreset (names[0]);
    p.saveUserPreset (names[1]);

    for (const auto& listed : p.getUserPresetNames())
        if (! p.loadUserPreset (listed))
            fail ("a listed preset does not load:", listed);

    p.renameUserPreset (listedAs (names[0]), names[2]);
    p.loadUserPreset (names[3]);
    p.renameUserPreset (listedAs (names[1]), names[3]);
    p.deleteUserPreset (listedAs (names[2]));
    p.saveUserPreset (names[3]);

    expectOnlyPresetFiles (f);
    expectParametersInRange (p);

    for (const auto& listed : p.getUserPresetNames())
        if (! p.deleteUserPreset (listed))
            fail ("a listed preset cannot be deleted:", listed);

    if (! f.presets.findChildFiles (juce::File::findFilesAndDirectories, false, "*").isEmpty())
        fail ("files are left once every listed preset is deleted");

    f.presets.deleteRecursively();
    return 0;
}
