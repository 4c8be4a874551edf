#include "processor/PresetStorage.h"

#include "processor/ApplicationDataFolder.h"
#include "processor/StoredXml.h"

juce::File PresetStorage::getVersionFolder() const
{
    return getApplicationDataFolder().getChildFile (productInfo.companyFolder)
                                     .getChildFile (productInfo.name)
                                     .getChildFile ("version_" + productInfo.version);
}

juce::File PresetStorage::getPresetsFolder() const
{
    return getVersionFolder().getChildFile ("Presets");
}

juce::String PresetStorage::sanitisePresetName (const juce::String& name)
{
    // Only these characters reach a file name, so no name can leave the
    // presets folder or carry a separator, a dot or a control character.
    const auto cleaned = name.trim().retainCharacters ("abcdefghijklmnopqrstuvwxyz"
                                                       "ABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                                       "0123456789 _-");
    return cleaned.isEmpty() ? juce::String ("Preset") : cleaned;
}

juce::File PresetStorage::getPresetFile (const juce::String& name) const
{
    return getPresetsFolder().getChildFile (sanitisePresetName (name) + ".xml");
}

juce::StringArray PresetStorage::listPresetNames() const
{
    juce::StringArray names;
    const auto folder = getPresetsFolder();

    if (! folder.isDirectory())
        return names;

    for (const auto& file : folder.findChildFiles (juce::File::findFiles, false, "*.xml"))
    {
        const auto fileName = file.getFileName();
        const auto dot = fileName.lastIndexOfChar ('.');
        names.add (dot > 0 ? fileName.substring (0, dot) : fileName);
    }

    names.sort (true);
    return names;
}

bool PresetStorage::savePresetFile (const juce::String& name, const juce::ValueTree& tree) const
{
    getPresetsFolder().createDirectory();

    const auto xml = tree.createXml();

    if (xml == nullptr)
        return false;

    // writeTo goes through a temporary file, so a failed write leaves an
    // existing preset as it was.
    return xml->writeTo (getPresetFile (name));
}

bool PresetStorage::loadPresetFile (const juce::String& name, juce::ValueTree& tree) const
{
    const auto file = getPresetFile (name);

    if (! file.existsAsFile())
        return false;

    // Read as bytes and parsed from memory: the text is checked first, and a
    // document in a preset file never pulls in other files.
    juce::MemoryBlock bytes;

    if (! file.loadFileAsData (bytes))
        return false;

    const auto element = StoredXml::parse (static_cast<const char*> (bytes.getData()), bytes.getSize());

    if (element == nullptr)
        return false;

    auto loaded = juce::ValueTree::fromXml (*element);

    if (! loaded.isValid())
        return false;

    tree = loaded;
    return true;
}

bool PresetStorage::deletePresetFile (const juce::String& name) const
{
    const auto file = getPresetFile (name);
    return file.existsAsFile() && file.deleteFile();
}

bool PresetStorage::renamePresetFile (const juce::String& oldName, const juce::String& newName) const
{
    const auto source = getPresetFile (oldName);
    const auto target = getPresetFile (newName);

    if (! source.existsAsFile() || newName.trim().isEmpty() || target.existsAsFile())
        return false;

    return source.moveFileTo (target);
}
